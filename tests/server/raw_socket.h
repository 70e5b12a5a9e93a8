#pragma once
// A plain client socket on loopback, for what a well-behaved client never
// does: heads without bodies, bytes one at a time, connections held open,
// from a chosen source address (Linux routes all of 127.0.0.0/8 to loopback).

// Boost 1.74's Asio uses std::exchange without including <utility> itself.
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <boost/beast/http.hpp>
#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/server_process.h"

namespace confcred::testing {

struct RawReply : HttpReply {
    std::string retryAfter;
};

class RawSocket {
  public:
    explicit RawSocket(std::uint16_t port, const char* from = nullptr) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        if (from != nullptr) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            inet_pton(AF_INET, from, &local.sin_addr);
            if (bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
                ::close(fd_);
                throw std::runtime_error(std::string("cannot bind to ") + from);
            }
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd_);
            throw std::runtime_error("connect failed");
        }
    }
    ~RawSocket() { close(); }
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;

    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // The next answer; status 0 when the connection ended or time ran out first.
    RawReply read(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        namespace http = boost::beast::http;
        http::response_parser<http::string_body> parser;
        parser.eager(true);
        parser.body_limit(boost::none);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (!pending_.empty()) {
                boost::beast::error_code ec;
                const std::size_t used =
                    parser.put(boost::asio::buffer(pending_.data(), pending_.size()), ec);
                pending_.erase(0, used);
                if (parser.is_done()) {
                    RawReply reply;
                    reply.status = parser.get().result_int();
                    reply.body = parser.get().body();
                    reply.retryAfter = std::string(parser.get()[http::field::retry_after]);
                    return reply;
                }
                if (ec && ec != http::error::need_more)
                    return {};
                if (used > 0 && !pending_.empty())
                    continue;
            }
            if (!receive(deadline))
                return {};
        }
    }

    // The raw bytes that arrive until the server closes or `timeout` passes.
    std::string readAll(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!eof_ && std::chrono::steady_clock::now() < deadline)
            receive(std::min(deadline,
                             std::chrono::steady_clock::now() + std::chrono::milliseconds(50)));
        return std::exchange(pending_, std::string());
    }

    // True when the server closes the connection within `timeout`.
    bool closedWithin(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (receive(deadline)) {
        }
        return eof_;
    }

    void close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    bool receive(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char chunk[65536];
        const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            eof_ = true;
            return false;
        }
        pending_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    int fd_ = -1;
    std::string pending_;
    bool eof_ = false;
};

}  // namespace confcred::testing
