#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace zep::testing {

/// A port of 127.0.0.1 free at the time of asking.
inline quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

/// A real rigctld on 127.0.0.1 with Hamlib's dummy radio (model 1), started and killed by the
/// test; `rigctl` turns its dial as an operator would.
class Rigctld {
public:
    Rigctld() : port_(freePort()) {}
    explicit Rigctld(quint16 port) : port_(port) {}
    ~Rigctld() { kill(); }

    static bool available() {
        return !QStandardPaths::findExecutable(QStringLiteral("rigctld")).isEmpty() &&
               !QStandardPaths::findExecutable(QStringLiteral("rigctl")).isEmpty();
    }

    quint16 port() const { return port_; }

    /// Starts the daemon and waits (5 s at most) until it takes connections; `extra` are more
    /// options ("-P", "RIG" for a dummy radio that can be keyed), `log` the file of its
    /// messages ("-vvvvv" makes it tell every command it received).
    bool start(const QStringList &extra = {}, const QString &log = {}) {
        if (!log.isEmpty())
            process_.setStandardErrorFile(log);
        process_.start(QStringLiteral("rigctld"),
                       QStringList{QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                                   QStringLiteral("127.0.0.1"), QStringLiteral("-t"),
                                   QString::number(port_)} +
                           extra);
        if (!process_.waitForStarted(5000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port_);
            if (probe.waitForConnected(200)) {
                probe.disconnectFromHost();
                return true;
            }
            QTest::qWait(50);
        }
        return false;
    }

    void kill() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished(3000);
    }

    /// One rigctl command against the daemon ("F", "14285000"), true when it succeeded.
    bool rigctl(const QStringList &command) const {
        QProcess p;
        p.start(QStringLiteral("rigctl"),
                QStringList{QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"),
                            QStringLiteral("127.0.0.1:%1").arg(port_)} +
                    command);
        return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }

    /// What one rigctl command prints ("t": the PTT, 0 or 1), trimmed; empty when it failed.
    QString rigctlOutput(const QStringList &command) const {
        QProcess p;
        p.start(QStringLiteral("rigctl"),
                QStringList{QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"),
                            QStringLiteral("127.0.0.1:%1").arg(port_)} +
                    command);
        if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit)
            return QString();
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

private:
    quint16 port_;
    QProcess process_;
};

/// A peer that takes TCP connections and never says a word: a radio link that hangs.
class SilentPeer {
public:
    SilentPeer() { server_.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return server_.serverPort(); }

private:
    QTcpServer server_;
};

/// A peer that answers every connection and every request with `bytes` bytes of one line: a
/// radio link gone mad, or a daemon of another kind on the port.
class FloodingPeer {
public:
    explicit FloodingPeer(qsizetype bytes = 50 * 1024) : flood_(bytes, 'x') {
        flood_.append('\n');
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket *s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    s->readAll();
                    s->write(flood_);
                });
                s->write(flood_);
            }
        });
        server_.listen(QHostAddress::LocalHost, 0);
    }
    quint16 port() const { return server_.serverPort(); }

private:
    QTcpServer server_;
    QByteArray flood_;
};

} // namespace zep::testing
