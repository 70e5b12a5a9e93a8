#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

namespace confcred::platform {
namespace fs = std::filesystem;
namespace {

std::string describe(std::string_view winPath, const fs::path& host) {
    return "'" + std::string(winPath) + "' (" + host.string() + ")";
}

[[noreturn]] void fail(int error, std::string_view verb, std::string_view winPath,
                       const fs::path& host) {
    throw IoError(error,
                  "cannot " + std::string(verb) + " " + describe(winPath, host) + ": " +
                      std::system_category().message(error),
                  std::string(winPath));
}

fs::path resolveForIo(std::string_view winPath, std::string_view verb) {
    try {
        return resolvePath(winPath);
    } catch (const PathError& e) {
        throw IoError(
            EINVAL, "cannot " + std::string(verb) + " '" + std::string(winPath) + "': " + e.what(),
            std::string(winPath));
    }
}

std::optional<fs::path> tryResolve(std::string_view winPath) {
    try {
        return resolvePath(winPath);
    } catch (const PathError&) {
        return std::nullopt;
    }
}

class FdGuard {
  public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// Writes all of data, retrying partial writes; the errno of the failure, or 0.
int writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

// Across file systems: copy into a target that must not exist yet, then
// remove the source. Any failure removes the partial copy and keeps the source.
bool copyThenDelete(const fs::path& from, const fs::path& to, const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        return false;
    FdGuard in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return false;
    FdGuard out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
    if (out.get() < 0)
        return false;
    bool ok = true;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (writeAll(out.get(), buf, static_cast<size_t>(n)) != 0) {
            ok = false;
            break;
        }
    }
    ok = ok && ::fsync(out.get()) == 0;
    ok = ::close(out.release()) == 0 && ok;
    ok = ok && ::unlink(from.c_str()) == 0;
    if (!ok)
        ::unlink(to.c_str());
    return ok;
}

void appendLines(std::string_view data, std::string& out) {
    out.reserve(data.size() + data.size() / 16 + 2);
    size_t start = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        out.append(data.substr(start, i - start));
        out += "\r\n";
        if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < data.size()) {
        out.append(data.substr(start));
        out += "\r\n";
    }
}

}  // namespace

bool fileExists(std::string_view path) {
    const auto host = tryResolve(path);
    if (!host)
        return false;
    std::error_code ec;
    const fs::file_status st = fs::status(*host, ec);
    return fs::exists(st) && !fs::is_directory(st);
}

bool directoryExists(std::string_view path) {
    const auto host = tryResolve(path);
    std::error_code ec;
    return host && fs::is_directory(fs::status(*host, ec));
}

bool createDir(std::string_view path) {
    const auto host = tryResolve(path);
    return host && ::mkdir(host->c_str(), 0777) == 0;
}

bool moveFile(std::string_view from, std::string_view to) {
    const auto source = tryResolve(from);
    const auto target = tryResolve(to);
    struct stat st {};
    if (!source || !target || ::lstat(source->c_str(), &st) != 0)
        return false;
    if (::renameat2(AT_FDCWD, source->c_str(), AT_FDCWD, target->c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    const int err = errno;
    if (S_ISDIR(st.st_mode))
        return false;
    if (err == EXDEV)
        return copyThenDelete(*source, *target, st);
    // A file system without RENAME_NOREPLACE: link() also refuses an existing target.
    if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP)
        return false;
    if (::link(source->c_str(), target->c_str()) == 0) {
        if (::unlink(source->c_str()) == 0)
            return true;
        ::unlink(target->c_str());
        return false;
    }
    if (errno == EXDEV || errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK) {
        return copyThenDelete(*source, *target, st);
    }
    return false;
}

std::string loadTextLines(std::string_view path) {
    const fs::path host = resolveForIo(path, "read");
    FdGuard fd(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        fail(errno, "read", path, host);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        fail(errno, "read", path, host);
    if (S_ISDIR(st.st_mode))
        fail(EISDIR, "read", path, host);

    std::string data;
    if (S_ISREG(st.st_mode))
        data.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno, "read", path, host);
        if (n == 0)
            break;
        data.append(buf, static_cast<size_t>(n));
    }
    std::string out;
    appendLines(data, out);
    return out;
}

TextFileWriter::~TextFileWriter() {
    if (fd_ >= 0)
        ::close(fd_);
}

void TextFileWriter::create(std::string_view path) {
    close();
    const fs::path host = resolveForIo(path, "create");
    const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        fail(errno, "create", path, host);
    fd_ = fd;
    winPath_ = path;
    hostPath_ = host.string();
}

void TextFileWriter::writeLine(std::string_view bytes) {
    if (fd_ < 0)
        throw IoError(EBADF, "cannot write a line: no file is open");
    line_.assign(bytes);
    line_ += "\r\n";
    if (const int err = writeAll(fd_, line_.data(), line_.size()); err != 0) {
        fail(err, "write", winPath_, hostPath_);
    }
}

void TextFileWriter::close() {
    if (fd_ < 0)
        return;
    const int fd = std::exchange(fd_, -1);
    // After EINTR the descriptor is already released on Linux; nothing was lost.
    if (::close(fd) != 0 && errno != EINTR)
        fail(errno, "close", winPath_, hostPath_);
}

}  // namespace confcred::platform
