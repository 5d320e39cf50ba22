#include "CommandLine.h"
#include "backup/ArchiveMenus.h"
#include "backup/BackupMenus.h"
#include "cluster/ClusterMenus.h"
#include "core/backup/BackupCopy.h"
#include "core/backup/BackupMirror.h"
#include "core/backup/BackupRestore.h"
#include "core/backup/SettingsCheck.h"
#include "core/countries/CountriesWorked.h"
#include "core/io/Clock.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/Settings.h"
#include "entry/EntryKeyer.h"
#include "entry/PartialCheckPanel.h"
#include "entry/Saisie_QSO.h"
#include "entry/WindowServices.h"
#include "exchange/ExportMenus.h"
#include "exchange/Import_ADIF.h"
#include "help/HelpMenus.h"
#include "labels/LabelMenus.h"
#include "platform/CatKeyer.h"
#include "platform/DeviceKeyers.h"
#include "platform/FileChooser.h"
#include "platform/MessageBoxDialogs.h"
#include "platform/PosteRig.h"
#include "platform/Printer.h"
#include "platform/VoixKeyer.h"
#include "reports/CountryMapMenus.h"
#include "reports/ListingMenus.h"
#include "reports/Recherche_Indicatif.h"
#include "setup/Setup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QLockFile>
#include <QStandardPaths>
#include <QTranslator>

#include <cstdio>
#include <memory>
#include <optional>

using namespace zep;

namespace {

/// Reports a problem that stops the start. Also written to the error output, and only there
/// when no screen can show a message box (offscreen runs would wait forever on it).
void reportStartFailure(Dialogs &dialogs, const QString &text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        dialogs.message(text);
}

/// The directory of a start without --dir: the per-user data directory, after the offer to
/// move the data still kept in the earlier folder of a program started from its source tree.
QString userDirectory(Dialogs &dialogs) {
    const QString userDir =
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).absolutePath();
    const QString earlierDir = earlierDataDirectory(QDir::homePath());
    const QByteArray table = builtInPrefixTable();
    if (!QFileInfo(earlierDir).isDir() || !dataMoveWanted(earlierDir, userDir, table))
        return userDir;
    // Offscreen, nobody can answer the question: the files stay where they are.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        std::fprintf(stderr, "%s\n",
                     QStringLiteral("Les fichiers de données sont dans \"%1\", pas dans \"%2\".")
                         .arg(earlierDir, userDir)
                         .toLocal8Bit()
                         .constData());
        return userDir;
    }
    // A copy of the program still working in the earlier folder keeps its files there.
    QLockFile earlierLock(dataFile(earlierDir, directoryLockName));
    earlierLock.setStaleLockTime(0);
    if (!earlierLock.tryLock(0))
        return userDir;
    const QString chosen = offerDataMove(dialogs, userDir, earlierDir, table);
    earlierLock.unlock();
    if (chosen == userDir)
        QDir().rmdir(earlierDir); // only when the move left it empty
    return chosen;
}

} // namespace

