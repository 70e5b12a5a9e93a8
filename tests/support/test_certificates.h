#pragma once
// A throw-away certificate authority and a server certificate it signed, for
// "localhost" and 127.0.0.1, made with the openssl command in a temporary
// folder when a test needs them and removed with it. No key is ever kept.

#include <filesystem>
#include <memory>

namespace confcred::testing {

class TempDir;

class TestCertificates {
  public:
    // Throws std::runtime_error with openssl's output when it cannot make them.
    TestCertificates();
    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    const std::filesystem::path& caFile() const { return ca_; }      // the authority (PEM)
    const std::filesystem::path& certFile() const { return cert_; }  // the server's chain
    const std::filesystem::path& keyFile() const { return key_; }    // the server's key
    // Another authority that signed nothing here: a client trusting only it
    // must refuse the server.
    const std::filesystem::path& strangerCaFile() const { return strangerCa_; }

  private:
    std::unique_ptr<TempDir> dir_;
    std::filesystem::path ca_, cert_, key_, strangerCa_;
};

}  // namespace confcred::testing
