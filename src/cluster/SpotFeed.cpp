#include "cluster/SpotFeed.h"

#include "core/station/ClusterFeed.h"

#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
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

/// The node's addresses, looked up on a thread of its own so that a name server that does not
/// answer never holds the worker; a lookup that ends after the worker is gone is dropped.
struct Mailbox {
    std::mutex mutex;
    QObject *worker = nullptr;
};

QString causeOf(int error) {
    switch (error) {
    case ECONNREFUSED:
        return cluster::causeText(cluster::NetError::Refused);
    case ECONNRESET:
    case EPIPE:
        return cluster::causeText(cluster::NetError::Closed);
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
        return cluster::causeText(cluster::NetError::Unreachable);
    case ETIMEDOUT:
        return cluster::causeText(cluster::NetError::Timeout);
    default:
        return cluster::causeText(cluster::NetError::Other,
                                  QString::fromLocal8Bit(std::strerror(error)));
    }
}

/// What the worker reads from the socket at once; the rest waits in the system.
constexpr qsizetype readChunk = 16 * 1024;

} // namespace

/// The feed's half on its thread.
class FeedWorker : public QObject {
public:
    FeedWorker(FeedTimings timings, SpotFeed &feed, std::atomic<bool> &loggedIn,
               std::atomic<qsizetype> &peakKept)
        : timings_(timings), feed_(feed), loggedIn_(loggedIn), peakKept_(peakKept) {}
    ~FeedWorker() override {
        {
            const std::lock_guard<std::mutex> lock(mailbox_->mutex);
            mailbox_->worker = nullptr;
        }
        hangUp();
    }

    void start(const FeedTarget &target) {
        makeTimers();
        if (running_ && target == target_)
            return;
        target_ = target;
        running_ = true;
        attempt_ = 0;
        hangUp();
        connectNow();
    }
    void stop() {
        running_ = false;
        hangUp();
        if (retry_)
            retry_->stop();
        status(QStringLiteral("Cluster : déconnecté"));
    }
    void announce(const cluster::Spot &spot) {
        QByteArray send;
        if (!session_ || !session_->announce(spot, send)) {
            answered({false, QStringLiteral("pas connecté au cluster")});
            return;
        }
        write(send);
        announceLimit_->start(timings_.announceLimit);
    }

private:
    void makeTimers() {
        if (retry_)
            return;
        mailbox_->worker = this;
        retry_ = timer(true, [this] { connectNow(); });
        quiet_ = timer(
            true, [this] { apply(session_ ? session_->quiet() : cluster::FeedSession::Step{}); });
        keepAlive_ = timer(false, [this] { tick(); });
        batch_ = timer(true, [this] { flushSpots(); });
        announceLimit_ = timer(
            true, [this] { apply(session_ ? session_->quiet() : cluster::FeedSession::Step{}); });
    }
    template <class F> QTimer *timer(bool single, F f) {
        auto *t = new QTimer(this);
        t->setSingleShot(single);
        connect(t, &QTimer::timeout, this, f);
        return t;
    }

    void status(const QString &text) {
        QMetaObject::invokeMethod(
            &feed_, [f = &feed_, text] { emit f->statusChanged(text); }, Qt::QueuedConnection);
    }
    void answered(const cluster::Outcome &o) {
        QMetaObject::invokeMethod(
            &feed_, [f = &feed_, o] { emit f->announced(o.answered, o.text); },
            Qt::QueuedConnection);
    }

