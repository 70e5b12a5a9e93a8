#include "platform/win_path.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/assert.h"

namespace confcred::platform {
namespace fs = std::filesystem;
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

char upperDrive(char drive) {
    return drive >= 'a' && drive <= 'z' ? drive - 'a' + 'A' : drive;
}

bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string quoted(std::string_view path) {
    return "'" + std::string(path) + "'";
}

// Windows drops trailing dots and blanks from a name ("lote1.txt. " is "lote1.txt").
std::string_view stripTrailingDotsAndBlanks(std::string_view name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.remove_suffix(1);
    return name;
}

std::optional<fs::path> homeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return fs::path(home);
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return fs::path(found->pw_dir);
    }
    return std::nullopt;
}

// A path split into its root and names, as text, for comparisons.
struct SplitPath {
    std::string root;  // folded drive ("c:"), "\\" for UNC, or empty
    bool rooted = false;
    std::vector<std::string> names;
    bool operator==(const SplitPath&) const = default;
};

SplitPath splitForCompare(std::string_view text) {
    SplitPath out;
    const std::string folded = foldCase(text);
    std::string_view rest = folded;
    if (rest.size() >= 2 && isSeparator(rest[0]) && isSeparator(rest[1])) {
        out.root = "\\\\";
        out.rooted = true;
        rest.remove_prefix(2);
    } else if (rest.size() >= 2 && isDriveLetter(rest[0]) && rest[1] == ':') {
        out.root = rest.substr(0, 2);
        rest.remove_prefix(2);
    }
    if (!rest.empty() && isSeparator(rest.front()))
        out.rooted = true;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = start;
        while (end < rest.size() && !isSeparator(rest[end]))
            ++end;
        std::string_view name = rest.substr(start, end - start);
        if (name == "..") {
            if (!out.names.empty() && out.names.back() != "..") {
                out.names.pop_back();
            } else if (!out.rooted) {
                out.names.emplace_back("..");
            }
        } else if (!name.empty() && name != ".") {
            const std::string_view stripped = stripTrailingDotsAndBlanks(name);
            out.names.emplace_back(stripped.empty() ? name : stripped);
        }
        start = end + 1;
    }
    return out;
}

// The entry of folder whose name matches name without regard to case; the
// first in name order when several do (possible on Linux, not on Windows).
std::optional<std::string> findEntryIgnoringCase(const fs::path& folder, std::string_view name) {
    const std::string wanted = foldCase(name);
    std::optional<std::string> best;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (foldCase(entry) == wanted && (!best || entry < *best))
            best = std::move(entry);
    }
    return best;
}

}  // namespace

DriveMap DriveMap::defaults() {
    DriveMap m;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        m.map('C', fs::path(xdg) / "confcred" / "C");
    } else if (auto home = homeFolder()) {
        m.map('C', *home / ".local" / "share" / "confcred" / "C");
    }
    m.map('Z', "/");
    return m;
}

void DriveMap::map(char drive, fs::path hostFolder) {
    if (!isDriveLetter(drive)) {
        throw std::invalid_argument("not a drive letter: '" + std::string(1, drive) + "'");
    }
    folders_[upperDrive(drive)] = std::move(hostFolder);
}

void DriveMap::unmap(char drive) {
    folders_.erase(upperDrive(drive));
}

std::optional<fs::path> DriveMap::hostFolder(char drive) const {
    auto it = folders_.find(upperDrive(drive));
    if (it == folders_.end())
        return std::nullopt;
    return it->second;
}

DriveMap& driveMap() {
    static DriveMap current = DriveMap::defaults();
    return current;
}

void setDriveMap(DriveMap m) {
    driveMap() = std::move(m);
}

ScopedDriveMap::ScopedDriveMap(DriveMap m) : previous_(std::move(driveMap())) {
    driveMap() = std::move(m);
}

ScopedDriveMap::~ScopedDriveMap() {
    driveMap() = std::move(previous_);
}

