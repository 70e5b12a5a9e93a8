// The TLS side of the endpoint: the server's certificate chain and key, read
// from files, with TLS 1.2 or later, forward-secret AEAD ciphers only and no
// compression or renegotiation.
#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> itself.
#include <utility>

#include <boost/asio/ssl/context.hpp>
#include <string>

namespace confcred::server::http {

// Throws std::runtime_error naming the file that could not be used and why.
boost::asio::ssl::context makeServerTlsContext(const std::string& certFile,
                                               const std::string& keyFile);

}  // namespace confcred::server::http
