#pragma once

#include "core/io/TextFile.h"

#include <QHash>
#include <QString>

namespace zep::sidefile {

/// The file kept beside a log for what its lines do not hold (the radio's frequency, the
/// locator): the log's name without ".txt", then `extension` (".frq", ".loc").
QString pathFor(const QString &logPath, const QString &extension);

/// Makes `to` a copy of `from` through the crash-safe path, or removes it when there is no
/// `from`: the side file of a second log follows the first's.
[[nodiscard]] IoResult copy(const QString &from, const QString &to, const QString &scratchName);

/// Reads the side file `path`: each line `parse` takes (a QSO line and its value) by its QSO
/// line; the lines it refuses (damaged, edited by hand) are passed over. A missing file reads
/// as empty and succeeds.
template <typename T, typename Parse>
[[nodiscard]] IoResult read(const QString &path, QHash<QString, T> &byLine, Parse parse) {
    const TextLines file = readTextFile(path);
    if (file.missing)
        return IoResult::success();
    if (!file.status)
        return file.status;
    for (const QString &line : file.lines)
        if (const auto entry = parse(line))
            byLine.insert(entry->first, entry->second);
    return IoResult::success();
}

} // namespace zep::sidefile
