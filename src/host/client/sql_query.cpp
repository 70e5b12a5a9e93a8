#include "host/client/sql_query.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <optional>

#include "host/client/server_query.h"
#include "platform/datetime.h"

namespace confcred::host::client {

using dataset::DataPacket;
using dataset::FieldDef;
using dataset::FieldType;

namespace {

// Text of a limited width, as opposed to a memo.
bool hasWidth(FieldType t) {
    return t == FieldType::String || t == FieldType::FixedString;
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

FieldType typeOfColumn(const QSqlField& f) {
    switch (f.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Bool:
            return FieldType::Integer;
        case QMetaType::Double:
        case QMetaType::Float:
            return FieldType::Double;
        case QMetaType::QDate:
        case QMetaType::QDateTime:
            return FieldType::DateTime;
        default:
            return FieldType::String;
    }
}

std::optional<platform::DateTime> toDateTime(const QVariant& v) {
    QDateTime dt;
    if (v.metaType().id() == QMetaType::QDate) {
        dt = QDateTime(v.toDate(), QTime(0, 0));
    } else if (v.metaType().id() == QMetaType::QDateTime) {
        dt = v.toDateTime();
    } else {
        const std::string text = v.toString().trimmed().toStdString();
        return platform::DateTime::parseIso(text);
    }
    if (!dt.isValid())
        return std::nullopt;
    const QDate d = dt.date();
    const QTime t = dt.time();
    return platform::DateTime::tryFromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(),
                                            t.second(), t.msec());
}

// The declared widths of the text columns a query reads, asked of the
// database once per table: the driver's own report where it gives one
// (PostgreSQL's VARCHAR(n)), else the declared type of the table's column
// (SQLite keeps "VARCHAR(18)" as written). 0 when nothing says.
class DeclaredWidths {
  public:
    explicit DeclaredWidths(const QSqlDatabase& db) : db_(db) {}

    int of(const QSqlField& column) {
        if (column.length() > 0)
            return column.length();
        const QString table = column.tableName();
        if (table.isEmpty())
            return 0;
        if (!tables_.contains(table))
            tables_.insert(table, read(table));
        return tables_.value(table).value(column.name().toUpper(), 0);
    }

  private:
    QHash<QString, int> read(const QString& table) const {
        QHash<QString, int> widths;
        const QSqlRecord record = db_.record(table);
        for (int c = 0; c < record.count(); ++c) {
            if (record.field(c).length() > 0)
                widths.insert(record.field(c).name().toUpper(), record.field(c).length());
        }
        if (!widths.isEmpty() || db_.driverName() != QLatin1String("QSQLITE"))
            return widths;
        QSqlQuery info(db_);
        const QString name = db_.driver()->escapeIdentifier(table, QSqlDriver::TableName);
        if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(name)))
            return widths;
        static const QRegularExpression width(QStringLiteral(R"(\(\s*(\d+)\s*[,)])"));
        while (info.next()) {
            const QRegularExpressionMatch m = width.match(info.value(2).toString());
            if (m.hasMatch())
                widths.insert(info.value(1).toString().toUpper(), m.captured(1).toInt());
        }
        return widths;
    }

    const QSqlDatabase& db_;
    QHash<QString, QHash<QString, int>> tables_;
};

}  // namespace

QStringList sqlParameterNames(const QString& sql) {
    QStringList names;
    QChar quote;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            continue;
        }
        if (c != QLatin1Char(':'))
            continue;
        if (i + 1 < n && sql[i + 1] == QLatin1Char(':')) {
            ++i;  // a type cast, not a parameter
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && isNameChar(sql[j]))
            ++j;
        if (j > i + 1) {
            const QString name = sql.mid(i + 1, j - i - 1);
            if (!names.contains(name, Qt::CaseInsensitive))
                names.append(name);
        }
        i = j - 1;
    }
    return names;
}

TADOIBQuery::TADOIBQuery(const QString& name, QObject* parent)
    : QObject(parent), name_(name), set_(name.toStdString()) {
    setObjectName(name);
}

TADOIBQuery::~TADOIBQuery() = default;

void TADOIBQuery::setSQL(const QStringList& lines) {
    Close();
    lines_ = lines;
    std::deque<TParam> params;
    for (const QString& paramName : sqlParameterNames(sqlText())) {
        params.emplace_back(paramName);
        for (const TParam& old : params_) {
            if (old.Name.compare(paramName, Qt::CaseInsensitive) == 0)
                params.back().setValue(old.value());
        }
    }
    params_.swap(params);
}

TParam& TADOIBQuery::ParamByName(const QString& name) {
    for (TParam& p : params_) {
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
            return p;
    }
    throw QueryError("Parâmetro '" + name.toStdString() + "' não encontrado na consulta '" +
                     name_.toStdString() + "'.");
}

QStringList TADOIBQuery::paramNames() const {
    QStringList names;
    for (const TParam& p : params_)
        names.append(p.Name);
    return names;
}

