#include "core/ProgramDirectory.h"

#include "core/SysCalls.h"
#include "core/TextFile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zep {

QString resolveProgramDirectory(const QString &requested, const QString &executableDir,
                                const QString &userDataDir) {
    if (!requested.isEmpty())
        return QDir(requested).absolutePath();
    const QByteArray exe = QFile::encodeName(executableDir);
    if (!executableDir.isEmpty() && ::access(exe.constData(), W_OK) == 0)
        return QDir(executableDir).absolutePath();
    return QDir(userDataDir).absolutePath();
}

IoResult checkWritable(const QString &programDir) {
    const QByteArray probe =
        QFile::encodeName(dataFile(programDir, QStringLiteral(".zep-rozadovev.essai")));
    sys::Calls &calls = sys::calls();
    int error = 0;
    const int fd = calls.open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno;
    } else {
        static const char line[] = "essai\r\n";
        if (calls.write(fd, line, sizeof line - 1) != ssize_t(sizeof line - 1) ||
            calls.fsync(fd) != 0)
            error = errno != 0 ? errno : EIO;
        if (calls.close(fd) != 0 && error == 0)
            error = errno;
        if (calls.unlink(probe.constData()) != 0 && error == 0)
            error = errno;
    }
    if (error == 0)
        return IoResult::success();
    return IoResult::failure(
        QStringLiteral("Le répertoire \"%1\" ne permet pas d'enregistrer les fichiers du "
                       "programme : %2.\nVérifiez que le support est bien branché et qu'il "
                       "n'est pas en lecture seule, puis relancez le programme.")
            .arg(QDir::toNativeSeparators(programDir), errorReason(error)));
}

QString dataFile(const QString &programDir, const QString &name) {
    return programDir + QLatin1Char('/') + name;
}

} // namespace zep
