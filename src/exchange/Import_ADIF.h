#pragma once

#include "core/exchange/AdifImport.h"
#include "core/io/Clock.h"
#include "platform/WindowServices.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QThread;
class QTimer;

namespace zep {

class EntryDoor;

/// The preview of an ADIF import, "Import ADIF": every record of the file with its status
/// ("à importer", "déjà dans le log", "doublon", "ignoré") and the reason or the changes made
/// to it, the counts, a tick to take the duplicates in too, then "Importer" or "Annuler".
/// Nothing is written while it is open: it only shows what "Importer" will write.
class Import_ADIF : public QDialog {
    Q_OBJECT
public:
    Import_ADIF(const adifimport::Preview &preview, const QString &sourceFile,
                const QString &reference, QWidget *parent = nullptr);

    /// Whether the operator ticked the duplicates in.
    bool withDuplicates() const;

    /// "Lus : 12 — à importer : 8 — ..." as the window shows it.
    static QString countsText(const adifimport::Preview &preview, bool withDuplicates);

    QLabel *Fichier;   ///< which file goes into which log
    QLabel *Compteurs; ///< the counts
    QLabel *Remarques; ///< what the reader noted about the file as a whole
    QTableView *Liste_Import;
    QCheckBox *Importer_Doublons;
    QPushButton *Importer;
    QPushButton *Annuler;

private:
    const adifimport::Preview &preview_;
};

/// "Import ADIF" while the preview of a file is worked out on a worker thread: the file's
/// name, a bar "Progression" and "Annuler". The entry window stays drawn and answers meanwhile;
/// "Annuler" (or closing the window) stops the work, and nothing is shown or written.
class Progression_Import : public QDialog {
    Q_OBJECT
public:
    explicit Progression_Import(const QString &fileName, QWidget *parent = nullptr);
    ~Progression_Import() override;

    using Work = std::function<adifimport::FilePreview(adifimport::PreviewProgress &)>;
    /// Runs `work` on a worker thread while the window is shown; the window closes when the
    /// work ends. The preview made, or nothing when the operator stopped it.
    std::optional<adifimport::FilePreview> run(Work work);

    /// "Annuler" or the window closed: the work is asked to stop; the window closes when it
    /// has.
    void reject() override;

    QLabel *Fichier;
    QProgressBar *Progression;
    QPushButton *Annuler;

private:
    void showProgress();

    adifimport::PreviewProgress progress_;
    QThread *worker_ = nullptr;
    QTimer *progressTimer_;
};

/// "Fichiers" > "Importer un fichier ADIF…" of the entry window: the open dialog, the
/// preview, then the import into the current activation's log. A double activation keeps its
/// two logs identical, so the QSOs go into both (the second made a copy of the first, as after
/// every QSO entered).
class AdifImportAction {
public:
    AdifImportAction(EntryDoor &entry, const WindowServices &services, Clock &clock);

    /// The whole import from the menu; true when QSOs were imported (or the report written).
    bool run();

private:
    EntryDoor &entry_;
    WindowServices services_;
    Clock &clock_;
    QString lastDirectory_; ///< where the last file was taken from, proposed again
};

/// Adds the menu item, wired to an AdifImportAction living as long as the entry window.
void connectAdifImport(EntryDoor &entry, const WindowServices &services, Clock &clock);

} // namespace zep
