// The filter dialog's client and consumer look-ups: the clients of the
// current branch from the host's own database, the consumers of the chosen
// clients from the application server, each offered in the list picker whose
// selection the dialog keeps. The dialog never looks inside a selection
// except to compare it with "T".
#include <QCoreApplication>
#include <QRadioButton>
#include <QSet>
#include <string>
#include <string_view>
#include <utility>

#include "dataset/records.h"
#include "host/client/check_result.h"
#include "host/client/net_connection.h"
#include "host/client/sql_query.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/mens_erro.h"
#include "host/core/messages.h"
#include "host/core/selection_format.h"
#include "host/core/text_routines.h"
#include "host/widgets/list_picker.h"
#include "host/widgets/named_data_set.h"
#include "package/core/credit_filter_text.h"
#include "package/core/server_names.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"

namespace confcred::package {

using dataset::Field;
using dataset::FieldDef;
using dataset::FieldType;

namespace {

const QString kTodos = QStringLiteral("T");

// How a field shows in the list picker.
struct Look {
    const char* label;  // empty: the field's name; else translated where used
    int displayWidth;
    bool shown;
};

struct Column {
    const char* name;
    int width;
    Look look;
};

void show(Field& f, const Look& look) {
    if (*look.label != '\0')
        f.setDisplayLabel(QCoreApplication::translate("Cli_Lun90001", look.label).toStdString());
    f.setDisplayWidth(look.displayWidth);
    f.setVisible(look.shown);
}

void declare(dataset::RecordSet& set, const Column& c) {
    show(set.addField(FieldDef{c.name, FieldType::String, c.width}), c.look);
}

// The consumers come from the server: their fields are the consumer record's.
constexpr std::pair<std::string_view, Look> kConsumerLooks[] = {
    {"IDMARCADO", {"", 1, false}},  // the server's marker, not for the operator
    {"CDCONSUMIDOR", {QT_TRANSLATE_NOOP("Cli_Lun90001", "Código"), 26, true}},
    {"NMCONSUMIDOR", {QT_TRANSLATE_NOOP("Cli_Lun90001", "Nome"), 55, true}},
    {"NMRESPCONS", {QT_TRANSLATE_NOOP("Cli_Lun90001", "Responsável"), 50, true}},
    {"CDCLIENTE", {QT_TRANSLATE_NOOP("Cli_Lun90001", "Cliente"), 21, false}},
    {"CHAVE", {"", 42, false}},
};

static_assert([] {
    for (const auto& [name, look] : kConsumerLooks)
        if (!dataset::records::has(dataset::records::kConsumer, name))
            return false;
    return true;
}());

void declareConsumers(dataset::RecordSet& set) {
    for (const dataset::records::RecordField& spec : dataset::records::kConsumer) {
        Field& f = set.addField(FieldDef{std::string(spec.name), spec.type, spec.size});
        for (const auto& [name, look] : kConsumerLooks)
            if (name == spec.name)
                show(f, look);
    }
}

// The rows of `selection` in words, "code - name" each, in the set's order.
QString selectionWords(const dataset::RecordSet& set, const char* keyField, const char* codeField,
                       const char* nameField, const QString& selection) {
    const std::optional<QStringList> keys = host::core::parseSelection(selection);
    if (!keys || !set.active())
        return {};
    const QSet<QString> chosen(keys->begin(), keys->end());
    auto& fields = const_cast<dataset::RecordSet&>(set);
    const size_t key = fields.fieldByName(keyField).index();
    const size_t code = fields.fieldByName(codeField).index();
    const size_t name = fields.fieldByName(nameField).index();
    auto text = [&set](size_t row, size_t field) {
        const std::string_view t = set.column(field).textAt(set.storageRowAt(row));
        return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())).trimmed();
    };
    QStringList words;
    for (size_t row = 0; row < set.recordCount(); ++row)
        if (chosen.contains(text(row, key)) ||
            chosen.contains(QString::fromUtf8(set.column(key).textAt(set.storageRowAt(row)))))
            words << text(row, code) + QStringLiteral(" - ") + text(row, name);
    return words.join(QStringLiteral(", "));
}

}  // namespace

QStringList clientQuerySql() {
    return {
        QStringLiteral("SELECT CL.CDCLIENTE, CL.NRINSJURCLIE, CL.NMRAZSOCCLIE"),
        QStringLiteral("  FROM CLIENTE CL, CLIENFILIAL CF"),
        QStringLiteral(" WHERE CL.CDCLIENTE = CF.CDCLIENTE"),
        QStringLiteral("   AND CF.CDFILIAL  = :P_CDFILIAL"),
        QStringLiteral("ORDER BY CL.CDCLIENTE"),
    };
}

