#include "package/core/credit_filter_params.h"

#include <QStringList>

#include "host/core/text_routines.h"
#include "platform/clock.h"

namespace confcred::package {

QString P_CDCLIENTE = QStringLiteral("T");
QString P_CDCONSUMIDOR = QStringLiteral("T");
platform::DateTime P_DATAINICIAL;
platform::DateTime P_DATAFINAL;
QString P_IDPEDCREEXTR;
QString P_IDPEDCRECONT;
QString P_NRPEDCRECONS;
QString P_DSSITCREBANC;

bool boPendente = true;
bool boEfetivado = false;
bool boCancelado = false;
bool boContSim = false;
bool boContNao = true;
bool boTodosCli = true;
bool boTodosCon = true;
QString stNrPedido;
QString stDSPedido;

void setCreditFilterDefaults() {
    P_CDCLIENTE = QStringLiteral("T");
    P_CDCONSUMIDOR = QStringLiteral("T");
    P_IDPEDCRECONT.clear();
    P_IDPEDCREEXTR.clear();
    P_NRPEDCRECONS.clear();
    P_DSSITCREBANC.clear();
    // One reading, so that a creation at midnight cannot give two days.
    const platform::DateTime today = platform::now().datePart();
    P_DATAINICIAL = today;
    P_DATAFINAL = today;
    boPendente = true;
    boEfetivado = false;
    boCancelado = false;
    boTodosCon = true;
    boTodosCli = true;
    boContSim = false;
    boContNao = true;
    stNrPedido.clear();
    stDSPedido.clear();
}

CreditFilter creditFilter() {
    return {P_CDCLIENTE,    P_CDCONSUMIDOR, P_DATAINICIAL,  P_DATAFINAL, P_IDPEDCREEXTR,
            P_IDPEDCRECONT, P_NRPEDCRECONS, P_DSSITCREBANC, boPendente,  boEfetivado,
            boCancelado,    boContSim,      boContNao,      boTodosCli,  boTodosCon,
            stNrPedido,     stDSPedido};
}

void setCreditFilter(const CreditFilter& filter) {
    P_CDCLIENTE = filter.cdCliente;
    P_CDCONSUMIDOR = filter.cdConsumidor;
    P_DATAINICIAL = filter.dataInicial;
    P_DATAFINAL = filter.dataFinal;
    P_IDPEDCREEXTR = filter.idPedCreExtr;
    P_IDPEDCRECONT = filter.idPedCreCont;
    P_NRPEDCRECONS = filter.nrPedCreCons;
    P_DSSITCREBANC = filter.dsSitCreBanc;
    boPendente = filter.pendente;
    boEfetivado = filter.efetivado;
    boCancelado = filter.cancelado;
    boContSim = filter.contSim;
    boContNao = filter.contNao;
    boTodosCli = filter.todosCli;
    boTodosCon = filter.todosCon;
    stNrPedido = filter.nrPedido;
    stDSPedido = filter.dsPedido;
}

host::client::CallArgs creditFilterArgs() {
    return {P_CDCLIENTE,    P_CDCONSUMIDOR, P_DATAINICIAL,  P_DATAFINAL,
            P_IDPEDCREEXTR, P_IDPEDCRECONT, P_NRPEDCRECONS, P_DSSITCREBANC};
}

QString encodeSituacoes(bool efetivado, bool pendente, bool cancelado) {
    QString code = QStringLiteral("_");
    if (efetivado)
        code += QStringLiteral("S_");
    if (pendente)
        code += QStringLiteral("N_");
    if (cancelado)
        code += QStringLiteral("C_");
    return code;
}

QString encodeContabil(bool sim, bool nao) {
    QString code = QStringLiteral("_");
    if (sim)
        code += QStringLiteral("S_");
    if (nao)
        code += QStringLiteral("N_");
    return code;
}

QString encodeNrPedido(const QString& typed) {
    return host::core::EmptyString(typed) ? QStringLiteral("T") : host::core::Ajusta(typed, 20);
}

QString encodeDescricao(const QString& typed) {
    return host::core::EmptyString(typed) ? QStringLiteral("T")
                                          : QStringLiteral("%") + typed + QStringLiteral("%");
}

void releaseCreditFilterStrings() {
    for (QString* text : {&stDSPedido, &stNrPedido, &P_DSSITCREBANC, &P_NRPEDCRECONS,
                          &P_IDPEDCREEXTR, &P_IDPEDCRECONT, &P_CDCONSUMIDOR, &P_CDCLIENTE})
        *text = QString();
}

QString creditFilterParamsText() {
    auto day = [](platform::DateTime when) {
        const platform::Date d = when.date();
        return QStringLiteral("%1/%2/%3")
            .arg(d.day, 2, 10, QLatin1Char('0'))
            .arg(d.month, 2, 10, QLatin1Char('0'))
            .arg(d.year, 4, 10, QLatin1Char('0'));
    };
    auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    const QStringList lines = {
        QStringLiteral("P_CDCLIENTE = ") + P_CDCLIENTE,
        QStringLiteral("P_CDCONSUMIDOR = ") + P_CDCONSUMIDOR,
        QStringLiteral("P_DATAINICIAL = ") + day(P_DATAINICIAL),
        QStringLiteral("P_DATAFINAL = ") + day(P_DATAFINAL),
        QStringLiteral("P_IDPEDCREEXTR = ") + P_IDPEDCREEXTR,
        QStringLiteral("P_IDPEDCRECONT = ") + P_IDPEDCRECONT,
        QStringLiteral("P_NRPEDCRECONS = ") + P_NRPEDCRECONS,
        QStringLiteral("P_DSSITCREBANC = ") + P_DSSITCREBANC,
        QStringLiteral("boPendente = ") + flag(boPendente),
        QStringLiteral("boEfetivado = ") + flag(boEfetivado),
        QStringLiteral("boCancelado = ") + flag(boCancelado),
        QStringLiteral("boContSim = ") + flag(boContSim),
        QStringLiteral("boContNao = ") + flag(boContNao),
        QStringLiteral("boTodosCli = ") + flag(boTodosCli),
        QStringLiteral("boTodosCon = ") + flag(boTodosCon),
        QStringLiteral("stNrPedido = ") + stNrPedido,
        QStringLiteral("stDSPedido = ") + stDSPedido,
    };
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace confcred::package
