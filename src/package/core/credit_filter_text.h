// The confirmation screen's filter in words, as the operator set it in the
// filter dialog: "Cliente: 12 - ACME; Consumidor/Resp.: Todos; Período:
// 01/11/2026 até 30/11/2026; Situação: Pendente; Contabilizado: Não". The
// printout carries it. The parameters hold only the codes of the chosen
// clients and consumers, so the dialog names its selections as they are made.
#pragma once

#include <QString>

namespace confcred::package {

// The words for a picker selection of clients or consumers ("12 - ACME,
// 13 - BETA"); used while the filter's selection is that one.
void nameClientSelection(const QString& selection, const QString& words);
void nameConsumerSelection(const QString& selection, const QString& words);

// A client or consumer selection in words, as the filter text names it
// ("Todos" for "T").
QString clientSelectionText(const QString& selection);
QString consumerSelectionText(const QString& selection);

// The credit filter parameters in words, each part "Title: value", "; "
// between them; the order number and description only when given.
QString creditFilterText();

}  // namespace confcred::package
