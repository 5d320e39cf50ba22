#include "core/io/ShippedFiles.h"

#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"

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

} // namespace zep
