// The four batch operations of the confirmation screen differ only in the
// values below; one shared sequence runs them. Gathering the ticked orders
// into the packet of selected orders is plain record-set work, kept apart
// from the screen so that it can be measured and tested alone.
#pragma once

#include <QString>
#include <optional>

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::package {

struct BatchOperation {
    const char* situation;                // IDPEDCREEXTR of the orders taken
    bool withDate;                        // also copies DTPEDCRECONS (undo credit)
    QString method;                       // server method
    std::optional<QString> newSituation;  // second argument of setSituacao
    QString nothingSelectedKey;           // message key when no order qualifies
    const char* title;                    // its name in the question (context Cli_Lun90000)
    // The server refuses the whole call when one of its orders is accounted
    // (IDPEDCRECONT "S"): undoing a credit and cancelling an order.
    bool refusesAccounted = false;
};

const BatchOperation& efetivaCredito();
const BatchOperation& desfazCredito();
const BatchOperation& cancelaPedido();
const BatchOperation& desfazCancelamento();

// Walks `orders` from its first record to past its last in the current sort
// order and inserts into `selected` one row per order ticked "S" whose
// situation is exactly the operation's: order number, client and consumer
// codes (and the order's date-time for undo credit). `selected` must be open
// and empty; nothing else is written. Returns the number of rows taken.
size_t collectSelected(dataset::RecordSet& orders, dataset::RecordSet& selected,
                       const BatchOperation& operation);

}  // namespace confcred::package
