#include "CommandLine.h"
#include "backup/ArchiveMenus.h"
#include "backup/BackupMenus.h"
#include "cluster/ClusterMenus.h"
#include "cluster/SpotMenus.h"
#include "core/backup/BackupCopy.h"
#include "core/backup/BackupMirror.h"
#include "core/backup/BackupRestore.h"
#include "core/backup/SettingsCheck.h"
#include "core/countries/CountriesWorked.h"
#include "core/io/Clock.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/Settings.h"
#include "core/io/TextFile.h"
#include "digital/DigitalMenus.h"
#include "entry/EntryKeyer.h"
#include "entry/PartialCheckPanel.h"
#include "entry/Saisie_QSO.h"
#include "exchange/ExportMenus.h"
#include "exchange/Import_ADIF.h"
#include "help/HelpMenus.h"
#include "labels/LabelMenus.h"
#include "platform/CatKeyer.h"
#include "platform/DeviceKeyers.h"
#include "platform/FileChooser.h"
#include "platform/HelperRig.h"
#include "platform/HelperVoiceKeyer.h"
#include "platform/MessageBoxDialogs.h"
#include "platform/Printer.h"
#include "platform/WindowServices.h"
#include "reports/CountryMapMenus.h"
#include "reports/ListingMenus.h"
#include "reports/Recherche_Indicatif.h"
#include "setup/Setup.h"
#include "summary/SummaryMenus.h"

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

/// Who is there to answer the program's messages and questions. A run that nobody watches
/// (--sans-question: tests, a scripted start) has them on the error output, and every question
/// answered "Non", so that nothing waits for a click and nothing is changed unasked.
struct Audience {
    Dialogs &dialogs;
    bool attended = true;
};

/// The dialogs of a run nobody watches: each text goes to the error output.
class ErrorOutputDialogs : public Dialogs {
public:
    void message(const QString &text) override {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    bool question(const QString &text) override {
        message(text);
        return false;
    }
};

/// Reports a problem that stops the start. Also written to the error output, which is all a
/// run nobody watches shows.
void reportStartFailure(const Audience &audience, const QString &text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    if (audience.attended)
        audience.dialogs.message(text);
}

/// The directory of a start without --dir: the per-user data directory, after the offer to
/// move the data still kept in the earlier folder of a program started from its source tree.
QString userDirectory(const Audience &audience) {
    const QString userDir =
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).absolutePath();
    const QString earlierDir = earlierDataDirectory(QDir::homePath());
    const QByteArray table = builtInPrefixTable();
    if (!QFileInfo(earlierDir).isDir() || !dataMoveWanted(earlierDir, userDir, table))
        return userDir;
    // Nobody there to answer the question: the files stay where they are.
    if (!audience.attended) {
        audience.dialogs.message(
            QStringLiteral("Les fichiers de données sont dans \"%1\", pas dans \"%2\".")
                .arg(earlierDir, userDir));
        return userDir;
    }
    // A copy of the program still working in the earlier folder keeps its files there.
    QLockFile earlierLock(dataFile(earlierDir, directoryLockName));
    earlierLock.setStaleLockTime(0);
    if (!earlierLock.tryLock(0))
        return userDir;
    const QString chosen = offerDataMove(audience.dialogs, userDir, earlierDir, table);
    earlierLock.unlock();
    if (chosen == userDir)
        QDir().rmdir(earlierDir); // only when the move left it empty
    return chosen;
}

