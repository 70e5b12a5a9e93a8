#include "load_clients.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace confcred::bench {

namespace {

using Clock = std::chrono::steady_clock;

// A non-blocking socket from `from`, connecting to 127.0.0.1:port; -1 when
// the system refuses one.
int openFrom(std::uint16_t port, const char* from) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The port is chosen at connect, for this server's address only. A bind
    // to port 0 would search the whole ephemeral range past every socket
    // still in TIME_WAIT: after some ten thousand calls that search alone
    // took milliseconds, and the client's own wait was counted as the
    // server's.
    const int one = 1;
    setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &one, sizeof one);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        (connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0 &&
         errno != EINPROGRESS)) {
        close(fd);
        return -1;
    }
    return fd;
}

int millisLeft(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

bool waitFor(int fd, short events, Clock::time_point until) {
    pollfd p{fd, events, 0};
    return poll(&p, 1, millisLeft(until)) > 0 && (p.revents & (events | POLLHUP | POLLERR));
}

// Sends the request and reads the whole answer; its status, 0 for none.
int exchange(int fd, const std::string& request, Clock::time_point until) {
    std::size_t sent = 0;
    while (sent < request.size()) {
        if (!waitFor(fd, POLLOUT, until))
            return 0;
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN)
            return 0;
        if (n > 0)
            sent += static_cast<std::size_t>(n);
    }
    std::string answer;
    std::size_t headEnd = std::string::npos, total = std::string::npos;
    char chunk[16384];
    while (total == std::string::npos || answer.size() < total) {
        if (!waitFor(fd, POLLIN, until))
            return 0;
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN))
            return 0;
        if (n > 0)
            answer.append(chunk, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos &&
            (headEnd = answer.find("\r\n\r\n")) != std::string::npos) {
            std::string head = answer.substr(0, headEnd);
            std::transform(head.begin(), head.end(), head.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            const auto at = head.find("content-length:");
            total =
                headEnd + 4 +
                (at == std::string::npos ? 0 : std::strtoull(head.c_str() + at + 15, nullptr, 10));
        }
    }
    return answer.size() > 12 ? std::atoi(answer.c_str() + 9) : 0;
}

}  // namespace

double Latencies::percentile(double p) const {
    if (seconds.empty())
        return 0;
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

std::string callRequest(const std::string& method, const std::string& body) {
    return "POST /lun90000.rdmConfCredBanc/" + method +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
           "Connection: close\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

Latencies timeCalls(std::uint16_t port, const char* from, const std::string& request, int calls,
                    std::chrono::milliseconds timeout, const std::function<bool()>& more,
                    std::chrono::microseconds pace) {
    Latencies out;
    auto next = Clock::now();
    for (int i = 0; i < calls && (!more || more()); ++i) {
        std::this_thread::sleep_until(next);
        const auto start = Clock::now();
        next = start + pace;
        const auto until = start + timeout;
        int status = 0;
        if (const int fd = openFrom(port, from); fd >= 0) {
            const int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            status = exchange(fd, request, until);
            close(fd);
        }
        if (status != 200) {
            ++out.failed;
            // A refused connection comes back at once; it counts as long as
            // the client would have waited.
            out.seconds.push_back(std::chrono::duration<double>(timeout).count());
        } else {
            out.seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
    }
    return out;
}

IdleHog::IdleHog(std::uint16_t port, const char* from, int count) {
    for (int i = 0; i < count; ++i) {
        const int fd = openFrom(port, from);
        if (fd < 0)
            break;
        fds_.push_back(fd);
    }
}

IdleHog::~IdleHog() {
    for (int fd : fds_)
        close(fd);
}

SlowHeaders::SlowHeaders(std::uint16_t port, std::vector<std::string> addresses, int perAddress,
                         std::chrono::milliseconds interval)
    : thread_([this, port, addresses = std::move(addresses), perAddress, interval] {
          run(port, addresses, perAddress, interval);
      }) {}

SlowHeaders::~SlowHeaders() {
    stop_ = true;
    thread_.join();
}

void SlowHeaders::run(std::uint16_t port, std::vector<std::string> addresses, int perAddress,
                      std::chrono::milliseconds interval) {
    // A head that never ends: the request line, then header after header.
    std::string head = "POST /lun90000.rdmConfCredBanc/getConsumidor HTTP/1.1\r\nHost: x\r\n";
    while (head.size() < 4096)
        head += "X-Still-Typing: " + std::to_string(head.size()) + "\r\n";
    struct Sender {
        int fd;
        std::size_t at;
        const char* from;
    };
    std::vector<Sender> senders;
    for (const auto& address : addresses)
        for (int i = 0; i < perAddress; ++i)
            senders.push_back({openFrom(port, address.c_str()), 0, address.c_str()});
    while (!stop_) {
        const auto next = Clock::now() + interval;
        for (Sender& s : senders) {
            if (s.fd >= 0 && send(s.fd, &head[s.at % head.size()], 1, MSG_NOSIGNAL) == 1) {
                ++s.at;
                ++bytes_;
                continue;
            }
            if (s.fd >= 0 && errno == EAGAIN)
                continue;
            if (s.fd >= 0)
                close(s.fd);
            s = {openFrom(port, s.from), 0, s.from};
            ++reopened_;
        }
        std::this_thread::sleep_until(next);
    }
    for (Sender& s : senders)
        if (s.fd >= 0)
            close(s.fd);
}

FloodResult floodBodies(std::uint16_t port, const std::string& head, int clients,
                        std::size_t bodyBytes, std::chrono::milliseconds limit) {
    struct Client {
        int fd;
        std::size_t headSent = 0, bodySent = 0;
        bool done = false, answered = false;
    };
    const std::string piece(std::size_t{1} << 20, ' ');
    FloodResult result;
    std::vector<Client> all;
    for (int i = 0; i < clients; ++i)
        all.push_back({openFrom(port, "127.0.0.1")});
    const auto until = Clock::now() + limit;
    char sink[4096];
    for (;;) {
        std::vector<pollfd> polls;
        for (const Client& c : all)
            if (!c.done && c.fd >= 0)
                polls.push_back({c.fd, POLLOUT | POLLIN, 0});
        if (polls.empty() || Clock::now() >= until)
            break;
        poll(polls.data(), polls.size(), 10);
        result.peakResidentBytes = std::max(result.peakResidentBytes, residentBytes());
        for (Client& c : all) {
            if (c.done || c.fd < 0)
                continue;
            // The answer (401) does not stop this client: it goes on sending
            // until the server closes the connection.
            if (recv(c.fd, sink, sizeof sink, MSG_DONTWAIT) > 0 && !c.answered) {
                c.answered = true;
                ++result.answered;
            }
            ssize_t n;
            if (c.headSent < head.size()) {
                n = send(c.fd, head.data() + c.headSent, head.size() - c.headSent,
                         MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0)
                    c.headSent += static_cast<std::size_t>(n);
            } else {
                n = send(c.fd, piece.data(), std::min(piece.size(), bodyBytes - c.bodySent),
                         MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0) {
                    c.bodySent += static_cast<std::size_t>(n);
                    result.bytesSent += static_cast<std::size_t>(n);
                }
            }
            if ((n < 0 && errno != EAGAIN) || c.bodySent >= bodyBytes)
                c.done = true;
        }
    }
    for (const Client& c : all)
        if (c.fd >= 0)
            close(c.fd);
    return result;
}

std::size_t residentBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    unsigned long size = 0, resident = 0;
    const int read = std::fscanf(statm, "%lu %lu", &size, &resident);
    std::fclose(statm);
    return read == 2 ? resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

}  // namespace confcred::bench
