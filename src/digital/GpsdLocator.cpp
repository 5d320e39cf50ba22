#include "digital/GpsdLocator.h"

#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep {

namespace {

constexpr int readChunk = 4096;
constexpr int retryMs = 5000;
const QString absent = QStringLiteral("gpsd absent");
const QString noFix = QStringLiteral("gpsd sans position");

} // namespace

/// GpsdLocator's connection, on its thread.
class GpsdWorker : public QObject {
    Q_OBJECT
public:
    explicit GpsdWorker(quint16 port) : port_(port) {}
    ~GpsdWorker() override { drop(); }

    void follow(bool on) {
        on_ = on;
        drop();
        grid_.clear();
        state_.clear();
        if (!retry_) {
            retry_ = new QTimer(this);
            retry_->setSingleShot(true);
            connect(retry_, &QTimer::timeout, this, &GpsdWorker::open);
        }
        retry_->stop();
        if (on)
            open();
    }

signals:
    void located(const QString &grid, const QString &state);

private:
    void open() {
        if (!on_)
            return;
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(port_);
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 || (::connect(fd_, reinterpret_cast<const sockaddr *>(&at), sizeof at) != 0 &&
                        errno != EINPROGRESS)) {
            lost();
            return;
        }
        writable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
        connect(writable_.get(), &QSocketNotifier::activated, this, &GpsdWorker::connected);
    }

    void connected() {
        writable_.reset();
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0 ||
            ::send(fd_, digital::gpsdWatch.constData(), size_t(digital::gpsdWatch.size()),
                   MSG_NOSIGNAL) !=
                ssize_t(digital::gpsdWatch.size())) {
            lost();
            return;
        }
        tell({}, noFix);
        readable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        connect(readable_.get(), &QSocketNotifier::activated, this, &GpsdWorker::read);
    }

    void read() {
        char bytes[readChunk];
        const ssize_t n = ::recv(fd_, bytes, sizeof bytes, 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        if (n <= 0) {
            lost();
            return;
        }
        for (const digital::GpsReport &r : stream_.received(QByteArrayView(bytes, n))) {
            if (r.fix)
                tell(digital::maidenhead(r.latitude, r.longitude).value_or(QString()), {});
            else
                tell({}, noFix);
        }
    }

    void lost() {
        drop();
        tell({}, absent);
        if (on_)
            retry_->start(retryMs);
    }

    void drop() {
        writable_.reset();
        readable_.reset();
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        stream_ = {};
    }

    /// Says the locator or the state once, when it changes.
    void tell(const QString &grid, const QString &state) {
        if (grid == grid_ && state == state_)
            return;
        grid_ = grid;
        state_ = state;
        emit located(grid, state);
    }

    quint16 port_;
    bool on_ = false;
    int fd_ = -1;
    QTimer *retry_ = nullptr;
    std::unique_ptr<QSocketNotifier> writable_, readable_;
    digital::GpsdStream stream_;
    QString grid_, state_;
};

GpsdLocator::GpsdLocator(quint16 port, QObject *parent)
    : QObject(parent), worker_(new GpsdWorker(port)) {
    thread_.setObjectName(QStringLiteral("gpsd"));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &GpsdWorker::located, this, &GpsdLocator::located);
    thread_.start();
}

GpsdLocator::~GpsdLocator() {
    thread_.quit();
    thread_.wait();
}

void GpsdLocator::follow(bool on) {
    QMetaObject::invokeMethod(worker_, [w = worker_, on] { w->follow(on); });
}

} // namespace zep

#include "GpsdLocator.moc"
