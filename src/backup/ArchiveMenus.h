#pragma once

#include "core/backup/DataArchive.h"
#include "core/io/Clock.h"
#include "platform/WindowServices.h"

#include <QObject>

#include <functional>

class QAction;
class QThread;

namespace zep {

class EntryDoor;

/// "Fichiers" > "Archiver les données…" and "Restaurer une archive…" of the entry window, added
/// by the constructor.
/// The archive is written on a worker thread, so that typing goes on while a large directory
/// is compressed; the two items wait, greyed, until it is done. The restore shows the
/// comparison window, then every window reads its files again.
class DataArchiveActions : public QObject {
    Q_OBJECT
public:
    /// `settingsFile`: the settings INI file taken into each archive. `afterRestore`: what
    /// else follows the restored files (the setup window's list of activations).
    DataArchiveActions(EntryDoor &entry, const WindowServices &services, Clock &clock,
                       QString settingsFile, std::function<void()> afterRestore = {});
    ~DataArchiveActions() override;

    /// The save dialog, then the archive started; false when the operator cancelled or an
    /// archive is still being written.
    bool archive();
    bool archiving() const { return worker_ != nullptr; }
    /// The open dialog, the archive read and checked, the comparison window; true when files
    /// were restored.
    bool restore();

signals:
    /// The archive is written (or failed, said to the operator).
    void archiveFinished(bool ok);

private:
    void finishArchive(const archive::Written &result, const QString &target);
    archive::Layout layout() const;
    QString startFolder() const;

    /// Both items wait, greyed, while an archive is written or read.
    void setItemsEnabled(bool enabled);

    EntryDoor &entry_;
    QAction *archiveItem_;
    QAction *restoreItem_;
    WindowServices services_;
    Clock &clock_;
    QString settingsFile_;
    std::function<void()> afterRestore_;
    QThread *worker_ = nullptr;
};

/// Adds the two menu items, wired to actions living as long as the entry window.
DataArchiveActions *connectDataArchives(EntryDoor &entry, const WindowServices &services,
                                        Clock &clock, const QString &settingsFile,
                                        std::function<void()> afterRestore = {});

} // namespace zep