    void connectNow() {
        if (!running_)
            return;
        status(QStringLiteral("Cluster : connexion à %1…").arg(target_.host));
        const quint64 attempt = ++lookup_;
        std::thread([mailbox = mailbox_, attempt, host = target_.host.toUtf8(),
                     port = QByteArray::number(target_.port)] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo *list = nullptr;
            const int error = ::getaddrinfo(host.constData(), port.constData(), &hints, &list);
            std::shared_ptr<addrinfo> found(error == 0 ? list : nullptr, [](addrinfo *l) {
                if (l)
                    ::freeaddrinfo(l);
            });
            const std::lock_guard<std::mutex> lock(mailbox->mutex);
            if (auto *w = static_cast<FeedWorker *>(mailbox->worker))
                QMetaObject::invokeMethod(
                    w, [w, attempt, found] { w->lookedUp(attempt, found); }, Qt::QueuedConnection);
        }).detach();
    }

    void lookedUp(quint64 attempt, const std::shared_ptr<addrinfo> &addresses) {
        if (attempt != lookup_ || !running_)
            return;
        if (!addresses) {
            lost(cluster::causeText(cluster::NetError::HostNotFound));
            return;
        }
        addresses_ = addresses;
        next_ = addresses_.get();
        tryNext(ECONNREFUSED);
    }

    void tryNext(int lastError) {
        while (next_) {
            const addrinfo *a = next_;
            next_ = next_->ai_next;
            fd_ = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                           a->ai_protocol);
            if (fd_ < 0) {
                lastError = errno;
                continue;
            }
            if (::connect(fd_, a->ai_addr, a->ai_addrlen) == 0 || errno == EINPROGRESS) {
                writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
                connect(writeNotifier_.get(), &QSocketNotifier::activated, this,
                        [this] { connected_ ? flush() : connecting(); });
                return;
            }
            lastError = errno;
            ::close(fd_);
            fd_ = -1;
        }
        lost(causeOf(lastError));
    }

    void connecting() {
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
        session_.emplace(target_.login);
        heard_ = true;
        keepAlive_->start(timings_.keepAlive);
        status(QStringLiteral("Cluster : connecté à %1").arg(target_.host));
    }

    void readable() {
        QByteArray bytes(readChunk, Qt::Uninitialized);
        const ssize_t n = ::recv(fd_, bytes.data(), size_t(bytes.size()), 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        if (n <= 0) {
            lost(n == 0 ? cluster::causeText(cluster::NetError::Closed) : causeOf(errno));
            return;
        }
        bytes.truncate(n);
        heard_ = true;
        probed_ = false;
        quiet_->start(timings_.quiet);
        apply(session_->received(bytes));
        const qsizetype held = n + (session_ ? session_->keptLength() : 0) +
                               pending_.size() * qsizetype(sizeof(spots::Spot));
        if (held > peakKept_)
            peakKept_ = held;
    }

    void apply(const cluster::FeedSession::Step &step) {
        if (!step.send.isEmpty())
            write(step.send);
        if (step.answer) {
            announceLimit_->stop();
            answered(*step.answer);
        }
        if (!step.spots.isEmpty()) {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            for (spots::Spot spot : step.spots) {
                spot.seenMs = now;
                pending_.append(std::move(spot));
            }
            // The window keeps no more than a batch: older spots of a flood are dropped here.
            if (pending_.size() > spots::maxBatch)
                pending_.remove(0, pending_.size() - spots::maxBatch);
            if (!batch_->isActive())
                batch_->start(timings_.batch);
        }
        if (session_ && session_->loggedIn() && !loggedIn_) {
            loggedIn_ = true;
            attempt_ = 0; // a connection that logged in starts the back-off again
        }
        if (step.failure) {
            running_ = false; // a node that wants a password is not asked again and again
            hangUp();
            status(QStringLiteral("Cluster : ") + *step.failure);
        }
    }

    void flushSpots() {
        QList<spots::Spot> batch;
        batch.swap(pending_);
        QMetaObject::invokeMethod(
            &feed_, [f = &feed_, batch] { emit f->spotsArrived(batch); }, Qt::QueuedConnection);
    }

    void tick() {
        if (heard_) {
            heard_ = false;
            return;
        }
        if (!probed_) {
            probed_ = true;
            write(session_->keepAlive());
            return;
        }
        lost(QStringLiteral("connexion perdue"));
    }

    void write(const QByteArray &bytes) {
        if (fd_ < 0 || !connected_)
            return;
        unsent_ += bytes;
        flush();
    }
    void flush() {
        while (!unsent_.isEmpty()) {
            const ssize_t n =
                ::send(fd_, unsent_.constData(), size_t(unsent_.size()), MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    break;
                unsent_.clear(); // the node went away: its close is read next
                break;
            }
            unsent_.remove(0, n);
        }
        if (writeNotifier_)
            writeNotifier_->setEnabled(!unsent_.isEmpty());
    }

    /// The connection failed or went: hang up and try again after the back-off.
    void lost(const QString &) {
        hangUp();
        if (!running_)
            return;
        const int seconds = cluster::reconnectDelaySeconds(++attempt_);
        status(cluster::reconnectText(seconds));
        retry_->start(timings_.backoffSecond * seconds);
    }

    void hangUp() {
        readNotifier_.reset();
        writeNotifier_.reset();
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        connected_ = false;
        probed_ = false;
        unsent_.clear();
        addresses_.reset();
        next_ = nullptr;
        loggedIn_ = false;
        if (session_ && session_->announcing())
            answered({false, cluster::causeText(cluster::NetError::Closed)});
        session_.reset();
        if (keepAlive_) {
            keepAlive_->stop();
            quiet_->stop();
            announceLimit_->stop();
        }
    }

    FeedTimings timings_;
    SpotFeed &feed_;
    std::atomic<bool> &loggedIn_;
    std::atomic<qsizetype> &peakKept_;
    std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
    FeedTarget target_;
    bool running_ = false;
    int attempt_ = 0;
    quint64 lookup_ = 0;
    std::shared_ptr<addrinfo> addresses_;
    const addrinfo *next_ = nullptr;
    int fd_ = -1;
    bool connected_ = false;
    bool heard_ = false;
    bool probed_ = false;
    QByteArray unsent_;
    std::optional<cluster::FeedSession> session_;
    QList<spots::Spot> pending_;
    std::unique_ptr<QSocketNotifier> readNotifier_, writeNotifier_;
    QTimer *retry_ = nullptr, *quiet_ = nullptr, *keepAlive_ = nullptr, *batch_ = nullptr,
           *announceLimit_ = nullptr;
};

SpotFeed::SpotFeed(FeedTimings timings, QObject *parent) : QObject(parent) {
    thread_.setObjectName(QStringLiteral("cluster feed"));
    worker_ = new FeedWorker(timings, *this, loggedIn_, peakKept_);
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

SpotFeed::~SpotFeed() {
    thread_.quit();
    thread_.wait();
}

void SpotFeed::start(const FeedTarget &target) {
    FeedWorker *w = worker_;
    QMetaObject::invokeMethod(
        w, [w, target] { w->start(target); }, Qt::QueuedConnection);
}

void SpotFeed::stop() {
    FeedWorker *w = worker_;
    QMetaObject::invokeMethod(
        w, [w] { w->stop(); }, Qt::QueuedConnection);
}

bool SpotFeed::announce(const cluster::Spot &spot) {
    if (!loggedIn_)
        return false;
    FeedWorker *w = worker_;
    QMetaObject::invokeMethod(
        w, [w, spot] { w->announce(spot); }, Qt::QueuedConnection);
    return true;
}

} // namespace zep
