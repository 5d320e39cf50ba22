#pragma once

#include "core/Clock.h"
#include "core/DataArchive.h"
#include "core/Dialogs.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace zep {

/// "Restaurer une archive": every file of a zip archive against the program's files on disk,
/// its size and date on each side ("absent" when missing) and its status ("identique",
/// "différent", "absent du disque", "seulement sur le disque"). "Restaurer" asks, then writes
/// the files of the archive that differ or are missing; the files it replaces are kept in a
/// folder "Avant restauration aaaammjj_hhmm" of the program directory, the files only on disk
/// are left. Nothing is written before the operator answers "Oui".
class Restaurer_Archive : public QDialog {
    Q_OBJECT
public:
    Restaurer_Archive(QString zipPath, archive::Contents contents, archive::Layout layout,
                      Dialogs &dialogs, Clock &clock, QWidget *parent = nullptr);

    /// The question, then the restore; the window closes once the files are written.
    void Restaurer_Click();
    /// Whether a restore ran (it may have failed): the windows then read their files again.
    bool restoreAttempted() const { return attempted_; }

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

private:
    void showRows();

    QString zipPath_;
    archive::Contents contents_;
    archive::Layout layout_;
    Dialogs &dialogs_;
    Clock &clock_;
    QList<archive::Row> rows_;
    bool attempted_ = false;
};

} // namespace zep
