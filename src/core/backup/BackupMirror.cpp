#include "core/backup/BackupMirror.h"

#include "core/backup/BackupCopy.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <sys/stat.h>
#include <utility>

namespace zep {

/// Lives in the mirror's thread: every change of the copy is made here, one after the other.
class BackupMirror::Worker : public QObject {
public:
    Worker(BackupMirror &mirror, QString sourceDir)
        : mirror_(mirror), source_(std::move(sourceDir)), retry_(new QTimer(this)) {
        retry_->setInterval(3000);
        QObject::connect(retry_, &QTimer::timeout, this, [this] {
            catchUpNow();
            report();
        });
    }

    /// One change of a data file told by the write path.
    template <class Change> void follow(const QString &name, Change change) {
        followed_.insert(name);
        if (folder_.isEmpty() || behind_)
            return;
        // The folder checked at the last catch-up may have been swapped since (a medium
        // replaced by a link to the data): then the catch-up checks it again first.
        if (folderIdentity() != checkedIdentity_) {
            catchUpNow();
            return;
        }
        if (!keepHeldCopies())
            return;
        settle(change(source_ + QLatin1Char('/') + name, folder_ + QLatin1Char('/') + name));
    }

    void setFolder(const QString &folder) {
        folder_ = folder;
        behind_ = false;
        held_.clear();
        retry_->stop();
        if (!folder_.isEmpty())
            catchUpNow();
    }

    void setRetryInterval(int milliseconds) { retry_->setInterval(milliseconds); }

    void catchUpNow() {
        if (folder_.isEmpty())
            return;
        checkedIdentity_ = folderIdentity();
        if (!keepHeldCopies())
            return;
        const backup::CatchUpResult result = backup::catchUp(source_, folder_, followed_);
        for (const QString &name : result.held)
            held_.insert(name);
        if (result.status) {
            behind_ = false;
            retry_->stop();
        }
        settle(result.status);
    }

    void stop() {
        retry_->stop();
        thread()->quit();
    }

    /// Tells the mirror where the copy stands once a job is done.
    void done() {
        mirror_.pending_.fetch_sub(1);
        report();
    }

    void report() {
        BackupMirror *mirror = &mirror_;
        QMetaObject::invokeMethod(
            mirror, [mirror, behind = behind_] { mirror->refresh(behind); }, Qt::QueuedConnection);
    }

private:
    /// The copy folder's device and inode now; zero when it cannot be reached.
    std::pair<quint64, quint64> folderIdentity() const {
        struct stat info {};
        if (::stat(QFile::encodeName(folder_).constData(), &info) != 0)
            return {0, 0};
        return {quint64(info.st_dev), quint64(info.st_ino)};
    }

    /// A copy held at a catch-up holds QSO lines its log lost (a line cut by a crash, the
    /// operator declined the restore): before the copy follows the log the program changed, it
    /// is kept aside in the copy folder, once.
    bool keepHeldCopies() {
        for (auto it = held_.begin(); it != held_.end();) {
            if (!followed_.contains(*it)) {
                ++it;
                continue;
            }
            if (const IoResult kept = backup::keepCopyAside(folder_, *it); !kept) {
                settle(kept);
                return false;
            }
            it = held_.erase(it);
        }
        return true;
    }

    void settle(const IoResult &result) {
        if (result)
            return;
        if (!behind_) {
            behind_ = true;
            BackupMirror *mirror = &mirror_;
            const QString text =
                QStringLiteral("La copie de sécurité n'a pas pu être faite.\n%1\n"
                               "La saisie continue ; la copie se mettra à jour d'elle-même dès "
                               "que le support sera de nouveau disponible.")
                    .arg(result.message);
            QMetaObject::invokeMethod(
                mirror, [mirror, text] { emit mirror->warning(text); }, Qt::QueuedConnection);
        }
        retry_->start();
    }

    BackupMirror &mirror_;
    QString source_;
    QString folder_;
    bool behind_ = false;
    /// Files the program changed during this run: their copy follows them whatever it holds.
    QSet<QString> followed_;
    /// Logs whose copy could repair them, not yet kept aside.
    QSet<QString> held_;
    std::pair<quint64, quint64> checkedIdentity_{0, 0};
    QTimer *retry_;
};

BackupMirror::BackupMirror(QString programDir, QObject *parent)
    : QObject(parent), programDir_(QDir::cleanPath(programDir)),
      thread_(std::make_unique<QThread>()) {
    thread_->setObjectName(QStringLiteral("Sauvegarde"));
    worker_ = new Worker(*this, programDir_);
    worker_->moveToThread(thread_.get());
    thread_->start();
}

BackupMirror::~BackupMirror() {
    if (installed_)
        setFileChangeObserver(nullptr);
    Worker *worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->stop(); }, Qt::QueuedConnection);
    // A medium that hangs must not keep the program from ending: after a while the worker is
    // left to the end of the process.
    if (!thread_->wait(10000)) {
        std::fprintf(stderr, "%s\n",
                     QStringLiteral("La copie de sécurité ne répond plus ; le programme se ferme "
                                    "sans l'attendre.")
                         .toLocal8Bit()
                         .constData());
        (void)thread_.release();
        return;
    }
    delete worker_;
}

