#include "core/ProgramDirectory.h"
#include "core/Settings.h"
#include "platform/MessageBoxDialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLibraryInfo>
#include <QLockFile>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

using namespace zep;

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEP_Rozadovev"));
    QApplication::setOrganizationName(QStringLiteral("Riduzazur"));

    // Qt's own French texts: "Oui"/"Non" and the standard dialogs.
    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Carnet de trafic pour activations"));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"),
                                       QStringLiteral("Répertoire du programme (fichiers de données)."),
                                       QStringLiteral("DIR"));
    parser.addOption(dirOption);
    parser.process(app);

    const QString programDir = resolveProgramDirectory(
        parser.value(dirOption), QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    MessageBoxDialogs dialogs;
    if (!QDir().mkpath(programDir)) {
        dialogs.message(QStringLiteral("Impossible de créer le répertoire \"%1\".").arg(programDir));
        return 1;
    }

    // One program per directory: two copies would overwrite each other's rewrites. The lock
    // holds the owner's process id, so a lock left by a crash is taken over.
    QLockFile lock(dataFile(programDir, QStringLiteral(".zep-rozadovev.lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        dialogs.message(QStringLiteral("Le programme est déjà ouvert sur le répertoire \"%1\".")
                            .arg(QDir::toNativeSeparators(programDir)));
        return 1;
    }

    QSettingsStore settings;
    settings.write(keys::cheminRepertoire, QDir::toNativeSeparators(programDir));
    settings.write(keys::revision, revisionText);
    return 0;
}
