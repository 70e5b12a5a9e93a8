#include "server/http/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <stdexcept>

namespace confcred::server::http {

namespace ssl = boost::asio::ssl;

namespace {

[[noreturn]] void failed(const std::string& what, const std::string& file) {
    std::string reason;
    if (const unsigned long code = ERR_peek_last_error(); code != 0) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        reason = std::string(": ") + text;
    }
    ERR_clear_error();
    throw std::runtime_error(what + " " + file + reason);
}

}  // namespace

ssl::context makeServerTlsContext(const std::string& certFile, const std::string& keyFile) {
    ssl::context context(ssl::context::tls_server);
    context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                        ssl::context::no_sslv3 | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 |
                        ssl::context::no_compression | ssl::context::single_dh_use);
    SSL_CTX* native = context.native_handle();
    SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
    SSL_CTX_set_options(native, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
    // TLS 1.2 suites; TLS 1.3 has only AEAD suites with forward secrecy anyway.
    if (SSL_CTX_set_cipher_list(native, "ECDHE+AESGCM:ECDHE+CHACHA20:DHE+AESGCM:DHE+CHACHA20") != 1)
        failed("não foi possível escolher as cifras TLS para", certFile);
    if (SSL_CTX_use_certificate_chain_file(native, certFile.c_str()) != 1)
        failed("não foi possível ler o certificado TLS", certFile);
    if (SSL_CTX_use_PrivateKey_file(native, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        failed("não foi possível ler a chave TLS", keyFile);
    if (SSL_CTX_check_private_key(native) != 1)
        failed("a chave TLS não corresponde ao certificado", certFile);
    return context;
}

}  // namespace confcred::server::http
