#include "package/core/batch_operation.h"

#include <QCoreApplication>

#include "dataset/record_set.h"
#include "package/core/server_names.h"

namespace confcred::package {

const BatchOperation& efetivaCredito() {
    static const BatchOperation op{"N",
                                   false,
                                   kSetEfetivaSaldo,
                                   std::nullopt,
                                   QStringLiteral("Dev_Sel_Pend_Efet"),
                                   QT_TRANSLATE_NOOP("Cli_Lun90000", "Efetivar crédito")};
    return op;
}

const BatchOperation& desfazCredito() {
    static const BatchOperation op{"S",
                                   true,
                                   kSetCancelaCredito,
                                   std::nullopt,
                                   QStringLiteral("Dev_Sel_Efet"),
                                   QT_TRANSLATE_NOOP("Cli_Lun90000", "Desfazer crédito"),
                                   true};
    return op;
}

const BatchOperation& cancelaPedido() {
    static const BatchOperation op{"N",
                                   false,
                                   kSetSituacao,
                                   QStringLiteral("C"),
                                   QStringLiteral("Dev_Sel_Pend_Canc"),
                                   QT_TRANSLATE_NOOP("Cli_Lun90000", "Cancelar pedido"),
                                   true};
    return op;
}

const BatchOperation& desfazCancelamento() {
    static const BatchOperation op{"C",
                                   false,
                                   kSetSituacao,
                                   QStringLiteral("N"),
                                   QStringLiteral("Dev_Sel_Canc"),
                                   QT_TRANSLATE_NOOP("Cli_Lun90000", "Desfazer cancelamento")};
    return op;
}

size_t collectSelected(dataset::RecordSet& orders, dataset::RecordSet& selected,
                       const BatchOperation& operation) {
    dataset::Field& check = orders.fieldByName("IDCHECK");
    dataset::Field& situation = orders.fieldByName("IDPEDCREEXTR");
    dataset::Field& number = orders.fieldByName("NRPEDCRECONS");
    dataset::Field& client = orders.fieldByName("CDCLIENTE");
    dataset::Field& consumer = orders.fieldByName("CDCONSUMIDOR");
    dataset::Field& when = orders.fieldByName("DTPEDCRECONS");
    dataset::Field& rowNumber = selected.fieldByName("NRPEDCRECONS");
    dataset::Field& rowClient = selected.fieldByName("CDCLIENTE");
    dataset::Field& rowConsumer = selected.fieldByName("CDCONSUMIDOR");
    dataset::Field& rowWhen = selected.fieldByName("DTPEDCRECONS");

    size_t taken = 0;
    if (!orders.active())
        return taken;
    orders.first();
    while (!orders.eof()) {
        if (check.asString() == "S" && situation.asString() == operation.situation) {
            selected.insert();
            rowNumber.setAsString(number.asString());
            rowClient.setAsString(client.asString());
            rowConsumer.setAsString(consumer.asString());
            if (operation.withDate)
                rowWhen.setAsDateTime(when.asDateTime());
            selected.post();
            ++taken;
        }
        orders.next();
    }
    return taken;
}

}  // namespace confcred::package
