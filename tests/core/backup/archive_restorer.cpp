// Restores an archive the way "Restaurer une archive…" does, so that a test can kill it at any
// system call:  archive_restorer <archive.zip> <data directory> <settings file>
// Prints "fait" once every file is restored and the restore reported successful.

#include "core/backup/DataArchive.h"

#include <QDateTime>

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <archive.zip> <data directory> <settings file>\n", argv[0]);
        return 2;
    }
    const zep::archive::Layout layout{QString::fromLocal8Bit(argv[2]),
                                      QString::fromLocal8Bit(argv[3])};
    const zep::archive::Contents contents =
        zep::archive::readArchive(QString::fromLocal8Bit(argv[1]));
    const zep::archive::Restored restored =
        zep::archive::restore(contents, layout, QDateTime(QDate(2024, 5, 20), QTime(14, 32)));
    if (!restored.status.ok) {
        std::fprintf(stderr, "%s\n", restored.status.message.toLocal8Bit().constData());
        return 1;
    }
    std::puts("fait");
    return 0;
}
