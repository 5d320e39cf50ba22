#include "core/ShippedFiles.h"

#include "core/ProgramDirectory.h"
#include "core/TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace zep {

ShippedFiles locateShippedFiles(const QString &executableDir) {
    const QDir exe(executableDir);
    const QString share =
        QDir::cleanPath(exe.filePath(QStringLiteral("../share/") + installedDataFolder));
    if (QFileInfo(exe.absolutePath()).fileName() == QLatin1String("bin") &&
        QFileInfo(share).isDir())
        return {share, true};
    return {exe.absolutePath(), false};
}

QString userGuidePath(const ShippedFiles &shipped) {
    return QDir(shipped.dir).filePath(QStringLiteral("help/guide.html"));
}

IoResult provideShippedFile(const ShippedFiles &shipped, const QString &programDir,
                            const QString &name) {
    const QString target = dataFile(programDir, name);
    const QString source = QDir(shipped.dir).filePath(name);
    if (fileExists(target) || !QFileInfo(source).isFile())
        return IoResult::success();
    return copyFileSafely(source, target);
}

} // namespace zep
