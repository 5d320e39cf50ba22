#include "cluster/ClusterClient.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace zep {

namespace {

/// What the outcome may take to reach the caller's thread, kept out of the overall time.
constexpr std::chrono::milliseconds outcomeCrossing{50};

/// The node's addresses, looked up on a thread of its own and handed to the worker by a
/// queued call, so that a name server that does not answer never holds the worker's timers.
/// The worker going away closes the mailbox: a lookup that ends later is dropped.
struct Mailbox {
    std::mutex mutex;
    QObject *worker = nullptr; ///< null once the worker is gone
};

struct Addresses {
    std::shared_ptr<addrinfo> list; ///< empty when the name has no address
    int error = 0;                  ///< getaddrinfo's error when it has none
};

cluster::NetError netErrorOf(int error) {
    switch (error) {
    case ECONNREFUSED:
        return cluster::NetError::Refused;
    case ECONNRESET:
    case EPIPE:
        return cluster::NetError::Closed;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
        return cluster::NetError::Unreachable;
    case ETIMEDOUT:
        return cluster::NetError::Timeout;
    default:
        return cluster::NetError::Other;
    }
}

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

/// The client's half on the network thread: one connection per announcement, made with the
/// system's sockets (the program maps no network library at start), fed to a
/// `cluster::Session` together with the two timers.
class ClusterWorker : public QObject {
public:
    ClusterWorker(ClusterTimings timings, std::atomic<qsizetype> &peakKept,
                  std::function<void(const cluster::Outcome &)> report)
        : timings_(timings), peakKept_(peakKept), report_(std::move(report)) {}
    ~ClusterWorker() override {
        {
            const std::lock_guard<std::mutex> lock(mailbox_->mutex);
            mailbox_->worker = nullptr;
        }
        drop();
    }

    /// `asked` runs from the caller's request: the overall time counts from there.
    void start(const ClusterRequest &request, const QElapsedTimer &asked);

private:
    void lookedUp(quint64 attempt, const Addresses &addresses);
    void tryNext(int lastError);
    void connecting();
    void readable();
    void send(const QByteArray &bytes);
    void flush();
    void apply(const cluster::Step &step);
    /// The connection closed at once, with whatever it was still doing.
    void drop();

    ClusterTimings timings_;
    std::atomic<qsizetype> &peakKept_;
    std::function<void(const cluster::Outcome &)> report_;
    std::optional<cluster::Session> session_;
    std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
    quint64 attempt_ = 0; ///< the announcement under way; a lookup of an earlier one is dropped
    std::shared_ptr<addrinfo> addresses_;
    const addrinfo *next_ = nullptr; ///< the address to try if the one being tried fails
    int fd_ = -1;
    bool connected_ = false;
    bool closing_ = false; ///< the goodbye written: what the node still says is read and dropped
    QByteArray unsent_;
    std::unique_ptr<QSocketNotifier> readNotifier_, writeNotifier_;
    QTimer *overall_ = nullptr;
    QTimer *settle_ = nullptr;
    QTimer *linger_ = nullptr;
};

void ClusterWorker::start(const ClusterRequest &request, const QElapsedTimer &asked) {
    if (!overall_) {
        mailbox_->worker = this;
        overall_ = new QTimer(this);
        overall_->setSingleShot(true);
        // A coarse timer may be late by 5 %, half a second on the 10 s promised.
        overall_->setTimerType(Qt::PreciseTimer);
        connect(overall_, &QTimer::timeout, this, [this] { apply(session_->timedOut()); });
        settle_ = new QTimer(this);
        settle_->setSingleShot(true);
        connect(settle_, &QTimer::timeout, this, [this] { apply(session_->quiet()); });
        // A node that never closes after the goodbye is left after a while.
        linger_ = new QTimer(this);
        linger_->setSingleShot(true);
        connect(linger_, &QTimer::timeout, this, [this] { drop(); });
    }
    drop();
    session_.emplace(request.login, request.spot);
    peakKept_ = 0;
    overall_->start(
        std::max(std::chrono::milliseconds(0),
                 timings_.overall - outcomeCrossing - std::chrono::milliseconds(asked.elapsed())));

    const quint64 attempt = ++attempt_;
    std::thread([mailbox = mailbox_, attempt, host = request.host.toUtf8(),
                 port = QByteArray::number(request.port)] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *list = nullptr;
        const int error = ::getaddrinfo(host.constData(), port.constData(), &hints, &list);
        Addresses found{error == 0 ? std::shared_ptr<addrinfo>(list, ::freeaddrinfo) : nullptr,
                        error};
        const std::lock_guard<std::mutex> lock(mailbox->mutex);
        if (mailbox->worker) {
            auto *worker = static_cast<ClusterWorker *>(mailbox->worker);
            QMetaObject::invokeMethod(
                worker, [worker, attempt, found] { worker->lookedUp(attempt, found); },
                Qt::QueuedConnection);
        }
    }).detach();
}

