// Fetching the confirmation screen's lists again, without the screen: the
// orders (getPEDCREDCONS) and their per-family breakdown (getPEDICREDFAMI)
// under the credit filter parameters in force, then one load of what came.
#pragma once

#include "package/core/run_screen.h"

namespace confcred::dataset {
class RecordSet;
}
namespace confcred::host::client {
class TNetConnection;
}

namespace confcred::package {

struct ListReload {
    host::client::TNetConnection& connection;
    dataset::RecordSet& orders;    // cdsGetPediCreCons
    dataset::RecordSet& families;  // cdsPediCredFami
    RunScreen& screen;             // told of a refused or failed call
};

// Calls for both lists, then loads them, each decoded apart while the window
// keeps painting and replaced at once when ready. A refused order call
// changes nothing and the family list is not asked for. When the family call
// fails, the new orders are loaded all the same and the families stay as
// they were. Either failure goes to the screen's report, which stops the
// handler; true when both lists were loaded.
bool runListReload(ListReload& run);

}  // namespace confcred::package
