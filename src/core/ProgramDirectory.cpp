#include "core/ProgramDirectory.h"

#include <QDir>
#include <QFileInfo>

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

QString dataFile(const QString &programDir, const QString &name) {
    return programDir + QLatin1Char('/') + name;
}

} // namespace zep
