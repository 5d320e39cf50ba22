#pragma once

// A desktop of the test's own for what a screen reader hears: an X display (Xvfb), a private
// D-Bus session that starts the accessibility bus when asked, and the processes started on it,
// each stopped at the end.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace zep::testing {

/// A process of the test's own, stopped at the end.
struct Started {
    QProcess process;
    QByteArray seen; ///< what `says` read of its standard output
    ~Started() {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    /// The first line of its standard output, within `ms`.
    QByteArray firstLine(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine() && timer.elapsed() < ms)
            process.waitForReadyRead(100);
        return process.readLine().trimmed();
    }
    /// Whether `line` comes on its standard output within `ms` (the test framework's own
    /// lines come first).
    bool says(const QByteArray &line, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            while (process.canReadLine()) {
                const QByteArray said = process.readLine().trimmed();
                seen += said + '\n';
                if (said == line)
                    return true;
            }
            if (process.state() == QProcess::NotRunning && !process.canReadLine())
                return false;
            process.waitForReadyRead(100);
        }
        return false;
    }
};

/// The display and the session bus; `env` is the environment of the programs started on them.
class DesktopSession {
public:
    /// Empty when the tools are missing; `failure` then says which.
    static QString missingTools() {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
            !QFile::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher")))
            return QStringLiteral("Xvfb, dbus-daemon and at-spi2-core are needed (scripts/setup.sh "
                                  "installs them)");
        return {};
    }

    /// Starts both; false (with `failure` set) when one did not start.
    bool start() {
        if (!runtime.isValid())
            return fail("no temporary folder");
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        display.process.start(QStandardPaths::findExecutable(QStringLiteral("Xvfb")),
                              {QStringLiteral("-displayfd"), QStringLiteral("1"),
                               QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                               QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("1280x1024x24")});
        const QByteArray number = display.firstLine(20000);
        if (number.isEmpty())
            return fail("Xvfb gave no display");
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(number));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        session.process.setProcessEnvironment(env);
        session.process.start(QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")),
                              {QStringLiteral("--session"), QStringLiteral("--nofork"),
                               QStringLiteral("--print-address=1")});
        address = QString::fromLatin1(session.firstLine(20000));
        if (address.isEmpty())
            return fail("dbus-daemon gave no address");
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        return true;
    }

    QTemporaryDir runtime;
    Started display;
    Started session;
    QProcessEnvironment env;
    QString address; ///< the session bus's
    QString failure;

private:
    bool fail(const char *why) {
        failure = QString::fromLatin1(why);
        return false;
    }
};

} // namespace zep::testing
