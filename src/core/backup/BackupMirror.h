#pragma once

#include "core/io/TextFile.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

namespace zep {

/// The live copy of the program directory's data files in a second folder (a USB stick,
/// another disk). Told of every change by the crash-safe write path (FileChangeObserver), it
/// queues the matching change of the copy to a worker thread, in order: the save that told it
/// never waits for the copy. A live QSO is appended to the copy when the copy is the original
/// as it was (see backup::appendStep); every other change replaces the copy.
///
/// A copy that fails (medium pulled out, full, read-only) gives one warning, then the worker
/// retries every few seconds with a full comparison of the folder (backup::catchUp), which is
/// also what a new folder and the program's start get; once it succeeds the copy is up to date
/// and a later failure warns again. Changes made while the copy is behind are not queued: the
/// catch-up compares every file anyway.
class BackupMirror : public QObject, public FileChangeObserver {
    Q_OBJECT
public:
    enum class State {
        Off,      ///< no backup folder
        UpToDate, ///< every change so far is in the copy
        Pending,  ///< changes are on their way to the copy
        Absent    ///< the copy failed; retrying
    };

    explicit BackupMirror(QString programDir, QObject *parent = nullptr);
    /// Lets the changes already queued reach the copy, then stops the worker.
    ~BackupMirror() override;

    /// Makes this mirror the process's change observer (undone by the destructor).
    void install();

    /// The copy folder; empty stops the copy. A folder given starts with a catch-up. A folder
    /// that checkFolderApart refuses (the program directory by another path, a folder inside
    /// it or holding it) stops the copy too, and the refusal to show is returned.
    IoResult setFolder(const QString &folder);
    QString folder() const { return folder_; }
    State state() const { return state_; }

    /// The status line of the entry window ("Sauvegarde : à jour"...); empty for Off.
    static QString statusText(State state);

    /// Time between two attempts while the copy is behind (3 s; tests shorten it).
    void setRetryInterval(int milliseconds);

    // FileChangeObserver: called on the writing thread, cheap (no disk access).
    void appended(const QString &path, const QByteArray &bytes, qint64 formerSize) override;
    void replaced(const QString &path) override;
    void removed(const QString &path) override;

signals:
    void stateChanged(zep::BackupMirror::State state);
    /// A copy failed while it was up to date: the French reason, once until it catches up.
    void warning(const QString &text);

private:
    class Worker;
    /// The data file name of `path` when it lies in the program directory, else empty.
    QString nameIn(const QString &path) const;
    /// Counts a job and sends it to the worker (any thread).
    template <class Job> void queue(Job job);
    void refresh(bool behind);

    QString programDir_;
    QString folder_;
    std::atomic<bool> on_{false};
    std::atomic<int> pending_{0};
    bool behind_ = false;
    State state_ = State::Off;
    bool installed_ = false;
    std::unique_ptr<QThread> thread_;
    Worker *worker_ = nullptr; ///< lives in thread_, deleted there at its end
};

} // namespace zep
