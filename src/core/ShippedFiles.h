#pragma once

#include "core/IoResult.h"

#include <QString>

namespace zep {

/// Where the files that come with the program (user guide, prefix table, map) are found.
/// An installed program has its executable in <prefix>/bin and these files in
/// <prefix>/share/zep-rozadovev; a program run from its build tree, or unpacked into a folder
/// of its own, has them beside the executable.
struct ShippedFiles {
    QString dir;
    /// Installed: the executable's directory belongs to the system, never to the user's data,
    /// even when it happens to be writable (a program run as root).
    bool installed = false;
};

/// The folder under <prefix>/share that an installation fills.
inline const QString installedDataFolder = QStringLiteral("zep-rozadovev");

ShippedFiles locateShippedFiles(const QString &executableDir);

/// The French user guide, at its place among the shipped files.
QString userGuidePath(const ShippedFiles &shipped);

/// Copies the shipped file `name` into the program directory when the directory has none, so
/// that a new data directory starts with it. A file already there (perhaps edited by its user)
/// is never replaced, and a file the program was shipped without is not an error.
IoResult provideShippedFile(const ShippedFiles &shipped, const QString &programDir,
                            const QString &name);

} // namespace zep