/// Qt's own French texts ("Oui"/"Non" and the standard dialogs) and the French locale.
void speakFrench(QTranslator &qtFrench) {
    if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

/// The program directory, made when missing and found writable; nothing when the start must
/// stop (said already). The installed program and the one started from its build tree keep
/// their data in the same per-user data directory, never beside the executable.
std::optional<QString> programDirectory(const StartOptions &options, const Audience &audience) {
    const QString programDir = options.directory.isEmpty() ? userDirectory(audience)
                                                           : QDir(options.directory).absolutePath();
    if (!QDir().mkpath(programDir)) {
        reportStartFailure(audience, QStringLiteral("Impossible de créer le répertoire \"%1\".")
                                         .arg(QDir::toNativeSeparators(programDir)));
        return std::nullopt;
    }
    // A directory that cannot be written (read-only, not the user's, its medium removed) is
    // said at once: a window would otherwise take QSOs it cannot save.
    if (const IoResult writable = checkWritable(programDir); !writable) {
        reportStartFailure(audience, writable.message);
        return std::nullopt;
    }
    return programDir;
}

/// One program per directory: two copies would overwrite each other's rewrites. The lock
/// holds the owner's process id, so a lock left by a crash is taken over. Once it is held, the
/// scratch files in the directory are all of earlier runs (cut short by a crash): they go.
bool takeProgramDirectory(const QString &programDir, QLockFile &lock, const Audience &audience) {
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        reportStartFailure(audience,
                           QStringLiteral("Le programme est déjà ouvert sur le répertoire \"%1\".")
                               .arg(QDir::toNativeSeparators(programDir)));
        return false;
    }
    (void)scratch::removeLeftovers(programDir); // what is left cannot be removed is skipped
    return true;
}

/// The backup folder saved in the settings, when it is apart from the data, whatever path
/// names it; empty (and said) otherwise.
QString backupFolderSetting(const SettingsStore &settings, const QString &programDir,
                            const Audience &audience) {
    QString backupFolder = settings.read(keys::dossierSauvegarde, QString());
    if (!backupFolder.isEmpty()) {
        if (const IoResult apart = backup::checkFolderApart(backupFolder, programDir); !apart) {
            reportStartFailure(audience, apart.message);
            backupFolder.clear();
        }
    }
    return backupFolder;
}

/// Everything that lives as long as the program: the settings, the setup window, the live
/// copy, the radio and sound helpers, and the entry window once it is asked for.
class Program {
public:
    Program(const QString &programDir, const Audience &audience)
        : programDir_(programDir), audience_(audience), storedSettings_(&audience.dialogs),
          settings_(storedSettings_), backupFolder_(checkStartFiles()),
          setup_(programDir, settings_, audience.dialogs),
          printing_(makeQtPrintService(&audience.dialogs)), services_{programDir, setup_,
                                                                      settings_,  audience.dialogs,
                                                                      *printing_, files_,
                                                                      clock_},
          mirror_(programDir), voice_(programDir, settings_, &rig_), recorder_(programDir) {}

