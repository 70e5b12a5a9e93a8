#include "package/core/credit_filter_text.h"

#include <QCoreApplication>
#include <QStringList>
#include <utility>

#include "host/core/selection_format.h"
#include "package/core/credit_filter_params.h"
#include "platform/regional.h"

namespace confcred::package {

namespace {

struct Named {
    QString selection;
    QString words;
};
Named clientNames;
Named consumerNames;

// The filter dialog's own words, translated as it translates them.
QString tr90001(const char* text) {
    return QCoreApplication::translate("confcred::package::TfrmFiltroConfCredBco", text);
}

// Consumer keys hold the client's and the consumer's codes, each 21 wide.
QString consumerCode(const QString& key) {
    return key.size() > 21 ? key.mid(21).trimmed() : key.trimmed();
}

QString chosen(const QString& selection, const Named& named, bool consumers) {
    if (selection.isEmpty() || selection == QStringLiteral("T"))
        return tr90001(QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "Todos"));
    if (selection == named.selection && !named.words.isEmpty())
        return named.words;
    const std::optional<QStringList> keys = host::core::parseSelection(selection);
    if (!keys)
        return selection;
    QStringList codes;
    for (const QString& key : *keys)
        codes << (consumers ? consumerCode(key) : key.trimmed());
    return codes.join(QStringLiteral(", "));
}

// "_S_N_C_"-style codes in the dialog's order; empty is no restriction.
QString codes(const QString& encoded,
              std::initializer_list<std::pair<const char*, const char*>> names, const char* all) {
    if (encoded.isEmpty())
        return tr90001(all);
    QStringList words;
    for (const auto& [code, word] : names)
        if (encoded.contains(QLatin1Char('_') + QLatin1String(code) + QLatin1Char('_')))
            words << tr90001(word);
    return words.isEmpty()
               ? tr90001(QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "Nenhum"))
               : words.join(QStringLiteral(", "));
}

}  // namespace

void nameClientSelection(const QString& selection, const QString& words) {
    clientNames = {selection, words};
}

void nameConsumerSelection(const QString& selection, const QString& words) {
    consumerNames = {selection, words};
}

QString clientSelectionText(const QString& selection) {
    return chosen(selection, clientNames, false);
}

QString consumerSelectionText(const QString& selection) {
    return chosen(selection, consumerNames, true);
}

QString creditFilterText() {
    auto day = [](platform::DateTime when) {
        return QString::fromStdString(platform::formatDate(when));
    };
    QStringList parts;
    auto part = [&parts](const char* title, const QString& value) {
        parts << tr90001(title) + QStringLiteral(": ") + value;
    };
    part("Cliente", chosen(P_CDCLIENTE, clientNames, false));
    part("Consumidor/Resp.", chosen(P_CDCONSUMIDOR, consumerNames, true));
    part("Período",
         tr90001(QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "%1 até %2"))
             .arg(day(P_DATAINICIAL), day(P_DATAFINAL)));
    part("Situação",
         codes(P_IDPEDCREEXTR,
               {{"N", QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "Pendente")},
                {"S", QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "Efetivado")},
                {"C", QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "Cancelado")}},
               QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "Todas")));
    part("Contabilizado",
         codes(P_IDPEDCRECONT,
               {{"S", QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "Sim")},
                {"N", QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "Não")}},
               QT_TRANSLATE_NOOP("confcred::package::TfrmFiltroConfCredBco", "Todos")));
    if (!P_NRPEDCRECONS.isEmpty() && P_NRPEDCRECONS != QStringLiteral("T"))
        part("Nr. Pedido", P_NRPEDCRECONS.trimmed());
    if (!P_DSSITCREBANC.isEmpty() && P_DSSITCREBANC != QStringLiteral("T")) {
        QString typed = P_DSSITCREBANC;
        if (typed.startsWith(QLatin1Char('%')))
            typed.remove(0, 1);
        if (typed.endsWith(QLatin1Char('%')))
            typed.chop(1);
        part("Descrição do Crédito", typed);
    }
    return parts.join(QStringLiteral("; "));
}

}  // namespace confcred::package
