#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace zep {

class Dialogs;
class UrlOpener;

/// Where to find the latest revision: the project's address, the revision running now and a
/// button that opens the update page in the user's browser. The program itself downloads and
/// installs nothing.
class Mise_a_Jour : public QWidget {
    Q_OBJECT
public:
    Mise_a_Jour(UrlOpener &browser, Dialogs &dialogs, QWidget *parent = nullptr);

    /// Centres the window on the screen.
    void Form_Load();

    QLabel *Adresse;
    QLabel *Revision;
    QPushButton *Ouvrir;
    QPushButton *Fermer;

private:
    void Ouvrir_Click();

    UrlOpener &browser_;
    Dialogs &dialogs_;
};

} // namespace zep
