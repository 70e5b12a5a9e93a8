// A small screen package for the host's own tests: the same exports the real
// package has, and one data screen over a few rows.
#include <QApplication>
#include <QLabel>

#include "dataset/record_set.h"
#include "host/core/application.h"
#include "host/core/package_info.h"
#include "host/forms/form_base.h"
#include "host/forms/frm_padrao.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/named_data_set.h"

namespace {

using namespace confcred;

class TfrmAmostra : public host::forms::TfrmPadrao {
  public:
    TfrmAmostra() {
        setObjectName("frmAmostra");
        setWindowTitle("Amostra");
        lblCodTela->setText("AMO001");
        resize(640, 360);
        host::widgets::nameDataSet(this, "cdsAmostra", cdsAmostra);
    }
    void FormCreate() override {
        TfrmPadrao::FormCreate();
        cdsAmostra.addField({"CODIGO", dataset::FieldType::String, 10}).setDisplayLabel("Código");
        cdsAmostra.addField({"NOME", dataset::FieldType::String, 30}).setDisplayLabel("Nome");
        cdsAmostra.createDataSet();
        const char* rows[][2] = {{"3", "Carla"}, {"1", "Ana"}, {"2", "Bruno"}};
        for (const auto& row : rows) {
            cdsAmostra.append();
            cdsAmostra.fieldByName("CODIGO").setAsString(row[0]);
            cdsAmostra.fieldByName("NOME").setAsString(row[1]);
            cdsAmostra.post();
        }
        cdsAmostra.first();
        dtsPadrao.setDataSet(&cdsAmostra);
        dbgPadrao->setDataSource(&dtsPadrao);
        dbgPadrao->OnTitleClick = [this](int column) {
            cdsAmostra.setIndexFieldNames(dbgPadrao->fieldNameAt(column).toStdString());
        };
    }
    void FormClose(host::forms::TCloseAction& action) override {
        TfrmPadrao::FormClose(action);
        action = host::forms::caFree;
        instance = nullptr;
    }
    static inline TfrmAmostra* instance = nullptr;
    dataset::RecordSet cdsAmostra;
};

const PackageUnitInfo kUnits[] = {{"Pkg_Sample", 0}, {"Sample_Unit", 0}};
const char* const kRequired[] = {"confcred_host"};
const PackageInfoTable kInfo = {0, 1, kRequired, 2, kUnits};
int initialized = 0;

}  // namespace

extern "C" {

// Its working folders: two that can be made, one whose parent is missing.
__attribute__((visibility("default"))) extern const char* const PastasTrabalho[];
const char* const PastasTrabalho[] = {R"(C:\Base)", R"(C:\Base\Sub)", R"(C:\Falta\Sub)", nullptr};

__attribute__((visibility("default"))) void Initialize() {
    ++initialized;
}
__attribute__((visibility("default"))) void Finalize() {
    --initialized;
}
__attribute__((visibility("default"))) const PackageInfoTable* GetPackageInfoTable() {
    return &kInfo;
}
__attribute__((visibility("default"))) void IniProc() {
    if (!TfrmAmostra::instance)
        TfrmAmostra::instance = host::forms::createForm<TfrmAmostra>();
    TfrmAmostra::instance->Show();
}
__attribute__((visibility("default"))) const char* GetCreditFilterParams() {
    static std::string text;
    text = "INICIALIZADO = " + std::to_string(initialized) + "\n";
    return text.c_str();
}
}
