#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

namespace zep::testing {

/// A real cwdaemon on 127.0.0.1 with no keying device and no sound, started and killed by the
/// test. cwdaemon does not echo what it gets: its log at the "information" verbosity says
/// every request it took, which is what the test reads back.
class CwDaemon {
public:
    CwDaemon() {
        QUdpSocket probe;
        if (probe.bind(QHostAddress::LocalHost, 0))
            port_ = probe.localPort();
    }
    ~CwDaemon() { kill(); }

    static bool available() {
        return !QStandardPaths::findExecutable(
                    QStringLiteral("cwdaemon"),
                    {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")})
                    .isEmpty();
    }

    quint16 port() const { return port_; }
    QString logPath() const { return dir_.filePath(QStringLiteral("cwdaemon.log")); }

    /// Starts the daemon and waits (5 s at most) until it keys a first "E" and says so.
    bool start() {
        const QString exe = QStandardPaths::findExecutable(
            QStringLiteral("cwdaemon"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(exe, {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("null"),
                             QStringLiteral("-x"), QStringLiteral("n"), QStringLiteral("-p"),
                             QString::number(port_), QStringLiteral("-y"), QStringLiteral("i"),
                             QStringLiteral("-f"), logPath()});
        if (!process_.waitForStarted(5000))
            return false;
        QUdpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000) {
            probe.write("\x1bhup");
            probe.write("E");
            if (probe.waitForReadyRead(300)) {
                probe.readAll();
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

    QString log() const {
        QFile f(logPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }
    /// The texts it was given to key, in order (the start-up probe's "E" left out).
    QStringList texts() const { return captured(QStringLiteral("II: request: \"(.*)\"$")); }
    /// The speeds it was asked for, in order.
    QStringList speeds() const {
        return captured(QStringLiteral("requested morse speed \\[wpm\\]: \"(\\d+)\""));
    }
    int aborts() const { return int(log().count(QStringLiteral("escaped request: \"<ESC>4\""))); }

private:
    QStringList captured(const QString &pattern) const {
        QStringList found;
        const QRegularExpression re(pattern, QRegularExpression::MultilineOption);
        auto it = re.globalMatch(log());
        while (it.hasNext())
            found.append(it.next().captured(1));
        found.removeOne(QStringLiteral("E"));
        return found;
    }

    QTemporaryDir dir_;
    quint16 port_ = 0;
    QProcess process_;
};

} // namespace zep::testing