fs::path resolvePath(std::string_view winPath, const DriveMap& drives) {
    if (winPath.empty())
        throw PathError("empty path");
    if (winPath.size() >= 2 && isSeparator(winPath[0]) && isSeparator(winPath[1])) {
        throw PathError("network (UNC) paths are not supported: " + quoted(winPath));
    }
    if (winPath.size() < 2 || !isDriveLetter(winPath[0]) || winPath[1] != ':') {
        throw PathError("path without a drive: " + quoted(winPath));
    }
    if (winPath.size() == 2 || !isSeparator(winPath[2])) {
        throw PathError("drive-relative path: " + quoted(winPath));
    }
    const auto host = drives.hostFolder(winPath[0]);
    if (!host) {
        throw PathError("drive " + std::string(1, upperDrive(winPath[0])) +
                        ": is not mapped: " + quoted(winPath));
    }

    std::vector<std::string_view> names;
    size_t start = 3;
    while (start <= winPath.size()) {
        size_t end = start;
        while (end < winPath.size() && !isSeparator(winPath[end]))
            ++end;
        const std::string_view name = winPath.substr(start, end - start);
        start = end + 1;
        for (char c : name) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
                c == '*') {
                throw PathError("invalid character in path: " + quoted(winPath));
            }
        }
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();  // stops at the root, as Windows does
            continue;
        }
        const std::string_view stripped = stripTrailingDotsAndBlanks(name);
        if (stripped.empty())
            throw PathError("invalid name in path: " + quoted(winPath));
        names.push_back(stripped);
    }

    fs::path result = *host;
    bool existing = true;  // once a name is missing, nothing below it exists
    for (std::string_view name : names) {
        if (existing) {
            std::error_code ec;
            const fs::path exact = result / name;
            if (fs::exists(fs::symlink_status(exact, ec))) {
                result = exact;
                continue;
            }
            if (auto match = findEntryIgnoringCase(result, name)) {
                result /= *match;
                continue;
            }
            existing = false;
        }
        result /= name;
    }
    // "." and ".." are gone by now: the path stays inside the drive's folder.
    CONFCRED_ASSERT(std::none_of(names.begin(), names.end(), [](std::string_view n) {
        return n.empty() || n == "." || n == "..";
    }));
    CONFCRED_ASSERT(result.native().starts_with(host->native()));
    return result;
}

std::string extractFileName(std::string_view path) {
    const size_t i = path.find_last_of("\\/:");
    return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string extractFileDir(std::string_view path) {
    const size_t i = path.find_last_of("\\/:");
    if (i == std::string_view::npos)
        return "";
    // Keep the separator of a root ("C:\", "\") so the result stays absolute.
    if (isSeparator(path[i]) && i > 0 && !isSeparator(path[i - 1]) && path[i - 1] != ':') {
        return std::string(path.substr(0, i));
    }
    return std::string(path.substr(0, i + 1));
}

std::string includeTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (!out.empty() && !isSeparator(out.back()))
        out += '\\';
    return out;
}

std::string foldCase(std::string_view utf8) {
    std::string out(utf8);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c + 0x20);
        } else if (i + 1 < out.size()) {
            const auto next = static_cast<unsigned char>(out[i + 1]);
            if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
                // U+00C0..U+00DE (except the multiplication sign) to U+00E0..U+00FE
                out[i + 1] = static_cast<char>(next + 0x20);
                ++i;
            } else if (c == 0xC5 && (next == 0x92 || next == 0xA0 || next == 0xBD)) {
                out[i + 1] = static_cast<char>(next + 1);  // Œ Š Ž to œ š ž
                ++i;
            } else if (c == 0xC5 && next == 0xB8) {
                out[i] = static_cast<char>(0xC3);  // Ÿ to ÿ
                out[i + 1] = static_cast<char>(0xBF);
                ++i;
            }
        }
    }
    return out;
}

bool sameWindowsPath(std::string_view a, std::string_view b) {
    return splitForCompare(a) == splitForCompare(b);
}

bool startsWithPathPrefix(std::string_view path, std::string_view prefix) {
    if (prefix.empty())
        return false;
    const SplitPath p = splitForCompare(path);
    const SplitPath pre = splitForCompare(prefix);
    if (p.root != pre.root || p.rooted != pre.rooted || pre.names.size() > p.names.size()) {
        return false;
    }
    for (size_t i = 0; i < pre.names.size(); ++i) {
        if (p.names[i] != pre.names[i])
            return false;
    }
    return true;
}

}  // namespace confcred::platform
