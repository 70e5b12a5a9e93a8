#include "support/fake_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <stdexcept>

namespace confcred::testing {

void sendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        data.remove_prefix(static_cast<size_t>(n));
    }
}

void reply(int fd, int status, std::string_view body) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: " +
                       "application/json\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\nConnection: close\r\n\r\n";
    sendAll(fd, head);
    sendAll(fd, body);
}

FakeServer::FakeServer(Responder responder) : responder_(std::move(responder)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 16) != 0)
        throw std::runtime_error("fake server: cannot listen");
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
}

FakeServer::~FakeServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

std::vector<Received> FakeServer::received() {
    std::lock_guard lock(mutex_);
    return received_;
}

void FakeServer::run() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0)
            continue;
        Received r;
        if (readRequest(fd, r)) {
            {
                std::lock_guard lock(mutex_);
                received_.push_back(r);
            }
            if (!responder_(fd, r) && r.path == "/health")
                reply(fd, 200, R"({"status":"ok"})");
        }
        ::close(fd);
    }
}

bool FakeServer::readRequest(int fd, Received& r) {
    std::string data;
    char buf[65536];
    size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        data.append(buf, static_cast<size_t>(n));
        headerEnd = data.find("\r\n\r\n");
    }
    std::string head = data.substr(0, headerEnd);
    const size_t sp1 = head.find(' ');
    const size_t sp2 = head.find(' ', sp1 + 1);
    r.method = head.substr(0, sp1);
    r.path = head.substr(sp1 + 1, sp2 - sp1 - 1);
    for (char& c : head)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    r.headers = head;
    size_t length = 0;
    if (const size_t at = head.find("content-length:"); at != std::string::npos)
        length = std::stoul(head.substr(at + 15));
    r.body = data.substr(headerEnd + 4);
    while (r.body.size() < length) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        r.body.append(buf, static_cast<size_t>(n));
    }
    return true;
}

}  // namespace confcred::testing
