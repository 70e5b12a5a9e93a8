// The SQL query component (TADOIBQuery): SQL text as lines with named
// parameters (:P_NAME), run read-only on the host's shared database
// connection "dtmDBGeral". Parameter values are always bound, never spliced
// into the text. Open fills an in-memory record set: a field declared
// beforehand gives type and width (declared without a width, it takes its
// column's); otherwise the type comes from the column and the width from the
// column's declared size, else from the longest value. Fields may carry
// display-text handlers.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>
#include <stdexcept>

#include "dataset/record_set.h"

namespace confcred::host::client {

// A database failure while opening a query: the query's name, the driver's text.
class QueryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TParam {
  public:
    explicit TParam(QString name) : Name(std::move(name)) {}
    TParam(const TParam&) = delete;
    TParam& operator=(const TParam&) = delete;

    // Reads and writes the value as text: param.AsString = "1"; QString v = param.AsString;
    class StringProperty {
      public:
        explicit StringProperty(TParam& param) : param_(param) {}
        StringProperty& operator=(const QString& value) {
            param_.setValue(value);
            return *this;
        }
        operator QString() const { return param_.value().toString(); }  // NOLINT

      private:
        TParam& param_;
    };

    const QString Name;
    StringProperty AsString{*this};

    void setValue(const QVariant& value) { value_ = value; }
    const QVariant& value() const { return value_; }
    void clear() { value_ = QVariant(); }
    bool isNull() const { return value_.isNull(); }

  private:
    QVariant value_;
};

class TADOIBQuery : public QObject {
    Q_OBJECT

  public:
    static constexpr const char* kSharedConnection = "dtmDBGeral";

    // `name` names the query in messages and names its record set.
    explicit TADOIBQuery(const QString& name, QObject* parent = nullptr);
    ~TADOIBQuery() override;

    void setConnectionName(const QString& name) { connectionName_ = name; }
    QString connectionName() const { return connectionName_; }

    // Replaces the SQL text (closes the query). Parameters are found in the
    // text; one that keeps its name keeps its value.
    void setSQL(const QStringList& lines);
    QStringList SQL() const { return lines_; }
    QString sqlText() const { return lines_.join(QLatin1Char('\n')); }

    // A parameter of the text by name (case ignored); QueryError when the text
    // has none of that name.
    TParam& ParamByName(const QString& name);
    int paramCount() const { return static_cast<int>(params_.size()); }
    QStringList paramNames() const;

    // Runs the text with the parameters bound and loads the rows (nothing when
    // already open). A parameter without a value is bound as null. A database
    // failure is a QueryError and leaves the query closed.
    void Open();
    void Close();
    bool Active() const { return set_.active(); }
    void setActive(bool on) { on ? Open() : Close(); }

    // The rows, read-only. Declare fields here before the first Open to give
    // labels, widths or display-text handlers; later opens keep them.
    dataset::RecordSet& recordSet() { return set_; }
    const dataset::RecordSet& recordSet() const { return set_; }

  private:
    dataset::DataPacket fetch();

    QString name_;
    QString connectionName_ = QString::fromLatin1(kSharedConnection);
    QStringList lines_;
    std::deque<TParam> params_;
    dataset::RecordSet set_;
};

// The names of the :PARAMETERS of an SQL text, in order of first use, without
// the ones inside quotes or after "::".
QStringList sqlParameterNames(const QString& sql);

}  // namespace confcred::host::client