void ClusterWorker::lookedUp(quint64 attempt, const Addresses &addresses) {
    if (attempt != attempt_ || !session_ || session_->finished())
        return;
    if (!addresses.list) {
        apply(session_->failed(cluster::NetError::HostNotFound,
                               QString::fromLocal8Bit(::gai_strerror(addresses.error))));
        return;
    }
    addresses_ = addresses.list;
    next_ = addresses_.get();
    tryNext(ECONNREFUSED);
}

void ClusterWorker::tryNext(int lastError) {
    while (next_) {
        const addrinfo *address = next_;
        next_ = next_->ai_next;
        fd_ = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                       address->ai_protocol);
        if (fd_ < 0) {
            lastError = errno;
            continue;
        }
        if (::connect(fd_, address->ai_addr, address->ai_addrlen) == 0 || errno == EINPROGRESS) {
            writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
            connect(writeNotifier_.get(), &QSocketNotifier::activated, this,
                    [this] { connected_ ? flush() : connecting(); });
            return;
        }
        lastError = errno;
        ::close(fd_);
        fd_ = -1;
    }
    // Every address refused or failed: the cause of the last one.
    apply(session_->failed(netErrorOf(lastError), systemText(lastError)));
}

void ClusterWorker::connecting() {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0) {
        writeNotifier_.reset();
        ::close(fd_);
        fd_ = -1;
        tryNext(error);
        return;
    }
    connected_ = true;
    writeNotifier_->setEnabled(false);
    readNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, [this] { readable(); });
    apply(session_->connected());
    if (session_ && !session_->finished())
        settle_->start(timings_.settle);
}

void ClusterWorker::readable() {
    // At most one chunk at a time: the rest waits in the system (TCP flow control) while the
    // session looks at this one.
    QByteArray bytes(clusterReadChunk, Qt::Uninitialized);
    const ssize_t n = ::recv(fd_, bytes.data(), size_t(bytes.size()), 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (closing_) {
        // After the goodbye: the node's last words are dropped until it closes.
        if (n <= 0)
            drop();
        return;
    }
    if (n == 0) {
        apply(session_->closed());
        return;
    }
    if (n < 0) {
        const int error = errno;
        apply(session_->failed(netErrorOf(error), systemText(error)));
        return;
    }
    bytes.truncate(n);
    if (session_->finished())
        return;
    settle_->start(timings_.settle);
    apply(session_->received(bytes));
    const qsizetype held = bytes.size() + session_->keptLength();
    if (held > peakKept_)
        peakKept_ = held;
}

void ClusterWorker::send(const QByteArray &bytes) {
    unsent_ += bytes;
    flush();
}

void ClusterWorker::flush() {
    while (!unsent_.isEmpty()) {
        const ssize_t n = ::send(fd_, unsent_.constData(), size_t(unsent_.size()), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            // The node went away: its close is read next.
            unsent_.clear();
            break;
        }
        unsent_.remove(0, n);
    }
    writeNotifier_->setEnabled(!unsent_.isEmpty());
    if (unsent_.isEmpty() && closing_)
        ::shutdown(fd_, SHUT_WR);
}

void ClusterWorker::apply(const cluster::Step &step) {
    if (!session_)
        return;
    if (!step.send.isEmpty() && connected_ && !closing_)
        send(step.send);
    if (!step.outcome)
        return;
    overall_->stop();
    settle_->stop();
    // The goodbye just written still goes out before the connection closes.
    if (connected_ && !closing_) {
        closing_ = true;
        flush();
        linger_->start(std::chrono::seconds(5));
    } else {
        drop();
    }
    report_(*step.outcome);
}

void ClusterWorker::drop() {
    readNotifier_.reset();
    writeNotifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    connected_ = closing_ = false;
    unsent_.clear();
    addresses_.reset();
    next_ = nullptr;
    if (linger_)
        linger_->stop();
}

ClusterClient::ClusterClient(ClusterTimings timings, QObject *parent) : QObject(parent) {
    thread_.setObjectName(QStringLiteral("cluster"));
    // The outcome crosses back to this object's thread; a client destroyed meanwhile takes
    // the queued call with it.
    worker_ = new ClusterWorker(timings, peakKept_, [this](const cluster::Outcome &outcome) {
        QMetaObject::invokeMethod(
            this, [this, outcome] { emit finished(outcome.answered, outcome.text); },
            Qt::QueuedConnection);
    });
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

ClusterClient::~ClusterClient() {
    thread_.quit();
    thread_.wait();
}

void ClusterClient::announce(const ClusterRequest &request) {
    ClusterWorker *worker = worker_;
    QElapsedTimer asked;
    asked.start();
    QMetaObject::invokeMethod(
        worker_, [worker, request, asked] { worker->start(request, asked); }, Qt::QueuedConnection);
}

} // namespace zep
