#include "server/ops/secret_files.h"

#include <sys/stat.h>

#include <cstdio>

#include "server/ops/server_options.h"

namespace confcred::server::ops {

namespace {

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

void checkSecretFileMode(const std::string& path, const std::string& what) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    if (info.st_mode & (S_IROTH | S_IWOTH))
        throw OptionsError(what + ": " + path + " may be read or changed by anyone (mode " +
                           octal(info.st_mode) +
                           "); make it readable by its owner only: chmod 600 " + path);
    if (info.st_mode & (S_IRGRP | S_IWGRP))
        std::fprintf(stderr,
                     "confcred-server: warning: %s: %s may be read by its group (mode %s); "
                     "chmod 600 unless that group is meant to (such as ssl-cert)\n",
                     what.c_str(), path.c_str(), octal(info.st_mode).c_str());
}

void checkConfigFileMode(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        throw OptionsError("--config: " + path + " may be changed by others than its owner (mode " +
                           octal(info.st_mode) + "); chmod go-w " + path);
}

}  // namespace confcred::server::ops
