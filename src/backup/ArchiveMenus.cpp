#include "backup/ArchiveMenus.h"

#include "backup/Restaurer_Archive.h"
#include "exchange/LogExports.h"
#include "platform/EntryDoor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <memory>

namespace zep {

namespace {

/// The folder of the last archive written or restored, proposed again.
const QString archiveFolderKey = QStringLiteral("Archive Dossier");
const QString zipFilter = QStringLiteral("Archives zip (*.zip *.ZIP);;Tous les fichiers (*)");

} // namespace

DataArchiveActions::DataArchiveActions(EntryDoor &entry, const WindowServices &services,
                                       Clock &clock, QString settingsFile,
                                       std::function<void()> afterRestore)
    : QObject(entry.widget()), entry_(entry),
      archiveItem_(entry.addMenuItem(EntryMenu::Files, QStringLiteral("Mnu_Archiver"),
                                     QStringLiteral("Archiver les données…"))),
      restoreItem_(entry.addMenuItem(EntryMenu::Files, QStringLiteral("Mnu_Restaurer"),
                                     QStringLiteral("Restaurer une archive…"))),
      services_(services), clock_(clock), settingsFile_(std::move(settingsFile)),
      afterRestore_(std::move(afterRestore)) {
    connect(archiveItem_, &QAction::triggered, this, [this] { archive(); });
    connect(restoreItem_, &QAction::triggered, this, [this] { restore(); });
}

void DataArchiveActions::setItemsEnabled(bool enabled) {
    archiveItem_->setEnabled(enabled);
    restoreItem_->setEnabled(enabled);
}

DataArchiveActions::~DataArchiveActions() {
    // The program ends while an archive is written: it is finished first, never cut.
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
}

archive::Layout DataArchiveActions::layout() const {
    return {services_.programDir, settingsFile_};
}

QString DataArchiveActions::startFolder() const {
    const QString folder = services_.settings.read(archiveFolderKey, QString());
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : adifStartFolder();
}

bool DataArchiveActions::archive() {
    if (worker_)
        return false;
    const QString proposed =
        QDir(startFolder()).filePath(archive::proposedArchiveName(clock_.localNow()));
    const std::optional<QString> chosen =
        services_.files.saveFileName(entry_.widget(), QStringLiteral("Archiver les données"),
                                     proposed, zipFilter, QStringLiteral("zip"));
    if (!chosen || chosen->isEmpty())
        return false;
    const QString target = QFileInfo(*chosen).absoluteFilePath();
    services_.settings.write(archiveFolderKey, QFileInfo(target).absolutePath());

    setItemsEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    auto result = std::make_shared<archive::Written>();
    worker_ = QThread::create(
        [result, layout = layout(), target] { *result = archive::writeArchive(layout, target); });
    // Emitted by the worker thread, received here on the GUI thread (a queued call).
    connect(worker_, &QThread::finished, this, [this, result, target] {
        worker_->deleteLater();
        worker_ = nullptr;
        finishArchive(*result, target);
    });
    worker_->start();
    return true;
}

void DataArchiveActions::finishArchive(const archive::Written &result, const QString &target) {
    QApplication::restoreOverrideCursor();
    setItemsEnabled(true);
    if (result.status)
        services_.dialogs.message(
            QStringLiteral("Les données sont archivées dans le fichier \"%1\" : il contient %2 "
                           "fichier(s).")
                .arg(QDir::toNativeSeparators(target))
                .arg(result.fileCount));
    else
        services_.dialogs.message(result.status.message);
    emit archiveFinished(result.status.ok);
}

bool DataArchiveActions::restore() {
    if (worker_)
        return false;
    const std::optional<QString> chosen = services_.files.openFileName(
        entry_.widget(), QStringLiteral("Restaurer une archive"), startFolder(), zipFilter);
    if (!chosen || chosen->isEmpty())
        return false;
    const QString zipPath = QFileInfo(*chosen).absoluteFilePath();
    services_.settings.write(archiveFolderKey, QFileInfo(zipPath).absolutePath());

    // Read and checked on a worker thread (up to the archive's limits, a second or two): the
    // windows keep drawing meanwhile, and the keys typed wait until the archive is read.
    setItemsEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    archive::Contents contents;
    {
        std::unique_ptr<QThread> reader(
            QThread::create([&contents, zipPath] { contents = archive::readArchive(zipPath); }));
        QEventLoop wait;
        connect(reader.get(), &QThread::finished, &wait, &QEventLoop::quit);
        reader->start();
        wait.exec(QEventLoop::ExcludeUserInputEvents);
        reader->wait();
    }
    QApplication::restoreOverrideCursor();
    setItemsEnabled(true);
    if (!contents.status) {
        services_.dialogs.message(contents.status.message);
        return false;
    }
    Restaurer_Archive window(zipPath, std::move(contents), layout(), services_.dialogs, clock_,
                             entry_.widget());
    const bool restored = window.exec() == QDialog::Accepted;
    if (window.restoreAttempted()) {
        // The logs, the memory and the settings may all have changed: every window reads
        // them again, as after another activation is opened.
        if (afterRestore_)
            afterRestore_();
        entry_.showCurrentActivation();
    }
    return restored;
}

DataArchiveActions *connectDataArchives(EntryDoor &entry, const WindowServices &services,
                                        Clock &clock, const QString &settingsFile,
                                        std::function<void()> afterRestore) {
    return new DataArchiveActions(entry, services, clock, settingsFile, std::move(afterRestore));
}

} // namespace zep
