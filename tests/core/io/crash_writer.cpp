// Makes one change to a data file, the way the program does, so that a test can kill it at
// any system call:  crash_writer rewrite <file> <line>...   or   crash_writer append <file> <line>
// Prints "fait" once the change is complete and reported successful. Like the program, it
// starts by removing the scratch files an earlier run killed midway left in the folder.

#include "core/io/TextFile.h"

#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s rewrite|append <file> <line>...\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[2]);
    QStringList lines;
    for (int i = 3; i < argc; ++i)
        lines << QString::fromLocal8Bit(argv[i]);

    (void)zep::scratch::removeLeftovers(QFileInfo(path).absolutePath());
    zep::IoResult result;
    if (std::strcmp(argv[1], "rewrite") == 0) {
        result = zep::writeTextFile(path, lines);
    } else if (std::strcmp(argv[1], "append") == 0 && lines.size() == 1) {
        result = zep::appendTextLine(path, lines.front());
    } else {
        std::fprintf(stderr, "usage: %s rewrite|append <file> <line>...\n", argv[0]);
        return 2;
    }
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.message.toLocal8Bit().constData());
        return 1;
    }
    std::puts("fait");
    return 0;
}
