#include "digital/DigitalLink.h"

#include <QElapsedTimer>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep {

namespace {

/// Datagrams read in one go before the worker's event loop runs again.
constexpr int readsPerWakeUp = 256;
/// A sender is said heard again after this long.
constexpr qint64 heardEveryMs = 1000;

} // namespace

/// The socket's side of DigitalLink, on its thread.
class DigitalWorker : public QObject {
    Q_OBJECT
public:
    DigitalWorker(const Clock &clock, const QStringList &bandRows, std::atomic<quint64> &received,
                  std::atomic<quint64> &ignored)
        : clock_(clock), bandRows_(bandRows), received_(received), ignored_(ignored) {}
    ~DigitalWorker() override { stop(); }

    void listen(const digital::ListenSettings &settings) {
        stop();
        if (!settings.on) {
            emit listening(false, {});
            return;
        }
        const QString failure = open(settings);
        if (!failure.isEmpty()) {
            stop();
            emit listening(false, failure);
            return;
        }
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &DigitalWorker::readable);
        emit listening(true, {});
    }

    void sendBack(const QByteArray &datagram) {
        if (fd_ < 0 || !haveSender_)
            return;
        // A full socket drops the datagram: a highlight is not worth waiting for.
        (void)::sendto(fd_, datagram.constData(), size_t(datagram.size()), MSG_DONTWAIT,
                       reinterpret_cast<const sockaddr *>(&sender_), sizeof sender_);
    }

signals:
    void listening(bool ok, const QString &failure);
    void heard(const QString &id);
    void statusChanged(const QString &id, qint64 hz, const QString &mode);
    void qsoArrived(const zep::digital::ArrivedQso &qso);
    void closed(const QString &id);

private:
    QString open(const digital::ListenSettings &s) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return QStringLiteral("écoute impossible (%1)").arg(QString::fromLocal8Bit(strerror(errno)));
        const bool multicast = (s.ipv4 >> 28) == 0xE;
        // Several programs may listen to one multicast group on one machine.
        const int yes = 1;
        if (multicast)
            (void)::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(s.port);
        at.sin_addr.s_addr = multicast ? htonl(INADDR_ANY) : htonl(s.ipv4);
        if (::bind(fd_, reinterpret_cast<const sockaddr *>(&at), sizeof at) != 0)
            return QStringLiteral("port %1 indisponible").arg(s.port);
        if (multicast) {
            // The group is joined on the default interface and on the loopback one, so that a
            // sender on this machine is heard whichever it sends on, network or not.
            bool joined = false;
            for (const quint32 interface : {quint32(INADDR_ANY), quint32(INADDR_LOOPBACK)}) {
                ip_mreq group{};
                group.imr_multiaddr.s_addr = htonl(s.ipv4);
                group.imr_interface.s_addr = htonl(interface);
                if (::setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) == 0 ||
                    errno == EADDRINUSE)
                    joined = true;
            }
            if (!joined)
                return QStringLiteral("groupe %1 inaccessible").arg(s.address);
        }
        return {};
    }

    void stop() {
        notifier_.reset();
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        haveSender_ = false;
    }

    void readable() {
        for (int i = 0; i < readsPerWakeUp && fd_ >= 0; ++i) {
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t n = ::recvfrom(fd_, buffer_.get(), bufferSize, MSG_TRUNC,
                                         reinterpret_cast<sockaddr *>(&from), &fromSize);
            if (n < 0)
                return; // nothing more for now (or an error the next read meets again)
            received_.fetch_add(1);
            // MSG_TRUNC gives the datagram's real length: a longer one was cut, and is refused.
            if (n > ssize_t(digital::maxDatagram)) {
                ignored_.fetch_add(1);
                continue;
            }
            take(QByteArrayView(buffer_.get(), n), from);
        }
    }

    void take(QByteArrayView bytes, const sockaddr_in &from) {
        using digital::Type;
        const digital::Read read = digital::readDatagram(bytes);
        if (!read.ok() || !digital::knownType(read.message->rawType)) {
            ignored_.fetch_add(1);
            return;
        }
        const digital::Message &m = *read.message;
        sender_ = from;
        haveSender_ = true;
        switch (m.type) {
        case Type::QsoLogged:
            arrived(digital::checkQsoLogged(*m.qsoLogged, m.id, clock_.utcNow(), bandRows_));
            break;
        case Type::LoggedAdif:
            arrived(digital::checkLoggedAdif(m.adif, m.id, clock_.utcNow(), bandRows_));
            break;
        case Type::Close:
            lastHeardId_.clear();
            emit closed(m.id);
            return;
        case Type::Status:
            if (m.status->dialHz != lastHz_ || m.status->mode != lastMode_) {
                lastHz_ = m.status->dialHz;
                lastMode_ = m.status->mode;
                emit statusChanged(m.id, qint64(std::min<quint64>(lastHz_, INT64_MAX)),
                                   lastMode_);
            }
            break;
        default:
            break;
        }
        if (m.id != lastHeardId_ || !sinceHeard_.isValid() ||
            sinceHeard_.elapsed() >= heardEveryMs) {
            lastHeardId_ = m.id;
            sinceHeard_.start();
            emit heard(m.id);
        }
    }

    void arrived(const digital::Checked &checked) {
        if (!checked.qso) {
            ignored_.fetch_add(1);
            return;
        }
        // QSO Logged and Logged ADIF of one QSO make one line.
        if (!recent_.alreadyMet(*checked.qso))
            emit qsoArrived(*checked.qso);
    }

    static constexpr size_t bufferSize = size_t(digital::maxDatagram) + 1;
    const Clock &clock_;
    const QStringList bandRows_;
    std::atomic<quint64> &received_, &ignored_;
    std::unique_ptr<char[]> buffer_{new char[bufferSize]};
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    sockaddr_in sender_{};
    bool haveSender_ = false;
    digital::RecentQsos recent_;
    QString lastHeardId_;
    QElapsedTimer sinceHeard_;
    quint64 lastHz_ = 0;
    QString lastMode_;
};

DigitalLink::DigitalLink(const Clock &clock, const QStringList &bandRows, QObject *parent)
    : QObject(parent), worker_(new DigitalWorker(clock, bandRows, received_, ignored_)) {
    thread_.setObjectName(QStringLiteral("Numerique"));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &DigitalWorker::listening, this, &DigitalLink::listening);
    connect(worker_, &DigitalWorker::heard, this, &DigitalLink::heard);
    connect(worker_, &DigitalWorker::statusChanged, this, &DigitalLink::statusChanged);
    connect(worker_, &DigitalWorker::qsoArrived, this, &DigitalLink::qsoArrived);
    connect(worker_, &DigitalWorker::closed, this, &DigitalLink::closed);
    thread_.start();
}

DigitalLink::~DigitalLink() {
    thread_.quit();
    thread_.wait();
}

void DigitalLink::listen(const digital::ListenSettings &settings) {
    QMetaObject::invokeMethod(worker_, [w = worker_, settings] { w->listen(settings); });
}

void DigitalLink::sendToSender(const QByteArray &datagram) {
    QMetaObject::invokeMethod(worker_, [w = worker_, datagram] { w->sendBack(datagram); });
}

} // namespace zep

#include "DigitalLink.moc"
