#pragma once

// A hostile DX cluster node on 127.0.0.1, on a thread of its own (so that the thread under
// test never pays for the flood): it asks for the login, shows its prompt, reads the DX line
// and then floods the connection, with endless short lines or with bytes that never end a
// line (or floods short lines right after the login, in place of its prompt), until it has sent
// what it was told, the peer hangs up, or it is destroyed.

#include <QtGlobal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

namespace zep::testing {

class FloodingNode {
public:
    enum class Flood { ShortLines, NoLineEnd, LinesInsteadOfPrompt };

    /// Floods with at most `total` bytes (then keeps the connection open and silent).
    FloodingNode(Flood flood, qint64 total) : flood_(flood), total_(total) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 ||
            ::bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }

    ~FloodingNode() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (listener_ >= 0)
            ::close(listener_);
    }

    FloodingNode(const FloodingNode &) = delete;
    FloodingNode &operator=(const FloodingNode &) = delete;

    /// 0 when no port could be taken.
    quint16 port() const { return port_; }
    /// The bytes of the flood sent so far (the login exchange not counted).
    qint64 flooded() const { return flooded_; }
    /// The node read the DX line and began its flood.
    bool flooding() const { return flooding_; }

private:
    /// Waits for `events` on `fd` in slices, so that the destructor is never kept waiting.
    bool wait(int fd, short events) const {
        while (!stop_) {
            pollfd p{fd, events, 0};
            const int n = ::poll(&p, 1, 20);
            if (n > 0)
                return true;
            if (n < 0 && errno != EINTR)
                return false;
        }
        return false;
    }

    /// Sends the whole of `bytes`; the flood's bytes are counted as they go.
    bool sendAll(int fd, const char *bytes, size_t size, bool flood = false) {
        while (size > 0) {
            if (!wait(fd, POLLOUT))
                return false;
            const ssize_t n = ::send(fd, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0)
                return false;
            bytes += n;
            size -= size_t(n);
            if (flood)
                flooded_ += n;
        }
        return true;
    }

    /// Reads up to the next line end.
    bool readLine(int fd) {
        char c = 0;
        while (c != '\n') {
            if (!wait(fd, POLLIN) || ::recv(fd, &c, 1, 0) != 1)
                return false;
        }
        return true;
    }

    void run() {
        if (!wait(listener_, POLLIN))
            return;
        const int peer = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0)
            return;
        static const char login[] = "Welcome to the flooding node\r\nlogin: ";
        static const char prompt[] = "F4XYZ de FLOOD 7-Dec-2026 1407Z node >";
        if (sendAll(peer, login, sizeof login - 1) && readLine(peer) &&
            (flood_ == Flood::LinesInsteadOfPrompt ||
             (sendAll(peer, prompt, sizeof prompt - 1) && readLine(peer)))) {
            flooding_ = true;
            std::string chunk;
            while (chunk.size() < 64 * 1024)
                chunk += flood_ == Flood::NoLineEnd ? "xxxx" : "73\r\n";
            while (flooded_ < total_ && !stop_) {
                const size_t size = size_t(qMin<qint64>(qint64(chunk.size()), total_ - flooded_));
                if (!sendAll(peer, chunk.data(), size, true))
                    break;
            }
            // The flood sent: silent, the connection kept open, until the end.
            while (!stop_)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::close(peer);
    }

    const Flood flood_;
    const qint64 total_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> flooding_{false};
    std::atomic<qint64> flooded_{0};
    std::thread thread_;
};

} // namespace zep::testing
