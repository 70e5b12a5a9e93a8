// The figures an operation's boxes add under their texts: what the question
// is about to send, and how many orders the notice says were changed.
#pragma once

#include <QString>
#include <cstddef>

namespace confcred::package {

struct BatchOperation;
class OrderTotals;

// "Efetivar crédito: 12 pedidos pendentes marcados, R$ 3.456,00." and, when
// ticked orders of other situations stay behind, "3 pedidos marcados em
// outra situação não serão enviados." From the totals of the list's view,
// which are the orders the operation walks.
QString batchQuestionDetail(const BatchOperation& operation, const OrderTotals& totals);

// "Pedidos alterados: 12."
QString batchDoneDetail(size_t changed);

}  // namespace confcred::package
