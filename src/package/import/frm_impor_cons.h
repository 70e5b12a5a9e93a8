// The consumer credit/debit import dialog (unit Cli_Lun90002): sends a
// credit/debit text file to the server, archives it and logs the warnings.
#pragma once

#include <string>

#include "dataset/record_set.h"
#include "host/client/net_connection.h"
#include "host/core/ui_service.h"
#include "host/forms/frm_padr_import_export.h"
#include "package/core/import_run.h"
#include "package/core/run_screen.h"

class QLabel;
class QLineEdit;

namespace confcred::host::widgets {
class TBtnPesquisa;
}

namespace confcred::package {

class TfrmImporCons : public host::forms::TfrmPadrImportExport, private RunScreen {
    Q_OBJECT

  public:
    explicit TfrmImporCons(QWidget* parent = nullptr);
    ~TfrmImporCons() override;

  private:
    // Components, named as in the dialog's layout; each widget, connection
    // and record set is reachable by its name under the dialog.
    QLineEdit* medArquivo;
    host::widgets::TBtnPesquisa* btnArquivo;
    // The file chooser's settings (it is shown through the UI service).
    host::core::FileRequest opdArquivo;
    host::client::TNetConnection* netImportCons;
    dataset::RecordSet cdsArquivo{"cdsArquivo"};
    dataset::RecordSet cdsResultado{"cdsResultado"};
    // The file's text from loading to packing. Never shown, so it is kept as
    // text rather than in a hidden editor that would lay out every line.
    std::string memArquivo;
    QLabel* lblArquivo;
    // True while a run is going on; the dialog starts no other run then.
    bool running_ = false;

    // Handlers.
    void FormCreate() override;
    void FormClose(host::forms::TCloseAction& action) override;
    // Return starts the import once the path names a file (not only its
    // folder); before that it opens the chooser.
    void keyPressEvent(QKeyEvent* event) override;
    void btnArquivoClick();
    void sbtImportExportClick() override;
    void netImportConsBeforeConnect();
    // Writes the warning log from every row of cdsResultado.
    void logCons();

    // After a completed run: its closing message, the reports that follow
    // it, and the close.
    void finishRun(const credit_import::ImportOutcome& outcome);
    // The closing message of a run whose warnings went to the log, with the
    // button that opens the log in the desktop's viewer.
    void showLogWritten(const credit_import::ImportOutcome& outcome);
    // "Pedidos criados: N." when the server told how many; empty otherwise.
    static QString createdText(const credit_import::ImportOutcome& outcome);
    QStringList warningLines();
    void showWarning(const QString& text);

    // The dialog's part in the run: the question captioned with the
    // application's title, the chooser over the dialog, the busy animation
    // over the main window; a missing file puts the cursor back on its name.
    int ask(host::core::BoxRequest box) override;
    std::optional<QString> ask(host::core::FileRequest request) override;
    void report(const RunFailure& failure) override;
    void busy(bool on) override;
};

}  // namespace confcred::package
