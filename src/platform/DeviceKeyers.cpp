#include "platform/DeviceKeyers.h"

#include "core/station/KeyerMessages.h"
#include "core/station/KeyerProtocols.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace zep {

namespace detail {

/// Lives on the keyer's thread: the socket, the token of the message being keyed and its
/// deadline.
class CwDaemonWorker : public CwKeyer {
public:
    CwDaemonWorker(QString host, int port, KeyerTiming timing)
        : host_(std::move(host)), port_(port), timing_(timing) {}
    /// At the keyer's end (the program closing): a message still being keyed stops.
    ~CwDaemonWorker() override {
        if (fd_ >= 0 && !token_.isEmpty())
            write(cwdaemon::abort());
        if (fd_ >= 0)
            ::close(fd_);
    }

    void send(const QString &morse, int wpm) override {
        if (!ready())
            return;
        wpm_ = wpm;
        token_ = QByteArray::number(++sequence_);
        write(cwdaemon::speed(wpm));
        write(cwdaemon::replyOnEnd(token_));
        write(cwdaemon::text(morse));
        remaining_ = morse;
        armDeadline();
    }
    void setSpeed(int wpm) override {
        if (!ready())
            return;
        wpm_ = wpm;
        write(cwdaemon::speed(wpm));
        if (!token_.isEmpty())
            armDeadline();
    }
    void abort() override {
        if (!ready())
            return;
        write(cwdaemon::abort());
        token_.clear();
        deadline_->stop();
    }

private:
    QString where() const { return QStringLiteral("%1:%2").arg(host_).arg(port_); }

    /// The socket, made on this thread at the first use; false (said once) when the host
    /// has no address.
    bool ready() {
        if (fd_ >= 0)
            return true;
        // A name is looked up here, on the keyer's thread, never on the window's.
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo *found = nullptr;
        if (::getaddrinfo(host_.toUtf8().constData(), QByteArray::number(port_).constData(), &hints,
                          &found) != 0 ||
            !found) {
            emit failed(QStringLiteral("cwdaemon : l'hôte %1 est inconnu.").arg(host_));
            return false;
        }
        const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
        fd_ = ::socket(found->ai_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            emit failed(
                QStringLiteral("cwdaemon : %1.").arg(QString::fromLocal8Bit(std::strerror(errno))));
            return false;
        }
        // Connected: a refused datagram (nothing listens on the port) comes back as an error
        // of the socket. An address it cannot be sent to (no route, a broadcast) fails here.
        if (::connect(fd_, found->ai_addr, found->ai_addrlen) != 0) {
            const int error = errno;
            ::close(fd_);
            fd_ = -1;
            emit failed(QStringLiteral("cwdaemon : %1 ne peut être joint (%2).")
                            .arg(where(), QString::fromLocal8Bit(std::strerror(error))));
            return false;
        }
        deadline_ = new QTimer(this);
        deadline_->setSingleShot(true);
        connect(deadline_, &QTimer::timeout, this, [this] { silent(); });
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &CwDaemonWorker::read);
        return true;
    }

    void write(const QByteArray &datagram) {
        if (::send(fd_, datagram.constData(), size_t(datagram.size()), MSG_NOSIGNAL) < 0 &&
            errno == ECONNREFUSED && !token_.isEmpty())
            silent();
    }

    void armDeadline() {
        const qint64 ms = 2 * keyer::morseDurationMs(remaining_, wpm_) + timing_.marginMs;
        deadline_->start(int(qMin<qint64>(ms, 10 * 60 * 1000)));
    }

    void read() {
        for (;;) {
            // Only a short answer is looked at; anything longer is not cwdaemon's.
            char datagram[64];
            const ssize_t n = ::recv(fd_, datagram, sizeof datagram, 0);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == ECONNREFUSED && !token_.isEmpty())
                    silent();
                return;
            }
            const std::optional<QByteArray> token =
                cwdaemon::endToken(QByteArray(datagram, qsizetype(n)));
            if (token && !token_.isEmpty() && *token == token_) {
                token_.clear();
                deadline_->stop();
                emit finished();
            }
        }
    }

    void silent() {
        token_.clear();
        deadline_->stop();
        emit failed(QStringLiteral("cwdaemon ne répond pas (%1).").arg(where()));
    }

    QString host_;
    int port_;
    KeyerTiming timing_;
    int fd_ = -1; ///< the UDP socket, connected to the daemon
    QSocketNotifier *notifier_ = nullptr;
    QTimer *deadline_ = nullptr;
    QByteArray token_;
    quint64 sequence_ = 0;
    QString remaining_;
    int wpm_ = KeyerSettings::defaultWpm;
};

