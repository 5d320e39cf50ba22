#pragma once

// The busy activations every benchmark works on: a log of 10,000 QSOs (one activation) or of
// 100,000 (one reference kept over years), and a first-name memory of 100,000 call signs, real
// ones when the contest call-sign list is installed.

#include "core/aids/FirstNames.h"
#include "core/log/QsoLine.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace zep::bench {

constexpr int logSize = 10000;
constexpr int largeLogSize = 100000;
constexpr int memorySize = 100000;

/// Real call signs when the contest call-sign list is installed, made-up ones after it.
inline QStringList callSigns(int wanted) {
    QStringList calls;
    QFile scp(QStringLiteral("/usr/share/hamradio-files/MASTER.SCP"));
    if (scp.open(QIODevice::ReadOnly)) {
        while (!scp.atEnd() && calls.size() < wanted) {
            const QString call = QString::fromLatin1(scp.readLine()).trimmed();
            if (!call.isEmpty() && !call.startsWith(QLatin1Char('#')) && call.size() <= 12)
                calls << call;
        }
    }
    for (int i = 0; calls.size() < wanted; ++i)
        calls << QStringLiteral("F%1%2%3%4")
                     .arg(i % 10)
                     .arg(QChar(u'A' + (i / 10) % 26))
                     .arg(QChar(u'A' + (i / 260) % 26))
                     .arg(QChar(u'A' + (i / 6760) % 26));
    return calls;
}

inline const QStringList bands = {"3.5", "7", "14", "21", "28"};
inline const QStringList modes = {"SSB", "CW"};
inline const QStringList names = {"Hélène", "Loïc", "Jean", "Zoë", "François", "Pierre", "Anaïs"};

inline QString department(int i) {
    return QStringLiteral("%1").arg(1 + i % 95, 2, 10, QLatin1Char('0'));
}

/// The call sign of the log's QSO number i + 1 (a spread of the memory's call signs).
inline int logCallIndex(int i) {
    return (i * 7919) % memorySize;
}

inline QString qsoLine(int i, const QString &call) {
    // Ten QSOs a minute over several days, in chronological order.
    const int minutes = 8 * 60 + i / 10;
    QsoFields f;
    f.date = QStringLiteral("%1/05/24").arg(1 + minutes / 1440, 2, 10, QLatin1Char('0'));
    f.time = QStringLiteral("%1:%2")
                 .arg(minutes / 60 % 24, 2, 10, QLatin1Char('0'))
                 .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    f.call = call;
    f.department = call.startsWith(QLatin1Char('F')) ? department(i) : QString();
    f.firstName = names.at(i % names.size());
    f.rstReceived = QStringLiteral("59");
    f.rstSent = QStringLiteral("57");
    f.mode = modes.at(i % modes.size());
    f.band = bands.at(i / 7 % bands.size());
    f.remarks = i % 5 == 0 ? QStringLiteral("QRP 5W") : QString();
    const BuiltLine built = buildQsoLine(f);
    if (!built.ok) {
        std::fprintf(stderr, "ligne refusée : %s\n", qPrintable(built.error));
        std::abort();
    }
    return built.line;
}

/// The lines of both files, made once for each log size.
struct Lines {
    QStringList calls, log, memory;

    explicit Lines(int logQsos = logSize) {
        calls = callSigns(memorySize);
        log.reserve(logQsos);
        for (int i = 0; i < logQsos; ++i)
            log << qsoLine(i, calls.at(logCallIndex(i)));
        memory.reserve(memorySize);
        for (int i = 0; i < memorySize; ++i)
            memory << FirstNameMemory::entry(calls.at(i), department(i),
                                             names.at(i % names.size()));
    }
};

/// A directory of its own under `root` for one benchmark's files, removed at the end; a
/// benchmark that cannot have one stops at once.
inline std::unique_ptr<QTemporaryDir> scratchDirectory(const QString &root) {
    auto dir = std::make_unique<QTemporaryDir>(root + QStringLiteral("/zep-bench-XXXXXX"));
    if (!dir->isValid()) {
        std::fprintf(stderr, "impossible de créer un dossier dans %s\n", qPrintable(root));
        std::abort();
    }
    return dir;
}

/// Windows drawn offscreen: the platform's warnings at every window shown (it cannot pass on
/// size hints nor raise a window) are left out of the benchmark's output, every other message
/// is printed as usual.
inline void quietOffscreenPlatform() {
    static QtMessageHandler printed = nullptr;
    printed = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (!text.contains(QLatin1String("propagateSizeHints")) &&
                !text.contains(QLatin1String("does not support raise")))
                printed(type, context, text);
        });
}

} // namespace zep::bench
