// What a screen package exports for the host's loader, as plain C so that the
// host finds it with dlsym: the package information record, load and unload
// entries, and the menu entry.
#pragma once

extern "C" {

// One unit the package contains, in the package's own order.
struct PackageUnitInfo {
    const char* name;
    unsigned flags;  // reserved; 0
};

struct PackageInfoTable {
    unsigned flags;  // reserved; 0
    int requiredCount;
    const char* const* required;  // packages this one needs loaded first
    int containsCount;
    const PackageUnitInfo* contains;
};

using PackageEntry = void (*)();
using PackageInfoEntry = const PackageInfoTable* (*)();
}

namespace confcred::host::core {

// The symbol names the loader looks up.
inline constexpr const char* kInitializeEntry = "Initialize";
inline constexpr const char* kFinalizeEntry = "Finalize";
inline constexpr const char* kPackageInfoEntry = "GetPackageInfoTable";

}  // namespace confcred::host::core