void BackupMirror::install() {
    setFileChangeObserver(this);
    installed_ = true;
}

IoResult BackupMirror::setFolder(const QString &folder) {
    // Kept as given: ".." after a link is resolved by the system, never by the letters (the
    // folder checked is the folder written to).
    folder_ = folder.isEmpty() || QDir::isAbsolutePath(folder) ? folder
                                                               : QDir::current().filePath(folder);
    // A copy onto the originals, by whatever path (a setting edited by hand, a link, a bind
    // mount), would rename old copies over the live files: it is no copy.
    const IoResult refused =
        folder_.isEmpty() ? IoResult::success() : backup::checkFolderApart(folder_, programDir_);
    if (!refused)
        folder_.clear();
    on_.store(!folder_.isEmpty());
    behind_ = false;
    Worker *worker = worker_;
    const QString chosen = folder_;
    pending_.fetch_add(1);
    QMetaObject::invokeMethod(
        worker,
        [worker, chosen] {
            worker->setFolder(chosen);
            worker->done();
        },
        Qt::QueuedConnection);
    refresh(false);
    return refused;
}

void BackupMirror::setRetryInterval(int milliseconds) {
    Worker *worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, milliseconds] { worker->setRetryInterval(milliseconds); },
        Qt::QueuedConnection);
}

QString BackupMirror::statusText(State state) {
    switch (state) {
    case State::UpToDate:
        return QStringLiteral("Sauvegarde : à jour");
    case State::Pending:
        return QStringLiteral("Sauvegarde : en attente");
    case State::Absent:
        return QStringLiteral("Sauvegarde : support absent");
    case State::Off:
        break;
    }
    return QString();
}

QString BackupMirror::nameIn(const QString &path) const {
    if (!on_.load())
        return QString();
    const QString clean = QDir::cleanPath(path);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || QStringView(clean).first(slash) != programDir_)
        return QString();
    const QString name = clean.mid(slash + 1);
    return backup::isDataFileName(name) ? name : QString();
}

template <class Job> void BackupMirror::queue(Job job) {
    pending_.fetch_add(1);
    // The status line learns of the change before the worker can report it done: at once for
    // a save made on the mirror's own thread (the windows'), else through its event queue.
    if (QThread::currentThread() == thread())
        refresh(behind_);
    else
        QMetaObject::invokeMethod(
            this, [this] { refresh(behind_); }, Qt::QueuedConnection);
    Worker *worker = worker_;
    QMetaObject::invokeMethod(
        worker,
        [worker, job = std::move(job)] {
            job(*worker);
            worker->done();
        },
        Qt::QueuedConnection);
}

void BackupMirror::appended(const QString &path, const QByteArray &bytes, qint64 formerSize) {
    const QString name = nameIn(path);
    if (name.isEmpty())
        return;
    queue([name, bytes, formerSize](Worker &w) {
        w.follow(name, [&](const QString &original, const QString &copy) {
            return backup::followAppend(original, copy, bytes, formerSize);
        });
    });
}

void BackupMirror::replaced(const QString &path) {
    const QString name = nameIn(path);
    if (name.isEmpty())
        return;
    queue([name](Worker &w) { w.follow(name, backup::followReplace); });
}

void BackupMirror::removed(const QString &path) {
    const QString name = nameIn(path);
    if (name.isEmpty())
        return;
    queue([name](Worker &w) {
        w.follow(name,
                 [](const QString &, const QString &copy) { return backup::followRemove(copy); });
    });
}

void BackupMirror::refresh(bool behind) {
    behind_ = behind;
    State now = State::UpToDate;
    if (folder_.isEmpty())
        now = State::Off;
    else if (behind_)
        now = State::Absent;
    else if (pending_.load() > 0)
        now = State::Pending;
    if (now == state_)
        return;
    state_ = now;
    emit stateChanged(now);
}

} // namespace zep
