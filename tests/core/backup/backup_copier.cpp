// Keeps a live copy busy until it is killed:  backup_copier <program dir> <backup folder>
// QSO lines are appended to the log of the program directory one after the other, the log is
// rewritten now and then (as a correction does), and the mirror copies every change.

#include "core/backup/BackupMirror.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/QsoLine.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <program dir> <backup folder>\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString log = zep::activityLogPath(dir, QStringLiteral("DFCF-21-001"));
    zep::BackupMirror mirror(dir);
    mirror.install();
    if (const zep::IoResult set = mirror.setFolder(QString::fromLocal8Bit(argv[2])); !set) {
        std::fprintf(stderr, "%s\n", set.message.toLocal8Bit().constData());
        return 1;
    }

    int n = 0;
    QStringList lines;
    QTimer step;
    QObject::connect(&step, &QTimer::timeout, [&] {
        zep::QsoFields f;
        f.date = QStringLiteral("07/12/26");
        f.time = QStringLiteral("14:%1").arg(n % 60, 2, 10, QLatin1Char('0'));
        f.call = QStringLiteral("F%1ABC").arg(n % 10);
        f.mode = QStringLiteral("SSB");
        f.band = QStringLiteral("7");
        const QString line = zep::buildQsoLine(f).line;
        lines << line;
        const zep::IoResult written =
            ++n % 10 == 0 ? zep::writeTextFile(log, lines) : zep::appendTextLine(log, line);
        if (!written) {
            std::fprintf(stderr, "%s\n", written.message.toLocal8Bit().constData());
            app.exit(1);
        }
    });
    step.start(0);
    return app.exec();
}