    int run(QApplication &app) {
        const QString &backupFolder = backupFolder_;
        // At start no activation is open yet: the logs looked at are those of the last one
        // saved, the one the operator is about to reopen, before the copy follows anything.
        CurrentActivation last;
        last.reference = settings_.read(keys::numActivite, QString());
        last.secondReference = settings_.read(keys::numActivite1, QString());
        last.isDouble = !last.secondReference.trimmed().isEmpty();
        offerLogRestore(last, backupFolder);
        connectSummaryToActivationList(setup_, services_);
        mirror_.install();
        // A copy that cannot follow the data must be said: the operator would count on it.
        if (const IoResult set = mirror_.setFolder(backupFolder); !set)
            audience_.dialogs.message(set.message);
        // The entry window is made at the first "Saisie des QSO" and stays loaded for the rest
        // of the run; a later save (another activation reopened or typed) shows it again on
        // the activation the setup window now holds.
        setup_.setEntryWindowOpener([this] { openEntryWindow(); });
        // Closing the setup window ends the program, whatever other windows are open.
        QObject::connect(&setup_, &Setup::unloaded, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        setup_.show();
        return app.exec();
    }

private:
    /// What the start checks before any window reads a file or a setting; gives the backup
    /// folder to use.
    QString checkStartFiles() {
        // A new data directory starts with the prefix table the program carries; a user's own
        // is kept.
        if (const IoResult copied = installPrefixTable(programDir_); !copied)
            reportStartFailure(audience_, copied.message);
        // The settings are input like anything typed: a value no field would have taken
        // (edited by hand, restored from elsewhere) is said once here and read as its default.
        if (const QList<RefusedSetting> refused = refusedSettings(storedSettings_);
            !refused.isEmpty())
            reportStartFailure(audience_, refusedSettingsMessage(refused));
        return backupFolderSetting(settings_, programDir_, audience_);
    }

    /// A log of the activation that its copy in the backup folder could repair is offered back
    /// (at start and at each opening of the entry window). Nobody there to answer: the question
    /// is only said, and the logs are left untouched.
    void offerLogRestore(const CurrentActivation &activation, const QString &folder) {
        offerRestore(audience_.dialogs, activationLogPaths(programDir_, activation), folder,
                     clock_.localNow(), &restoreAsked_);
    }

    void openEntryWindow() {
        offerLogRestore(setup_.currentActivation(), mirror_.folder());
        if (!entry_)
            makeEntryWindow();
        else
            entry_->showCurrentActivation();
        entry_->show();
        entry_->raise();
        entry_->activateWindow();
    }

    void makeEntryWindow() {
        Dialogs &dialogs = audience_.dialogs;
        entry_ = std::make_unique<Saisie_QSO>(programDir_, setup_, settings_, dialogs, clock_);
        Saisie_QSO &entry = *entry_;
        connectSearchWindow(entry, dialogs);
        connectListingWindows(entry, services_);
        connectExports(entry, services_);
        connectAdifImport(entry, services_, clock_);
        // After a restore the settings and the list of activations are read again.
        connectDataArchives(entry, services_, clock_, storedSettings_.location(), [this] {
            storedSettings_.reload();
            setup_.Cherche_Num_Activite();
            // The restored backup folder is checked as any other.
            if (const IoResult set =
                    mirror_.setFolder(settings_.read(keys::dossierSauvegarde, QString()));
                !set)
                audience_.dialogs.message(set.message);
        });
        connectCountriesAndMap(entry, services_);
        connectLabelWindows(entry, services_);
        connectHelpMenu(entry, services_);
        connectMasterScpUpdate(entry, files_, dialogs);
        connectBackup(entry, services_, mirror_);
        connectSummary(entry, services_); // the "Validité" line and the summary window
        // QSOs logged by the FT8 and FT4 programs, and the station's locator.
        connectDigital(entry, services_, clock_);
        entry.attachRig(rig_);
        // F1 to F7: the radio's keyer through the CAT link, cwdaemon and the WinKeyer in CW;
        // the recordings in phone.
        connectKeyer(entry, services_, programKeyers(rig_), &voice_, &recorder_);
        // The announce window proposes the radio's frequency while it answers.
        connectCluster(entry, services_, [e = &entry]() -> std::optional<double> {
            const RigReading &radio = e->radioReading();
            if (!radio.answering())
                return std::nullopt;
            return double(radio.hz) / 1000.0;
        });
        // The cluster's and POTA's spots; Enter on a spot tunes the radio to it.
        connectSpots(entry, services_, clock_,
                     [this](qint64 hz, const QString &mode) {
                         rig_.tune(hz, radio::hamlibMode(mode, hz));
                     });
    }

    const QString programDir_;
    const Audience audience_;
    SystemClock clock_;
    QSettingsStore storedSettings_;
    CheckedSettingsStore settings_;
    const QString backupFolder_; ///< as the start found it in the settings
    Setup setup_;
    const std::unique_ptr<PrintService> printing_;
    QtFileChooser files_;
    const WindowServices services_;
    QSet<QString> restoreAsked_;
    BackupMirror mirror_;
    // The radio outlives the entry window. It is read by the helper program beside this one,
    // so closing the program never waits for a radio that hangs.
    HelperRig rig_;
    // The voice messages are played and recorded by the sound helper beside this program,
    // started at the first use; the PTT stays here, with the radio. Made after the radio and
    // gone before it, so that the PTT it keyed is released through it.
    HelperVoiceKeyer voice_;
    HelperVoiceRecorder recorder_;
    std::unique_ptr<Saisie_QSO> entry_;
};

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
    QTranslator qtFrench;
    speakFrench(qtFrench);

    MessageBoxDialogs messageBoxes;
    ErrorOutputDialogs errorOutput;
    const Audience audience =
        options->unattended ? Audience{errorOutput, false} : Audience{messageBoxes, true};
    const std::optional<QString> programDir = programDirectory(*options, audience);
    if (!programDir)
        return 1;
    QLockFile lock(dataFile(*programDir, directoryLockName));
    if (!takeProgramDirectory(*programDir, lock, audience))
        return 1;
    Program program(*programDir, audience);
    return program.run(app);
}