/// Lives on the keyer's thread: the serial port, the bytes still to feed the keyer's buffer
/// and what its status bytes said.
class WinKeyerWorker : public CwKeyer {
public:
    WinKeyerWorker(QString device, KeyerTiming timing)
        : device_(std::move(device)), timing_(timing) {}
    /// At the keyer's end (the program closing): a message still being keyed stops, and the
    /// keyer is left to work on its own again.
    ~WinKeyerWorker() override {
        if (fd_ >= 0 && sending_)
            writeNow(winkeyer::clearBuffer());
        close(true);
    }

    void send(const QString &morse, int wpm) override {
        if (!open())
            return;
        wpm_ = wpm;
        pending_ = winkeyer::speed(wpm) + winkeyer::text(morse);
        remaining_ = morse;
        sending_ = true;
        sawBusy_ = false;
        armDeadline();
        pump();
    }
    void setSpeed(int wpm) override {
        wpm_ = wpm;
        if (fd_ < 0)
            return;
        // Ahead of the text still waiting, so that it is keyed at the new speed.
        pending_.prepend(winkeyer::speed(wpm));
        if (sending_)
            armDeadline();
        pump();
    }
    void abort() override {
        pending_.clear();
        sending_ = false;
        if (deadline_)
            deadline_->stop();
        if (fd_ >= 0)
            writeNow(winkeyer::clearBuffer());
    }

private:
    bool open() {
        if (fd_ >= 0)
            return true;
        if (!timer_) {
            timer_ = new QTimer(this);
            timer_->setInterval(20);
            connect(timer_, &QTimer::timeout, this, &WinKeyerWorker::pump);
            deadline_ = new QTimer(this);
            deadline_->setSingleShot(true);
            connect(deadline_, &QTimer::timeout, this, [this] {
                fail(revision_ ? QStringLiteral("WinKeyer : pas de réponse sur %1.")
                               : QStringLiteral("WinKeyer : aucun manipulateur ne répond sur %1."));
            });
        }
        fd_ = ::open(device_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) {
            emit failed(QStringLiteral("WinKeyer : %1 ne s'ouvre pas (%2).")
                            .arg(device_, QString::fromLocal8Bit(strerror(errno))));
            return false;
        }
        termios tio{};
        if (tcgetattr(fd_, &tio) != 0) {
            const int error = errno;
            ::close(fd_);
            fd_ = -1;
            emit failed(QStringLiteral("WinKeyer : %1 n'est pas un port série (%2).")
                            .arg(device_, QString::fromLocal8Bit(strerror(error))));
            return false;
        }
        cfmakeraw(&tio);
        cfsetispeed(&tio, B1200);
        cfsetospeed(&tio, B1200);
        tio.c_cflag |= CLOCAL | CREAD | CSTOPB;
        tio.c_cflag &= ~tcflag_t(CRTSCTS);
        tcsetattr(fd_, TCSANOW, &tio);
        // The keyer takes its power from DTR on some interfaces; RTS stays low. A port without
        // modem lines (a pseudo-terminal) refuses this, which is no fault.
        int dtr = TIOCM_DTR, rts = TIOCM_RTS;
        ioctl(fd_, TIOCMBIS, &dtr);
        ioctl(fd_, TIOCMBIC, &rts);
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &WinKeyerWorker::read);
        revision_ = false;
        xoff_ = false;
        writeNow(winkeyer::hostOpen());
        timer_->start();
        deadline_->start(timing_.openWaitMs);
        return true;
    }

    void close(bool sayGoodbye) {
        if (fd_ < 0)
            return;
        if (sayGoodbye && revision_)
            writeNow(winkeyer::hostClose());
        // Possibly from inside its own signal: it goes once that has returned.
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
        ::close(fd_);
        fd_ = -1;
        if (timer_)
            timer_->stop();
    }

    void fail(const QString &cause) {
        pending_.clear();
        sending_ = false;
        deadline_->stop();
        close(false);
        emit failed(cause.arg(device_));
    }

    void armDeadline() {
        if (!revision_)
            return; // the opening's own wait runs
        const qint64 ms = 2 * keyer::morseDurationMs(remaining_, wpm_) + timing_.marginMs;
        deadline_->start(int(qMin<qint64>(ms, 10 * 60 * 1000)));
    }

    bool writeNow(const QByteArray &bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN) {
                pending_.prepend(bytes.mid(done));
                return true;
            }
            if (n < 0) {
                fail(QStringLiteral("WinKeyer : le port %1 ne prend plus rien (débranché ?)."));
                return false;
            }
            done += n;
        }
        return true;
    }

    /// A few bytes at a time, and only when the line is empty and the keyer has not asked to
    /// wait: its buffer never overflows.
    void pump() {
        if (fd_ < 0 || !revision_ || xoff_ || pending_.isEmpty())
            return;
        int queued = 0;
        if (ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0)
            return;
        const QByteArray piece = pending_.left(8);
        pending_.remove(0, piece.size());
        writeNow(piece);
    }

    void read() {
        unsigned char buffer[64];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            fail(QStringLiteral("WinKeyer : le port %1 est fermé (débranché ?)."));
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (!revision_) {
                // The answer to the host opening is the keyer's revision.
                revision_ = true;
                deadline_->stop();
                if (sending_)
                    armDeadline();
                continue;
            }
            const winkeyer::Byte b = winkeyer::classify(buffer[i]);
            if (b.kind != winkeyer::Byte::Kind::Status)
                continue;
            xoff_ = b.xoff;
            if (b.busy)
                sawBusy_ = true;
            else if (sending_ && sawBusy_ && pending_.isEmpty()) {
                sending_ = false;
                deadline_->stop();
                emit finished();
            }
        }
        pump();
    }

    QString device_;
    KeyerTiming timing_;
    int fd_ = -1;
    QSocketNotifier *notifier_ = nullptr;
    QTimer *timer_ = nullptr;
    QTimer *deadline_ = nullptr;
    QByteArray pending_;
    QString remaining_;
    int wpm_ = KeyerSettings::defaultWpm;
    bool revision_ = false;
    bool xoff_ = false;
    bool sending_ = false;
    bool sawBusy_ = false;
};

} // namespace detail

