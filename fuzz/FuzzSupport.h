#pragma once

// Helpers shared by the fuzz targets: a scratch program directory per process, raw file
// writes for the inputs, and a check that stops the run with a readable reason.

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace zep::fuzz {

/// Stops the run: libFuzzer keeps the input that led here as a crash file.
[[noreturn]] inline void fail(const char *what, const QString &detail = QString()) {
    std::fprintf(stderr, "fuzz property broken: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

inline void check(bool holds, const char *what, const QString &detail = QString()) {
    if (!holds)
        fail(what, detail);
}

/// A program directory for this process, in memory when the system offers one (the readers
/// sync every write, which costs nothing on tmpfs). It is removed when the run ends (the fuzzer
/// ends by exit(), after its time or its runs); a run stopped by a fault leaves it to look at.
inline QTemporaryDir *scratchDirectory = nullptr;

inline const QString &scratchDir() {
    static QTemporaryDir *dir = [] {
        const QString shm = QStringLiteral("/dev/shm");
        const bool inMemory = QDir(shm).exists() && ::access("/dev/shm", W_OK) == 0;
        scratchDirectory =
            new QTemporaryDir(inMemory ? shm + QStringLiteral("/zep-fuzz-XXXXXX")
                                       : QDir::tempPath() + QStringLiteral("/zep-fuzz-XXXXXX"));
        std::atexit([] {
            delete scratchDirectory;
            scratchDirectory = nullptr;
        });
        return scratchDirectory;
    }();
    static const QString path = dir->path();
    return path;
}

inline QString scratchFile(const char *name) {
    return scratchDir() + QLatin1Char('/') + QString::fromLatin1(name);
}

/// Writes the input exactly as a user's file would hold it (not through the program's own
/// writers, which are what is under test).
inline void putFile(const QString &path, QByteArrayView bytes) {
    std::FILE *f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f)
        fail("cannot write the input file", path);
    if (!bytes.isEmpty() &&
        std::fwrite(bytes.data(), 1, size_t(bytes.size()), f) != size_t(bytes.size()))
        fail("short write of the input file", path);
    std::fclose(f);
}

inline QByteArray getFile(const QString &path) {
    QByteArray out;
    std::FILE *f = std::fopen(path.toLocal8Bit().constData(), "rb");
    if (!f)
        return QByteArrayLiteral("<missing>");
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out.append(buffer, qsizetype(n));
    std::fclose(f);
    return out;
}

inline QByteArrayView view(const uint8_t *data, size_t size) {
    return QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace zep::fuzz
