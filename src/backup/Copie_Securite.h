#pragma once

#include "platform/WindowServices.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zep {

class BackupMirror;

/// "Setup" > "Sauvegarde…": the folder where every data file is copied after each change,
/// typically on a USB stick or another disk. Kept in the settings ("Dossier de sauvegarde");
/// an empty folder means no copy.
class Copie_Securite : public QDialog {
    Q_OBJECT
public:
    Copie_Securite(const WindowServices &services, BackupMirror &mirror, QWidget *parent = nullptr);

    /// Fills the folder from the settings and shows the window.
    void Form_Load();
    /// Chooses the folder with the folder dialog.
    void Parcourir_Click();
    /// Saves the folder, starts the copy there and closes; false (a message box says why,
    /// nothing is saved) for a folder that does not exist or is the program directory.
    bool OK_Click();

    QLineEdit *Dossier_Sauvegarde;
    QPushButton *Parcourir;
    QPushButton *OK;
    QPushButton *Annuler;

private:
    WindowServices services_;
    BackupMirror &mirror_;
};

} // namespace zep
