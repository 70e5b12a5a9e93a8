// The filter dialog's client and consumer look-ups: the clients of the
// current branch from the host's own database, the consumers of the chosen
// clients from the application server, each offered in the list picker whose
// selection the dialog keeps. The dialog never looks inside a selection
// except to compare it with "T".
#include <QRadioButton>

#include "host/application.h"
#include "host/check_result.h"
#include "host/dispatch.h"
#include "host/list_picker.h"
#include "host/mens_erro.h"
#include "host/messages.h"
#include "host/named_data_set.h"
#include "host/net_connection.h"
#include "host/sql_query.h"
#include "host/text_routines.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"
#include "package/frame/server_names.h"

namespace confcred::package {

using dataset::Field;
using dataset::FieldDef;
using dataset::FieldType;

namespace {

const QString kTodos = QStringLiteral("T");

// Width of CLIENTE.NRINSJURCLIE: a CNPJ shown through its mask fills it.
constexpr int kRegistrationWidth = 18;

struct Column {
    const char* name;
    const char* label;
    int width;
    int displayWidth;
    bool shown;
};

void declare(dataset::RecordSet& set, const Column& c) {
    Field& f = set.addField(FieldDef{c.name, FieldType::String, c.width});
    if (*c.label != '\0')
        f.setDisplayLabel(c.label);
    f.setDisplayWidth(c.displayWidth);
    f.setVisible(c.shown);
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
    declare(clients, {"CDCLIENTE", "Código", 21, 21, false});
    declare(clients,
            {"NRINSJURCLIE", "Nr. Inscrição", kRegistrationWidth, kRegistrationWidth, true});
    declare(clients, {"NMRAZSOCCLIE", "Nome", 50, 50, true});
    host::onEvent(&clients.fieldByName("NRINSJURCLIE"), &Field::setOnGetText, this,
                  &TfrmFiltroConfCredBco::cdsPesqClienteNRINSJURCLIEGetText);
    dtsCliente.setDataSet(&clients);

    declare(cdsConsumidor, {"IDMARCADO", "", 1, 1, true});
    declare(cdsConsumidor, {"CDCONSUMIDOR", "Código", 21, 26, true});
    declare(cdsConsumidor, {"NMCONSUMIDOR", "Nome", 50, 55, true});
    declare(cdsConsumidor, {"NMRESPCONS", "Responsável", 50, 50, true});
    declare(cdsConsumidor, {"CDCLIENTE", "Cliente", 21, 21, false});
    declare(cdsConsumidor, {"CHAVE", "", 42, 42, false});
    cdsConsumidor.fieldByName("CHAVE").setReadOnly(true);
    dtsConsumidor.setDataSet(&cdsConsumidor);

    host::nameDataSet(this, QStringLiteral("cdsPesqCliente"), clients);
    host::nameDataSet(this, QStringLiteral("cdsConsumidor"), cdsConsumidor);
}

void TfrmFiltroConfCredBco::btnClienteClick() {
    // Every search lists the current branch's clients afresh.
    cdsPesqCliente->Close();
    cdsPesqCliente->ParamByName(QStringLiteral("P_CDFILIAL")).AsString =
        QString::number(host::FiliProc);
    cdsPesqCliente->Open();
    if (cdsPesqCliente->recordSet().isEmpty()) {
        rbtListaCliente->setFocus(Qt::OtherFocusReason);
        host::MensErro(msgPadrao->Msg(QStringLiteral("NaoHaCliente")), true);
    }
    if (host::PesquisaLista(&dtsCliente, QStringLiteral("CDCLIENTE"),
                            msgPadrao->Msg(QStringLiteral("Cliente")), false, stSelCliente)) {
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
    cdsConsumidor.loadPacket(
        host::CheckResultServ(netConfCredBanc->appServer().call(
                                  kGetConsumidor, {stListaCliente, stTodosCliente, host::FiliProc}),
                              true, 0));
    if (cdsConsumidor.isEmpty()) {
        rbtListaConsumidor->setFocus(Qt::OtherFocusReason);
        host::MensErro(msgPadrao->Msg(QStringLiteral("NaoHaConsumidor")), true);
    }
    // Whatever the picker answers, the selection is what it left.
    host::PesquisaLista(&dtsConsumidor, QStringLiteral("CHAVE"),
                        msgPadrao->Msg(QStringLiteral("Consumidor")), false, stSelConsumidor);
}

void TfrmFiltroConfCredBco::cdsPesqClienteNRINSJURCLIEGetText(const Field& field, std::string& text,
                                                              bool displayText) {
    (void)displayText;  // the same text for display and for editing
    QString registration = QString::fromStdString(field.asString());
    const QString adjusted = host::Ajusta_Inscricao(registration);
    text = host::FormatMaskText(host::PictPess(adjusted), registration).toStdString();
}

}  // namespace confcred::package
