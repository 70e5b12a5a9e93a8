#include "support/test_certificates.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "support/temp_dir.h"

namespace confcred::testing {

namespace {

void run(const std::filesystem::path& dir, const std::string& command) {
    const std::string line = "cd '" + dir.string() + "' && " + command + " 2>&1";
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run openssl");
    std::string output;
    char chunk[512];
    while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe))
        output.append(chunk, n);
    if (pclose(pipe) != 0)
        throw std::runtime_error("openssl failed: " + command + "\n" + output);
}

void makeAuthority(const std::filesystem::path& dir, const std::string& name) {
    run(dir,
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
        " -keyout " +
            name + ".key -out " + name + ".pem -subj '/CN=confcred " + name + "'");
}

}  // namespace

TestCertificates::TestCertificates() : dir_(std::make_unique<TempDir>()) {
    const auto& dir = dir_->path();
    makeAuthority(dir, "ca");
    makeAuthority(dir, "stranger");
    dir_->write("server.ext",
                "subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature\nextendedKeyUsage=serverAuth\n");
    run(dir,
        "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
        " -keyout server.key -out server.csr -subj /CN=localhost");
    run(dir,
        "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2"
        " -extfile server.ext -out server.pem");
    ca_ = dir / "ca.pem";
    cert_ = dir / "server.pem";
    key_ = dir / "server.key";
    strangerCa_ = dir / "stranger.pem";
}

TestCertificates::~TestCertificates() = default;

}  // namespace confcred::testing