void TADOIBQuery::Open() {
    if (Active())
        return;
    DataPacket packet = fetch();
    // A field declared without a width keeps the one its column gave.
    for (const FieldDef& def : packet.fields()) {
        dataset::Field* declared = set_.findField(def.name);
        if (declared != nullptr && hasWidth(declared->type()) && declared->size() == 0)
            declared->setSize(def.size);
    }
    set_.loadPacket(std::move(packet));
    // The query only reads: no field of its rows takes a value.
    for (size_t i = 0; i < set_.fieldCount(); ++i)
        set_.field(i).setReadOnly(true);
}

void TADOIBQuery::Close() {
    if (Active())
        set_.close();
}

DataPacket TADOIBQuery::fetch() {
    const std::string where = "na consulta '" + name_.toStdString() + "'";
    // A desk without a database of its own: the shared connection is the
    // application server's (host/client/server_query.h).
    if (connectionName_ == QLatin1String(kSharedConnection) &&
        !QSqlDatabase::contains(connectionName_)) {
        std::vector<std::pair<QString, QVariant>> values;
        for (const TParam& p : params_)
            values.emplace_back(p.Name, p.value());
        return queryThroughServer(name_, sqlText(), values);
    }
    if (!QSqlDatabase::contains(connectionName_)) {
        throw QueryError("A conexão '" + connectionName_.toStdString() +
                         "' com o banco de dados não existe (" + where + ").");
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.isOpen()) {
        throw QueryError("A conexão '" + connectionName_.toStdString() +
                         "' com o banco de dados não está aberta (" + where + ").");
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    auto fail = [&](const char* step) {
        throw QueryError(std::string("Erro do banco de dados ao ") + step + " " + where + ": " +
                         query.lastError().text().toStdString());
    };
    if (!query.prepare(sqlText()))
        fail("preparar o SQL");
    for (const TParam& p : params_) {
        query.bindValue(QLatin1Char(':') + p.Name,
                        p.isNull() ? QVariant(QMetaType::fromType<QString>()) : p.value());
    }
    if (!query.exec())
        fail("executar o SQL");

    const QSqlRecord record = query.record();
    const int columns = record.count();
    DeclaredWidths widths(db);
    std::vector<FieldDef> defs;
    std::vector<bool> measure;  // width taken from the longest value
    for (int c = 0; c < columns; ++c) {
        const QSqlField f = record.field(c);
        FieldDef def{f.name().toStdString(), typeOfColumn(f), 0};
        bool fromValues = false;
        if (const dataset::Field* declared = set_.findField(def.name)) {
            // A declared field gives the type (SQLite reports dates as
            // text), and the width unless it was declared without one.
            def.type = declared->type();
            def.size = declared->size();
            if (def.size == 0 && hasWidth(def.type))
                def.size = widths.of(f);
        } else if (def.type == FieldType::String) {
            def.size = widths.of(f);
            fromValues = def.size == 0;
        }
        defs.push_back(std::move(def));
        measure.push_back(fromValues);
    }
    std::vector<dataset::Column> cols;
    for (const FieldDef& d : defs)
        cols.emplace_back(d.type);
    std::vector<int> longest(static_cast<size_t>(columns), 1);
    size_t row = 0;
    while (query.next()) {
        ++row;
        for (int c = 0; c < columns; ++c) {
            const auto ci = static_cast<size_t>(c);
            const QVariant v = query.value(c);
            dataset::Column& col = cols[ci];
            if (v.isNull()) {
                col.appendNull();
                continue;
            }
            bool ok = true;
            switch (defs[ci].type) {
                case FieldType::Integer:
                    col.appendInteger(v.toLongLong(&ok));
                    break;
                case FieldType::Double:
                    col.appendDouble(v.toDouble(&ok));
                    break;
                case FieldType::DateTime: {
                    const auto dt = toDateTime(v);
                    ok = dt.has_value();
                    if (ok)
                        col.appendDateTime(*dt);
                    break;
                }
                case FieldType::Memo:
                    col.appendText(v.toString().toStdString());
                    break;
                default: {
                    const QString text = v.toString();
                    longest[ci] = std::max(longest[ci], static_cast<int>(text.size()));
                    col.appendText(text.toStdString());
                    break;
                }
            }
            if (!ok) {
                throw QueryError("Valor '" + v.toString().toStdString() + "' da coluna '" +
                                 defs[ci].name + "' na linha " + std::to_string(row) + " " + where +
                                 " não é do tipo " +
                                 std::string(dataset::fieldTypeName(defs[ci].type)) + ".");
            }
        }
    }
    if (query.lastError().isValid())
        fail("ler as linhas");
    for (size_t c = 0; c < defs.size(); ++c) {
        if (measure[c])
            defs[c].size = longest[c];
    }
    DataPacket packet(std::move(defs));
    for (size_t c = 0; c < cols.size(); ++c)
        packet.column(c) = std::move(cols[c]);
    return packet;
}

}  // namespace confcred::host::client
