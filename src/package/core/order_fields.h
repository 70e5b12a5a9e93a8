// The record layouts of the confirmation screen and the display texts of its
// coded and value fields.
#pragma once

#include <QString>
#include <string>

namespace confcred::dataset {
class Field;
class RecordSet;
}  // namespace confcred::dataset
namespace confcred::host::core {
class TMessages;
}

namespace confcred::package {

// The order list: thirteen fields in the declared order, labels as the grid
// shows them, IDCHECK with its declared default "N" and the only one that
// takes a value (the others are read-only).
void declareOrderFields(dataset::RecordSet& orders);
// The family list: four fields, NRPEDCRECONS hidden, all read-only.
void declareFamilyFields(dataset::RecordSet& families);
// The packet of selected orders: the order list's fields less NRBOLETO.
void declareSelectedFields(dataset::RecordSet& selected);

// Display texts, derived from the stored value; looked up in the screen's
// message table at each call.
// "S" Efetivado, "N" Pendente, "C" Cancelado; anything else no text.
QString situacaoText(const std::string& value, const host::core::TMessages& messages);
// "S" Sim; anything else Não.
QString contabilText(const std::string& value, const host::core::TMessages& messages);

// Pattern "0.00" with the regional decimal separator; an empty value is zero.
std::string valorText(const dataset::Field& field);

}  // namespace confcred::package
