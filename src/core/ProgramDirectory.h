#pragma once

#include "core/IoResult.h"

#include <QString>

namespace zep {

/// The program directory, where every data file lives: the one given with --dir, else the
/// executable's directory when it is writable, else the per-user data directory.
QString resolveProgramDirectory(const QString &requested, const QString &executableDir,
                                const QString &userDataDir);

/// Whether the program can keep its files in `programDir`: a small file is created there,
/// written, synced and removed, as every save will do. A read-only medium, a directory the user
/// may not write, or a medium that was removed gives the French message to show before any
/// window opens, so that nothing is typed that could not be saved.
IoResult checkWritable(const QString &programDir);

/// Path of a data file in the program directory.
QString dataFile(const QString &programDir, const QString &name);

} // namespace zep
