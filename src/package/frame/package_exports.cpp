// The module's exports, as plain C so that the host finds them by name: the
// package information, the load and unload sections, the menu entry and the
// three creation functions. The credit filter parameters, the screens'
// instances and the units' flags are data, exported where they are declared,
// under their own names (credit_filter_params.h, package_units.h).
#include <QString>
#include <string>

#include "host/core/package_info.h"
#include "package/core/credit_filter_params.h"
#include "package/core/import_paths.h"
#include "package/frame/package_units.h"

#define PKG_EXPORT extern "C" __attribute__((visibility("default")))

namespace pkg = confcred::package;

namespace {

// Contained units, in the package's own order.
const PackageUnitInfo kUnits[] = {
    {"Pkg_Lun90000", 0}, {"Cli_Lun90002", 0}, {"SysInit", 0},
    {"Cli_Lun90000", 0}, {"Cli_Lun90001", 0},
};
const char* const kRequired[] = {"confcred_host"};
const PackageInfoTable kInfo = {0, 1, kRequired, 5, kUnits};

}  // namespace

PKG_EXPORT const PackageInfoTable* GetPackageInfoTable() {
    return &kInfo;
}

// Load: the units' initialization sections in the package's unit order
// (Cli_Lun90002, then Cli_Lun90000; Cli_Lun90001 has none).
PKG_EXPORT void Initialize() {
    pkg::Cli_Lun90002::initialization();
    pkg::Cli_Lun90000::initialization();
}

// Unload: the finalization sections in reverse unit order.
PKG_EXPORT void Finalize() {
    pkg::Cli_Lun90000::finalization();
}

PKG_EXPORT void IniProc() {
    pkg::CriaConfCredBanc();
}

PKG_EXPORT void CriaConfCredBanc() {
    pkg::CriaConfCredBanc();
}

PKG_EXPORT bool CriaFiltroConfirmacao() {
    return pkg::CriaFiltroConfirmacao();
}

PKG_EXPORT void CriaImportCons() {
    pkg::CriaImportCons();
}

// The folders the package works in, on the host's drive map, ending with a
// null: the host makes the missing ones at start, so that a fresh
// installation imports at once (the import's archive and log folders).
namespace ci = pkg::credit_import;
PKG_EXPORT const char* const PastasTrabalho[] = {ci::kCreditoFolder.data(), ci::kSiteFolder.data(),
                                                 ci::kImportadosFolder.data(),
                                                 ci::kLogFolder.data(), nullptr};

// The credit filter parameters and flags as UTF-8 "NAME = value" lines; the
// text stays valid until the next call.
PKG_EXPORT const char* GetCreditFilterParams() {
    static std::string text;
    QString lines = pkg::creditFilterParamsText();
    auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    lines += QStringLiteral("Cli_Lun90000.boIdCriado = ") + flag(pkg::Cli_Lun90000::boIdCriado) +
             QStringLiteral("\nCli_Lun90000.boCriaFiltro = ") +
             flag(pkg::Cli_Lun90000::boCriaFiltro) +
             QStringLiteral("\nCli_Lun90002.boIdCriado = ") + flag(pkg::Cli_Lun90002::boIdCriado) +
             QLatin1Char('\n');
    text = lines.toStdString();
    return text.c_str();
}