int main(int argc, char **argv) {
    QApplication::setApplicationName(QStringLiteral("ZEP_Rozadovev"));
    QApplication::setOrganizationName(QStringLiteral("Riduzazur"));
    // The command line is read before the application object, which needs a screen: a wrong
    // option is said in French even over ssh.
    const QStringList arguments = commandLineArguments(argc, argv);
    if (const std::optional<int> answered = answerInformationRequest(arguments))
        return *answered;
    const std::optional<StartOptions> options = readCommandLine(arguments);
    if (!options)
        return 2;
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("zep-rozadovev"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zep-rozadovev")));

    // Qt's own French texts: "Oui"/"Non" and the standard dialogs.
    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    // The installed program and the one started from its build tree keep their data in the same
    // per-user data directory, never beside the executable.
    MessageBoxDialogs dialogs;
    const QString programDir = options->directory.isEmpty()
                                   ? userDirectory(dialogs)
                                   : QDir(options->directory).absolutePath();
    if (!QDir().mkpath(programDir)) {
        reportStartFailure(dialogs, QStringLiteral("Impossible de créer le répertoire \"%1\".")
                                        .arg(QDir::toNativeSeparators(programDir)));
        return 1;
    }

    // A directory that cannot be written (read-only, not the user's, its medium removed) is
    // said at once: a window would otherwise take QSOs it cannot save.
    if (const IoResult writable = checkWritable(programDir); !writable) {
        reportStartFailure(dialogs, writable.message);
        return 1;
    }

    // One program per directory: two copies would overwrite each other's rewrites. The lock
    // holds the owner's process id, so a lock left by a crash is taken over.
    QLockFile lock(dataFile(programDir, directoryLockName));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        reportStartFailure(dialogs,
                           QStringLiteral("Le programme est déjà ouvert sur le répertoire \"%1\".")
                               .arg(QDir::toNativeSeparators(programDir)));
        return 1;
    }

    // A new data directory starts with the prefix table the program carries; a user's own is
    // kept.
    if (const IoResult copied = installPrefixTable(programDir); !copied)
        reportStartFailure(dialogs, copied.message);

    // The settings are input like anything typed: a value no field would have taken (edited
    // by hand, restored from elsewhere) is said once here and read as its default.
    QSettingsStore storedSettings;
    CheckedSettingsStore settings(storedSettings);
    if (const QList<RefusedSetting> refused = refusedSettings(storedSettings); !refused.isEmpty())
        reportStartFailure(dialogs, refusedSettingsMessage(refused));
    // The backup folder must be apart from the data, whatever path names it.
    QString backupFolder = settings.read(keys::dossierSauvegarde, QString());
    if (!backupFolder.isEmpty()) {
        if (const IoResult apart = backup::checkFolderApart(backupFolder, programDir); !apart) {
            reportStartFailure(dialogs, apart.message);
            backupFolder.clear();
        }
    }
    SystemClock clock;
    Setup setup(programDir, settings, dialogs);
    const std::unique_ptr<PrintService> printing = makeQtPrintService(&dialogs);
    QtFileChooser files;
    const WindowServices services{programDir, setup, settings, dialogs, *printing, files};
    // Before the copy follows anything, a log of the opened activation that its copy in the
    // backup folder could repair is offered back (and again at each opening of the entry
    // window). Offscreen nobody can answer: the logs are named on the error output, untouched.
    QSet<QString> restoreAsked;
    const auto offerLogRestore = [&](const CurrentActivation &activation, const QString &folder) {
        const QStringList logs = activationLogPaths(programDir, activation);
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            for (const QString &log : logs)
                if (const std::optional<RestoreCandidate> c = restoreCandidate(log, folder))
                    std::fprintf(stderr, "%s\n",
                                 restoreQuestion(*c, clock.localNow()).toLocal8Bit().constData());
            return;
        }
        offerRestore(dialogs, logs, folder, clock.localNow(), &restoreAsked);
    };
    // At start no activation is open yet: the logs looked at are those of the last one saved,
    // the one the operator is about to reopen.
    CurrentActivation last;
    last.reference = settings.read(keys::numActivite, QString());
    last.secondReference = settings.read(keys::numActivite1, QString());
    last.isDouble = !last.secondReference.trimmed().isEmpty();
    offerLogRestore(last, backupFolder);
    BackupMirror mirror(programDir);
    mirror.install();
    mirror.setFolder(backupFolder);
    // The entry window is made at the first "Saisie des QSO" and stays loaded for the rest of
    // the run; a later save (another activation reopened or typed) shows it again on the
    // activation the setup window now holds.
    // The radio outlives the entry window. It is read by the helper program beside this one,
    // so closing the program never waits for a radio that hangs.
    PosteRig rig;
    // The voice messages are played and recorded by the sound helper beside this program,
    // started at the first use; the PTT stays here, with the radio. Made after the radio and
    // gone before it, so that the PTT it keyed is released through it.
    VoixKeyer voice(programDir, settings, &rig);
    VoixRecorder recorder(programDir);
    std::unique_ptr<Saisie_QSO> entry;
    setup.setEntryWindowOpener([&] {
        offerLogRestore(setup.currentActivation(), mirror.folder());
        if (!entry) {
            entry = std::make_unique<Saisie_QSO>(programDir, setup, settings, dialogs, clock);
            connectSearchWindow(*entry, dialogs);
            connectListingWindows(*entry, services);
            connectExports(*entry, services);
            connectAdifImport(*entry, services, clock);
            // After a restore the settings and the list of activations are read again.
            connectDataArchives(*entry, services, clock, storedSettings.location(), [&] {
                storedSettings.reload();
                setup.Cherche_Num_Activite();
                // The restored backup folder is checked as any other.
                if (const IoResult set =
                        mirror.setFolder(settings.read(keys::dossierSauvegarde, QString()));
                    !set)
                    dialogs.message(set.message);
            });
            connectCountriesAndMap(*entry, services);
            connectLabelWindows(*entry, services);
            connectHelpMenu(*entry, services);
            connectMasterScpUpdate(*entry, files, dialogs);
            connectBackup(*entry, services, mirror);
            entry->attachRig(rig);
            // F1 to F7: the radio's keyer through the CAT link, cwdaemon and the WinKeyer in
            // CW; the recordings in phone.
            connectKeyer(*entry, services, programKeyers(rig), &voice, &recorder);
            // The announce window proposes the radio's frequency while it answers.
            connectCluster(*entry, services, [e = entry.get()]() -> std::optional<double> {
                const RigReading &radio = e->radioReading();
                if (!radio.answering())
                    return std::nullopt;
                return double(radio.hz) / 1000.0;
            });
        } else
            entry->showCurrentActivation();
        entry->show();
        entry->raise();
        entry->activateWindow();
    });
    // Closing the setup window ends the program, whatever other windows are open.
    QObject::connect(&setup, &Setup::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    setup.show();
    return app.exec();
}
