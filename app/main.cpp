#include "CommandLine.h"
#include "core/Clock.h"
#include "core/CountriesWorked.h"
#include "core/ProgramDirectory.h"
#include "core/Settings.h"
#include "core/ShippedFiles.h"
#include "entry/Saisie_QSO.h"
#include "entry/WindowServices.h"
#include "help/HelpMenus.h"
#include "labels/LabelMenus.h"
#include "platform/FileChooser.h"
#include "platform/MessageBoxDialogs.h"
#include "platform/Printer.h"
#include "reports/CountryMapMenus.h"
#include "reports/ExportMenus.h"
#include "reports/Import_ADIF.h"
#include "reports/ListingMenus.h"
#include "reports/Recherche_Indicatif.h"
#include "setup/Setup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
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

} // namespace

int main(int argc, char **argv) {
    QApplication::setApplicationName(QStringLiteral("ZEP_Rozadovev"));
    QApplication::setOrganizationName(QStringLiteral("Riduzazur"));
    if (const std::optional<int> answered = answerInformationRequest(argc, argv))
        return *answered;
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("zep-rozadovev"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zep-rozadovev")));

    // Qt's own French texts: "Oui"/"Non" and the standard dialogs.
    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    QCommandLineParser parser;
    const QCommandLineOption dirOption = directoryOption();
    if (!parseCommandLine(parser, dirOption))
        return 2;

    // An installed program never keeps its data beside its executable, even where it could
    // write there (run as root): the per-user data directory holds them.
    const ShippedFiles shipped = locateShippedFiles(QCoreApplication::applicationDirPath());
    const QString programDir =
        QDir(resolveProgramDirectory(
                 parser.value(dirOption),
                 shipped.installed ? QString() : QCoreApplication::applicationDirPath(),
                 QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)))
            .absolutePath();
    MessageBoxDialogs dialogs;
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
    QLockFile lock(dataFile(programDir, QStringLiteral(".zep-rozadovev.lock")));
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

    QSettingsStore settings;
    SystemClock clock;
    Setup setup(programDir, settings, dialogs);
    const std::unique_ptr<PrintService> printing = makeQtPrintService(&dialogs);
    QtFileChooser files;
    const WindowServices services{programDir, setup, settings, dialogs, *printing, files};
    // The entry window is made at the first "Saisie des QSO" and stays loaded for the rest of
    // the run; a later save (another activation reopened or typed) shows it again on the
    // activation the setup window now holds.
    std::unique_ptr<Saisie_QSO> entry;
    setup.setEntryWindowOpener([&] {
        if (!entry) {
            entry = std::make_unique<Saisie_QSO>(programDir, setup, settings, dialogs, clock);
            connectSearchWindow(*entry, dialogs);
            connectListingWindows(*entry, services);
            connectExports(*entry, services);
            connectAdifImport(*entry, services, clock);
            connectCountriesAndMap(*entry, services);
            connectLabelWindows(*entry, services);
            connectHelpMenu(*entry, services);
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
