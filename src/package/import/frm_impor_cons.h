// The consumer credit/debit import dialog (unit Cli_Lun90002): sends a
// credit/debit text file to the server, archives it and logs the warnings.
#pragma once

#include "host/frm_padr_import_export.h"

namespace confcred::package {

class TfrmImporCons : public host::TfrmPadrImportExport {
    Q_OBJECT

  public:
    explicit TfrmImporCons(QWidget* parent = nullptr);

    void FormCreate() override;
    void FormClose(host::TCloseAction& action) override;
};

}  // namespace confcred::package
