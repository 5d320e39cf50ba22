#pragma once

#include "core/backup/DataArchive.h"
#include "core/io/Clock.h"
#include "core/io/Dialogs.h"

#include <QDialog>

#include <atomic>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;
class QTimer;

namespace zep {

/// "Restaurer une archive": every file of a zip archive against the program's files on disk,
/// its size and date on each side ("absent" when missing) and its status ("identique",
/// "différent", "absent du disque", "seulement sur le disque"). "Restaurer" asks, then writes
/// the files of the archive that differ or are missing; the files it replaces are kept in a
/// folder "Avant restauration aaaammjj_hhmm" of the program directory, the files only on disk
/// are left. Nothing is written before the operator answers "Oui". The restore runs on a worker
/// thread behind a progress bar; "Annuler" (or closing the window) then stops it and every file
/// is put back as it was.
class Restaurer_Archive : public QDialog {
    Q_OBJECT
public:
    Restaurer_Archive(QString zipPath, archive::Contents contents, archive::Layout layout,
                      Dialogs &dialogs, Clock &clock, QWidget *parent = nullptr);

    ~Restaurer_Archive() override;

    /// The question, then the restore started; the window closes once the files are written.
    void Restaurer_Click();
    /// Whether a restore ran (it may have failed): the windows then read their files again.
    bool restoreAttempted() const { return attempted_; }
    /// A restore is under way.
    bool restoring() const { return worker_ != nullptr; }

    /// "Annuler" or the window closed: a restore under way is stopped, else the window closes.
    void reject() override;

    /// The columns of the list.
    enum Column {
        ColFichier,
        ColTailleArchive,
        ColDateArchive,
        ColTailleDisque,
        ColDateDisque,
        ColEtat,
        ColumnCount
    };

    QLabel *Fichier;   ///< which archive, and what is compared with it
    QLabel *Compteurs; ///< how many files of each status
    QTableWidget *Liste_Fichiers;
    QPushButton *Restaurer;
    QPushButton *Annuler;
    QProgressBar *Progression; ///< shown while the files are restored

signals:
    /// The restore ended, written, failed or cancelled (after its message was shown).
    void restoreFinished(bool ok);

private:
    void showRows();
    void finishRestore(const archive::Restored &restored);
    void showProgress();

    QString zipPath_;
    archive::Contents contents_;
    archive::Layout layout_;
    Dialogs &dialogs_;
    Clock &clock_;
    QList<archive::Row> rows_;
    bool attempted_ = false;
    QThread *worker_ = nullptr;
    QTimer *progressTimer_;
    std::atomic_bool cancel_ = false;
    /// Steps done and to do, written by the worker, shown by the timer.
    std::shared_ptr<std::atomic_int> done_, total_;
};

} // namespace zep
