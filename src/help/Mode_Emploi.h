#pragma once

#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace zep {

class UrlOpener;

/// The user guide's window: the French guide shipped with the program, opened at its contents
/// page, with buttons back to the contents and through the pages already read. Links to web
/// pages go to the user's browser.
class Mode_Emploi : public QWidget {
    Q_OBJECT
public:
    /// `guideFile` must exist (the caller reports a missing guide).
    Mode_Emploi(const QString &guideFile, UrlOpener &browser, QWidget *parent = nullptr);

    /// Back to the contents page, at its top.
    void showContents();

    QPushButton *Sommaire;
    QPushButton *Precedent;
    QPushButton *Suivant;
    QTextBrowser *Guide;

private:
    void followLink(const QUrl &url);

    UrlOpener &browser_;
    QUrl contents_;
};

} // namespace zep
