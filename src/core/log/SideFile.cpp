#include "core/log/SideFile.h"

namespace zep::sidefile {

QString pathFor(const QString &logPath, const QString &extension) {
    QString base = logPath;
    if (base.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive))
        base.chop(4);
    return base + extension;
}

IoResult copy(const QString &from, const QString &to, const QString &scratchName) {
    if (!fileExists(from))
        return fileExists(to) ? removeFile(to) : IoResult::success();
    return copyFileSafely(from, to, scratchName);
}

} // namespace zep::sidefile
