#pragma once
// Windows-style paths ("C:\Credito\Site\lote1.txt") on Linux. Each drive letter
// maps to a host folder; names resolve without regard to case, as on Windows.

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace confcred::platform {

// A path the system cannot use: malformed, relative, or on an unmapped drive.
class PathError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class DriveMap {
  public:
    // C: under the user's data folder ($XDG_DATA_HOME/confcred/C, else
    // $HOME/.local/share/confcred/C) and Z: on "/". The folders are not created.
    static DriveMap defaults();

    // The letter is taken without regard to case; anything but A-Z is
    // std::invalid_argument.
    void map(char drive, std::filesystem::path hostFolder);
    void unmap(char drive);
    std::optional<std::filesystem::path> hostFolder(char drive) const;

  private:
    std::map<char, std::filesystem::path> folders_;  // by upper-case letter
};

// The process-wide map, DriveMap::defaults() until set. Not synchronised: set
// it at start-up or in a test.
DriveMap& driveMap();
void setDriveMap(DriveMap m);

// Installs a map for the lifetime of the scope and then restores the one before.
class ScopedDriveMap {
  public:
    explicit ScopedDriveMap(DriveMap m);
    ~ScopedDriveMap();
    ScopedDriveMap(const ScopedDriveMap&) = delete;
    ScopedDriveMap& operator=(const ScopedDriveMap&) = delete;

  private:
    DriveMap previous_;
};

// The host path of an absolute Windows path "X:\a\b" ('\' or '/' between
// names). Throws PathError for an empty, relative, drive-relative ("C:a") or
// UNC path, an unmapped drive, and a name with a character Windows forbids
// (<>:"|?* and control characters) or made only of dots and blanks (other
// than "." and ".."). Trailing dots and blanks of a name are dropped, as
// Windows does. "." is dropped and ".." goes up but stops at the drive root,
// so the result never leaves the drive's host folder. Each name takes the
// spelling of an existing entry that matches it without regard to case
// (an exact match first); names not found stay as given.
std::filesystem::path resolvePath(std::string_view winPath, const DriveMap& drives = driveMap());

// Pure text helpers; '\' and '/' both separate names.
// The name after the last separator or drive colon.
std::string extractFileName(std::string_view path);
// Everything before the last name, without its trailing separator except at a
// root ("C:\a.txt" -> "C:\", "C:\x\a.txt" -> "C:\x").
std::string extractFileDir(std::string_view path);
// Adds '\' unless the path already ends with a separator; empty stays empty.
std::string includeTrailingBackslash(std::string_view path);

// Windows' comparison of names: ASCII and the Windows-1252 accented letters
// in UTF-8 compare without regard to case. Other text is compared as is.
std::string foldCase(std::string_view utf8);

// Whether two paths name the same thing: case folded, either separator,
// repeated separators, "." and ".." taken out.
bool sameWindowsPath(std::string_view a, std::string_view b);
// Whether path lies at or under the folder prefix, compared as in
// sameWindowsPath and whole names only: "C:\Site" is not a prefix of
// "C:\SiteX\a", and "C:\Site\..\Windows" is not under "C:\Site".
bool startsWithPathPrefix(std::string_view path, std::string_view prefix);

}  // namespace confcred::platform
