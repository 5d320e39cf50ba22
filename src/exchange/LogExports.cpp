#include "exchange/LogExports.h"

#include "core/exchange/AdifExport.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/ActivityLog.h"
#include "core/reports/TrafficReport.h"
#include "entry/Saisie_QSO.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStandardPaths>

namespace zep {

LogExports::LogExports(Saisie_QSO &entry, const WindowServices &services)
    : entry_(entry), services_(services), adifDir_(adifStartFolder()) {}

LogExports::LogBytes LogExports::readLog() const {
    const QString path =
        activityLogPath(services_.programDir, services_.activation.currentActivation().reference);
    const rawfile::Bytes read = rawfile::read(path);
    // A log not written yet holds no QSO, as the entry window's list shows it.
    if (read.missing)
        return {true, {}, 0, {}};
    if (!read.status)
        return {false, {}, read.status.code, read.status.message};
    return {true, read.bytes, 0, {}};
}

QString adifStartFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QString adifErrorMessage(int code, const QString &cause) {
    return QStringLiteral("Erreur  %1\n%2").arg(code).arg(cause);
}

bool isActivityLog(const QString &programDir, const CurrentActivation &a, const QString &path) {
    const QFileInfo chosen(path);
    for (const QString &number : {a.reference, a.secondReference}) {
        if (number.trimmed().isEmpty())
            continue;
        const QFileInfo log(activityLogPath(programDir, number));
        // Files that exist are compared as the system finds them (links, "..");
        // a name not written yet only by its path: two such names are not one file.
        const bool same = chosen.exists() && log.exists()
                              ? chosen == log
                              : QDir::cleanPath(chosen.absoluteFilePath()) ==
                                    QDir::cleanPath(log.absoluteFilePath());
        if (same)
            return true;
    }
    return false;
}

std::optional<QString> LogExports::exportAdif() {
    const CurrentActivation a = services_.activation.currentActivation();
    // The title stays above the QSO list until the entry window is loaded again; the file's
    // first line is written from it.
    entry_.Entete->setText(adif::title(a.activator));

    const QString proposed =
        QDir(adifDir_).filePath(adif::proposedFileName(a.reference.trimmed(), a.date));
    // The suffix makes an accepted proposal "<reference>_<date>.adi", which importers list.
    const std::optional<QString> chosen =
        services_.files.saveFileName(&entry_, QStringLiteral("Exporter au format ADIF"), proposed,
                                     QStringLiteral(".adi (*.adi)"), QStringLiteral("adi"));
    if (!chosen)
        return std::nullopt;
    if (chosen->trimmed().isEmpty()) {
        services_.dialogs.message(QStringLiteral("selectionnez un fichier ou quitter"));
        return std::nullopt;
    }
    // Saving over the log itself would replace every QSO by its ADIF record.
    if (isActivityLog(services_.programDir, a, *chosen)) {
        services_.dialogs.message(
            QStringLiteral("Ce fichier est le log de l'activation : choisissez un autre nom."));
        return std::nullopt;
    }

    const LogBytes log = readLog();
    if (!log.ok) {
        services_.dialogs.message(adifErrorMessage(log.code, log.message));
        return std::nullopt;
    }
    int unknownModes = 0;
    const QByteArray content = adif::document(entry_.Entete->text(), log.bytes, &unknownModes);
    // The scratch file lies beside the chosen one (the rename must not cross file systems)
    // under a name no one else's file is likely to carry.
    const QString scratch =
        QLatin1Char('.') + QFileInfo(*chosen).fileName() + QStringLiteral(".zep-tmp");
    const IoResult written = writeBytesFile(*chosen, content, scratch);
    if (!written) {
        services_.dialogs.message(adifErrorMessage(written.code, written.message));
        return std::nullopt;
    }
    adifDir_ = QFileInfo(*chosen).absolutePath();
    services_.dialogs.message(QStringLiteral("Le fichier a été crée sous  ") + *chosen +
                              adif::unknownModesNote(unknownModes));
    return chosen;
}

std::optional<QString> LogExports::exportTrafficReport() {
    const CurrentActivation a = services_.activation.currentActivation();
    const LogBytes log = readLog();
    if (!log.ok) {
        services_.dialogs.message(log.message);
        return std::nullopt;
    }
    const QString path = dataFile(services_.programDir, ctf::fileName(a.reference));
    const IoResult written = writeBytesFile(path, ctf::document(log.bytes));
    if (!written) {
        services_.dialogs.message(written.message);
        return std::nullopt;
    }
    services_.dialogs.message(QStringLiteral("Le fichier a été crée sous le nom ") +
                              QDir::toNativeSeparators(path));
    return path;
}

} // namespace zep
