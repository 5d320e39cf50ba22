#include "cluster/ClusterClient.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <optional>

namespace zep {

/// The client's half on the network thread: one socket per announcement, fed to a
/// `cluster::Session` together with the two timers.
class ClusterWorker : public QObject {
public:
    ClusterWorker(ClusterTimings timings, std::atomic<qsizetype> &peakKept,
                  std::function<void(const cluster::Outcome &)> report)
        : timings_(timings), peakKept_(peakKept), report_(std::move(report)) {}

    /// `asked` runs from the caller's request: the overall time counts from there.
    void start(const ClusterRequest &request, const QElapsedTimer &asked);

private:
    void apply(const cluster::Step &step);
    static cluster::NetError netError(QAbstractSocket::SocketError error);

    ClusterTimings timings_;
    std::atomic<qsizetype> &peakKept_;
    std::function<void(const cluster::Outcome &)> report_;
    std::optional<cluster::Session> session_;
    QPointer<QTcpSocket> socket_;
    QTimer *overall_ = nullptr;
    QTimer *settle_ = nullptr;
};

namespace {
/// What the outcome may take to reach the caller's thread, kept out of the overall time.
constexpr std::chrono::milliseconds outcomeCrossing{50};
} // namespace

void ClusterWorker::start(const ClusterRequest &request, const QElapsedTimer &asked) {
    if (!overall_) {
        overall_ = new QTimer(this);
        overall_->setSingleShot(true);
        // A coarse timer may be late by 5 %, half a second on the 10 s promised.
        overall_->setTimerType(Qt::PreciseTimer);
        connect(overall_, &QTimer::timeout, this, [this] { apply(session_->timedOut()); });
        settle_ = new QTimer(this);
        settle_->setSingleShot(true);
        connect(settle_, &QTimer::timeout, this, [this] { apply(session_->quiet()); });
    }
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
    }
    session_.emplace(request.login, request.spot);
    peakKept_ = 0;
    auto *socket = new QTcpSocket(this);
    socket->setReadBufferSize(clusterReadChunk);
    socket_ = socket;
    connect(socket, &QTcpSocket::connected, this, [this] {
        apply(session_->connected());
        settle_->start(timings_.settle);
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        const QByteArray bytes = socket->read(clusterReadChunk);
        if (session_->finished())
            return; // the goodbye is on its way: what the node still says is dropped
        settle_->start(timings_.settle);
        apply(session_->received(bytes));
        const qsizetype held = bytes.size() + session_->keptLength();
        if (held > peakKept_)
            peakKept_ = held;
    });
    connect(socket, &QTcpSocket::errorOccurred, this,
            [this, socket](QAbstractSocket::SocketError error) {
                apply(session_->failed(netError(error), socket->errorString()));
            });
    connect(socket, &QTcpSocket::disconnected, this, [this] { apply(session_->closed()); });
    overall_->start(
        std::max(std::chrono::milliseconds(0),
                 timings_.overall - outcomeCrossing - std::chrono::milliseconds(asked.elapsed())));
    socket->connectToHost(request.host, request.port);
}

void ClusterWorker::apply(const cluster::Step &step) {
    if (!socket_)
        return;
    if (!step.send.isEmpty() && socket_->state() == QAbstractSocket::ConnectedState)
        socket_->write(step.send);
    if (!step.outcome)
        return;
    overall_->stop();
    settle_->stop();
    // The goodbye just written still goes out before the connection closes.
    if (socket_->state() == QAbstractSocket::ConnectedState)
        socket_->disconnectFromHost();
    else
        socket_->abort();
    report_(*step.outcome);
}

cluster::NetError ClusterWorker::netError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return cluster::NetError::Refused;
    case QAbstractSocket::HostNotFoundError:
        return cluster::NetError::HostNotFound;
    case QAbstractSocket::RemoteHostClosedError:
        return cluster::NetError::Closed;
    case QAbstractSocket::NetworkError:
        return cluster::NetError::Unreachable;
    case QAbstractSocket::SocketTimeoutError:
        return cluster::NetError::Timeout;
    default:
        return cluster::NetError::Other;
    }
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
