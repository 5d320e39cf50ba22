#pragma once

#include <QString>

namespace zep {

/// The program directory, where every data file lives: the one given with --dir, else the
/// executable's directory when it is writable, else the per-user data directory.
QString resolveProgramDirectory(const QString &requested, const QString &executableDir,
                                const QString &userDataDir);

/// Path of a data file in the program directory.
QString dataFile(const QString &programDir, const QString &name);

} // namespace zep
