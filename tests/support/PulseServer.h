#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace zep::testing {

/// A real PulseAudio server of the test's own, in a private runtime folder: a null sink
/// "radio" (the radio's audio input, read back through its monitor) and a null source "micro".
/// The test process and the programs it starts reach it through PULSE_SERVER; the server is
/// killed by its process id when the object goes.
class PulseServer {
public:
    ~PulseServer() {
        if (server_.state() != QProcess::NotRunning) {
            server_.kill();
            server_.waitForFinished(3000);
        }
    }

    static bool available() {
        return !QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() &&
               !QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty() &&
               !QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty();
    }

    /// Starts the server and waits (10 s at most) until it answers; the reason when it cannot.
    QString start() {
        if (!dir_.isValid())
            return QStringLiteral("no temporary folder");
        const QString socket = dir_.filePath(QStringLiteral("native"));
        const QString script = dir_.filePath(QStringLiteral("test.pa"));
        QFile f(script);
        if (!f.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot write the server's script");
        f.write("load-module module-native-protocol-unix socket=" + socket.toUtf8() +
                " auth-anonymous=1\n"
                "load-module module-null-sink sink_name=radio\n"
                "load-module module-null-source source_name=micro\n"
                "set-default-sink radio\n"
                "set-default-source micro\n");
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
        env.insert(QStringLiteral("HOME"), dir_.path());
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        server_.setProcessEnvironment(env);
        server_.setStandardOutputFile(QProcess::nullDevice());
        server_.setStandardErrorFile(dir_.filePath(QStringLiteral("server.log")));
        // -n: no default script; as root it needs --system=false to run as a user's server.
        server_.start(QStringLiteral("pulseaudio"),
                      {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                       QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--system=false"),
                       QStringLiteral("--disallow-exit=false"), QStringLiteral("--use-pid-file=no"),
                       QStringLiteral("--realtime=no"), QStringLiteral("--high-priority=no"),
                       QStringLiteral("-F"), script});
        if (!server_.waitForStarted(5000))
            return QStringLiteral("pulseaudio did not start");
        address_ = QStringLiteral("unix:") + socket;
        qputenv("PULSE_SERVER", address_.toUtf8());
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            if (server_.state() == QProcess::NotRunning)
                break;
            QProcess info;
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            if (info.waitForFinished(2000) && info.exitCode() == 0 &&
                gives(QStringLiteral("radio.monitor")) && gives(QStringLiteral("micro"))) {
                warmUp();
                return QString();
            }
            QTest::qWait(100);
        }
        QFile log(dir_.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        return QStringLiteral("pulseaudio did not answer: ") + QString::fromUtf8(log.readAll());
    }

    QString address() const { return address_; }

private:
    /// The first stream a new null sink plays starts only with its next block, up to 2 s
    /// later; later streams start at once. A short silence takes that first turn.
    static void warmUp() {
        QProcess pacat;
        pacat.start(QStringLiteral("pacat"),
                    {QStringLiteral("-d"), QStringLiteral("radio"), QStringLiteral("--raw"),
                     QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                     QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
        if (!pacat.waitForStarted(3000))
            return;
        pacat.write(QByteArray(3200, '\0'));
        pacat.closeWriteChannel();
        pacat.waitForFinished(5000);
    }
    /// True once `source` gives sound within 3 s. The first stream of a new null source
    /// gets its first 2 s at once: that burst is the probe's, not the test's.
    static bool gives(const QString &source) {
        QProcess probe;
        probe.start(QStringLiteral("parec"),
                    {QStringLiteral("-d"), source, QStringLiteral("--raw")});
        QElapsedTimer waited;
        waited.start();
        while (probe.bytesAvailable() == 0 && waited.elapsed() < 3000)
            probe.waitForReadyRead(100);
        const bool runs = probe.bytesAvailable() > 0;
        probe.kill();
        probe.waitForFinished(3000);
        return runs;
    }

    QTemporaryDir dir_;
    QProcess server_;
    QString address_;
};

/// What a sink plays, read back through its monitor with parec (16 kHz mono 16-bit), each
/// block of samples stamped with the time it arrived.
class SinkMonitor {
public:
    explicit SinkMonitor(const QString &sink) {
        QObject::connect(&parec_, &QProcess::readyReadStandardOutput, [this] { take(); });
        parec_.start(QStringLiteral("parec"),
                     {QStringLiteral("-d"), sink + QStringLiteral(".monitor"),
                      QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                      QStringLiteral("--rate=16000"), QStringLiteral("--channels=1"),
                      QStringLiteral("--latency-msec=20")});
        clock_.start();
    }
    ~SinkMonitor() {
        parec_.kill();
        parec_.waitForFinished(3000);
    }
    bool started() { return parec_.waitForStarted(3000); }

    /// The loudest sample heard in the last `ms` milliseconds (0: silence).
    int peakSince(qint64 fromMs) const {
        int peak = 0;
        for (const Block &b : blocks_)
            if (b.at >= fromMs)
                peak = std::max(peak, b.peak);
        return peak;
    }
    int peakBetween(qint64 fromMs, qint64 toMs) const {
        int peak = 0;
        for (const Block &b : blocks_)
            if (b.at >= fromMs && b.at < toMs)
                peak = std::max(peak, b.peak);
        return peak;
    }
    /// The time of the last block louder than `threshold`, -1 when none.
    qint64 lastSound(int threshold = 1000) const {
        for (auto it = blocks_.crbegin(); it != blocks_.crend(); ++it)
            if (it->peak > threshold)
                return it->at;
        return -1;
    }
    qint64 now() const { return clock_.elapsed(); }

private:
    struct Block {
        qint64 at;
        int peak;
    };
    void take() {
        pending_.append(parec_.readAllStandardOutput());
        const qsizetype whole = pending_.size() - pending_.size() % 2;
        int peak = 0;
        for (qsizetype i = 0; i < whole; i += 2)
            peak =
                std::max(peak, std::abs(int(qFromLittleEndian<qint16>(pending_.constData() + i))));
        pending_.remove(0, whole);
        if (whole > 0)
            blocks_.append({clock_.elapsed(), peak});
    }
    QProcess parec_;
    QElapsedTimer clock_;
    QByteArray pending_;
    QList<Block> blocks_;
};

} // namespace zep::testing
