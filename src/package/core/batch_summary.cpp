#include "package/core/batch_summary.h"

#include <QCoreApplication>
#include <string_view>

#include "package/core/batch_operation.h"
#include "package/core/order_totals.h"
#include "platform/regional.h"

namespace confcred::package {

namespace {

// A text marked with QT_TRANSLATE_NOOP in the screen's context, translated.
QString said(const char* text) {
    return QCoreApplication::translate("Cli_Lun90000", text);
}

// The ticked orders an operation takes, in words, one and many apart.
struct TakenWords {
    OrderTotals::Situation situation;
    const char* one;
    const char* many;
};

const TakenWords& takenWords(std::string_view situation) {
    static const TakenWords pending{
        OrderTotals::Pending, QT_TRANSLATE_NOOP("Cli_Lun90000", "1 pedido pendente marcado"),
        QT_TRANSLATE_NOOP("Cli_Lun90000", "%1 pedidos pendentes marcados")};
    static const TakenWords effected{
        OrderTotals::Effected, QT_TRANSLATE_NOOP("Cli_Lun90000", "1 pedido efetivado marcado"),
        QT_TRANSLATE_NOOP("Cli_Lun90000", "%1 pedidos efetivados marcados")};
    static const TakenWords cancelled{
        OrderTotals::Cancelled, QT_TRANSLATE_NOOP("Cli_Lun90000", "1 pedido cancelado marcado"),
        QT_TRANSLATE_NOOP("Cli_Lun90000", "%1 pedidos cancelados marcados")};
    if (situation == "S")
        return effected;
    if (situation == "C")
        return cancelled;
    return pending;
}

// A count as boxes show it, grouped by thousands.
QString counted(size_t n) {
    return QString::fromStdString(platform::formatCount(n));
}

}  // namespace

QString batchQuestionDetail(const BatchOperation& operation, const OrderTotals& totals) {
    const TakenWords& words = takenWords(operation.situation);
    const OrderTotals::Sum& taken = totals.ticked(words.situation);
    const QString count =
        taken.count == 1 ? said(words.one) : said(words.many).arg(counted(taken.count));
    QString text = said(QT_TRANSLATE_NOOP("Cli_Lun90000", "%1: %2, %3."))
                       .arg(said(operation.title), count,
                            QString::fromStdString(platform::formatMoney(taken.cents)));
    // An order of no known situation counts only among all the ticked ones.
    const size_t others = totals.ticked().count - taken.count;
    if (others == 1)
        text += QLatin1Char(' ') +
                said(QT_TRANSLATE_NOOP("Cli_Lun90000",
                                       "1 pedido marcado em outra situação não será enviado."));
    else if (others > 1)
        text += QLatin1Char(' ') +
                said(QT_TRANSLATE_NOOP("Cli_Lun90000",
                                       "%1 pedidos marcados em outra situação não serão enviados."))
                    .arg(counted(others));
    if (!operation.refusesAccounted)
        return text;
    // The server would refuse the whole call for one of them.
    const size_t accounted = totals.tickedAccounted(words.situation);
    if (accounted == 1)
        text +=
            QLatin1Char(' ') +
            said(QT_TRANSLATE_NOOP("Cli_Lun90000",
                                   "Atenção: 1 pedido marcado já foi contabilizado e o "
                                   "servidor recusará a operação inteira. Desmarque-o "
                                   "(Operações > Desmarcar contabilizados) e confirme de novo."));
    else if (accounted > 1)
        text +=
            QLatin1Char(' ') +
            said(QT_TRANSLATE_NOOP("Cli_Lun90000",
                                   "Atenção: %1 pedidos marcados já foram contabilizados e o "
                                   "servidor recusará a operação inteira. Desmarque-os "
                                   "(Operações > Desmarcar contabilizados) e confirme de novo."))
                .arg(counted(accounted));
    return text;
}

QString batchDoneDetail(size_t changed) {
    return said(QT_TRANSLATE_NOOP("Cli_Lun90000", "Pedidos alterados: %1.")).arg(counted(changed));
}

}  // namespace confcred::package