ThreadKeyer::ThreadKeyer(CwKeyer *worker, const QString &threadName, KeyerTiming timing,
                         QObject *parent)
    : CwKeyer(parent), timing_(timing), thread_(new QThread(this)), worker_(worker) {
    thread_->setObjectName(threadName);
    worker_->moveToThread(thread_);
    connect(worker_, &CwKeyer::finished, this, &CwKeyer::finished);
    connect(worker_, &CwKeyer::failed, this, &CwKeyer::failed);
    // The worker goes with its thread's end, on its thread (its device is closed there).
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_->start();
}

ThreadKeyer::~ThreadKeyer() {
    thread_->quit();
    // A worker never blocks (its writes do not wait), so this wait is short; the bound is
    // there for a system call that would.
    if (!thread_->wait(QDeadlineTimer(timing_.stopWaitMs)))
        thread_->setParent(nullptr);
}

void ThreadKeyer::send(const QString &morse, int wpm) {
    QMetaObject::invokeMethod(worker_, [w = worker_, morse, wpm] { w->send(morse, wpm); });
}

void ThreadKeyer::setSpeed(int wpm) {
    QMetaObject::invokeMethod(worker_, [w = worker_, wpm] { w->setSpeed(wpm); });
}

void ThreadKeyer::abort() {
    QMetaObject::invokeMethod(worker_, [w = worker_] { w->abort(); });
}

CwDaemonKeyer::CwDaemonKeyer(const QString &host, int port, KeyerTiming timing, QObject *parent)
    : ThreadKeyer(new detail::CwDaemonWorker(host, port, timing), QStringLiteral("cwdaemon"),
                  timing, parent) {}

WinKeyerKeyer::WinKeyerKeyer(const QString &device, KeyerTiming timing, QObject *parent)
    : ThreadKeyer(new detail::WinKeyerWorker(device, timing), QStringLiteral("WinKeyer"), timing,
                  parent) {}

std::unique_ptr<CwKeyer> makeDeviceKeyer(const KeyerLink &link) {
    switch (link.output) {
    case KeyerLink::Output::CwDaemon:
        return std::make_unique<CwDaemonKeyer>(link.host, link.port);
    case KeyerLink::Output::WinKeyer:
        return std::make_unique<WinKeyerKeyer>(link.device);
    case KeyerLink::Output::None:
    case KeyerLink::Output::Cat:
        break;
    }
    return nullptr;
}

} // namespace zep
