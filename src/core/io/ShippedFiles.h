#pragma once

#include <QString>

namespace zep {

/// Where the files that come with the program (the user guide) are found.
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

} // namespace zep