void TfrmFiltroConfCredBco::declareLookupSets() {
    cdsPesqCliente->setSQL(clientQuerySql());
    dataset::RecordSet& clients = cdsPesqCliente->recordSet();
    declare(clients, {"CDCLIENTE", 21, {QT_TRANSLATE_NOOP("Cli_Lun90001", "Código"), 21, true}});
    // The registration number is as wide as the host database declares its
    // column: declared without a width, it takes the column's when the query
    // opens, and the picker shows it that wide.
    declare(clients,
            {"NRINSJURCLIE", 0, {QT_TRANSLATE_NOOP("Cli_Lun90001", "Nr. Inscrição"), -1, true}});
    declare(clients, {"NMRAZSOCCLIE", 50, {QT_TRANSLATE_NOOP("Cli_Lun90001", "Nome"), 50, true}});
    host::core::onEvent(&clients.fieldByName("NRINSJURCLIE"), &Field::setOnGetText, this,
                        &TfrmFiltroConfCredBco::cdsPesqClienteNRINSJURCLIEGetText);
    dtsCliente.setDataSet(&clients);

    declareConsumers(cdsConsumidor);
    cdsConsumidor.fieldByName("CHAVE").setReadOnly(true);
    dtsConsumidor.setDataSet(&cdsConsumidor);

    host::widgets::nameDataSet(this, QStringLiteral("cdsPesqCliente"), clients);
    host::widgets::nameDataSet(this, QStringLiteral("cdsConsumidor"), cdsConsumidor);
}

void TfrmFiltroConfCredBco::btnClienteClick() {
    // Every search lists the current branch's clients afresh.
    cdsPesqCliente->Close();
    cdsPesqCliente->ParamByName(QStringLiteral("P_CDFILIAL")).AsString =
        QString::number(host::core::FiliProc);
    cdsPesqCliente->Open();
    if (cdsPesqCliente->recordSet().isEmpty()) {
        rbtListaCliente->setFocus(Qt::OtherFocusReason);
        host::core::MensErro(msgPadrao->Msg(QStringLiteral("NaoHaCliente")), true);
    }
    if (host::widgets::PesquisaLista(&dtsCliente, QStringLiteral("CDCLIENTE"),
                                     msgPadrao->Msg(QStringLiteral("Cliente")), false,
                                     stSelCliente)) {
        nameClientSelection(stSelCliente,
                            selectionWords(cdsPesqCliente->recordSet(), "CDCLIENTE", "CDCLIENTE",
                                           "NMRAZSOCCLIE", stSelCliente));
        // A consumer selection made for other clients no longer holds.
        stSelConsumidor = kTodos;
    } else {
        stSelCliente = kTodos;
    }
}

void TfrmFiltroConfCredBco::btnConsumidorClick() {
    VD_CLIENTE();
    if (stSelCliente == kTodos) {
        stListaCliente.clear();
        stTodosCliente = kTodos;
    } else {
        stTodosCliente.clear();
        stListaCliente = stSelCliente;
    }
    cdsConsumidor.loadPacket(host::client::CheckResultServ(
        netConfCredBanc->appServer().call(kGetConsumidor,
                                          {stListaCliente, stTodosCliente, host::core::FiliProc}),
        true, 0));
    if (cdsConsumidor.isEmpty()) {
        rbtListaConsumidor->setFocus(Qt::OtherFocusReason);
        host::core::MensErro(msgPadrao->Msg(QStringLiteral("NaoHaConsumidor")), true);
    }
    // Whatever the picker answers, the selection is what it left.
    if (host::widgets::PesquisaLista(&dtsConsumidor, QStringLiteral("CHAVE"),
                                     msgPadrao->Msg(QStringLiteral("Consumidor")), false,
                                     stSelConsumidor))
        nameConsumerSelection(stSelConsumidor,
                              selectionWords(cdsConsumidor, "CHAVE", "CDCONSUMIDOR", "NMCONSUMIDOR",
                                             stSelConsumidor));
}

void TfrmFiltroConfCredBco::cdsPesqClienteNRINSJURCLIEGetText(const Field& field, std::string& text,
                                                              bool displayText) {
    (void)displayText;  // the same text for display and for editing
    QString registration = QString::fromStdString(field.asString());
    const QString adjusted = host::core::Ajusta_Inscricao(registration);
    text = host::core::FormatMaskText(host::core::PictPess(adjusted), registration).toStdString();
}

}  // namespace confcred::package
