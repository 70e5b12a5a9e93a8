// The module's units and what each owns: the screens' instance variables and
// single-instance flags, the creation functions, and the units' load and
// unload sections. The screens' own units define what is declared here.
#pragma once

#include <QPointer>

namespace confcred::package {

class TfrmConfCredBco;
class TfrmFiltroConfCredBco;
class TfrmImporCons;

// The units' flags, exported as data under their unit's name (two units own a
// boIdCriado); the host reads and writes them where they are. Inside the
// package each is reached as its unit's own name (Cli_Lun90000::boIdCriado).
extern "C" {
extern bool Cli_Lun90000_boIdCriado;
extern bool Cli_Lun90000_boCriaFiltro;
extern bool Cli_Lun90002_boIdCriado;
}

namespace Cli_Lun90000 {
// True while a confirmation screen exists; its close handler resets it.
inline bool& boIdCriado = Cli_Lun90000_boIdCriado;
// True once the first activation opened the filter dialog; reset only when
// the module loads.
inline bool& boCriaFiltro = Cli_Lun90000_boCriaFiltro;
void initialization();
void finalization();
}  // namespace Cli_Lun90000

namespace Cli_Lun90002 {
// True while an import dialog exists; its close handler resets it.
inline bool& boIdCriado = Cli_Lun90002_boIdCriado;
void initialization();
}  // namespace Cli_Lun90002

// The current instance of each screen, or null. Guarded pointers: a screen
// freed by its own close leaves no dangling instance behind. Exported under
// their own names, as the credit filter parameters are.
extern "C" {
extern QPointer<TfrmConfCredBco> frmConfCredBco;
extern QPointer<TfrmFiltroConfCredBco> frmFiltroConfCredBco;
extern QPointer<TfrmImporCons> frmImporCons;
}

// Opens the confirmation screen (one instance at a time, shown again when it
// exists).
void CriaConfCredBanc();
// Shows a fresh filter dialog modally; true when the operator confirmed.
bool CriaFiltroConfirmacao();
// Shows the import dialog modally (one instance at a time).
void CriaImportCons();

}  // namespace confcred::package
