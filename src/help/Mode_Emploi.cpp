#include "help/Mode_Emploi.h"

#include "platform/UrlOpener.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace zep {

namespace {

/// The contents page is the anchor at the head of the guide.
const QString contentsAnchor = QStringLiteral("sommaire");

QPushButton *newButton(QWidget *parent, const QString &name, const QString &caption) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

Mode_Emploi::Mode_Emploi(const QString &guideFile, UrlOpener &browser, QWidget *parent)
    : QWidget(parent, Qt::Window), browser_(browser) {
    setObjectName(QStringLiteral("Mode_Emploi"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Mode d'emploi de ZEP_Rozadovev"));

    Sommaire = newButton(this, QStringLiteral("Sommaire"), QStringLiteral("Sommaire"));
    Precedent = newButton(this, QStringLiteral("Precedent"), QStringLiteral("< Précédent"));
    Suivant = newButton(this, QStringLiteral("Suivant"), QStringLiteral("Suivant >"));
    Guide = new QTextBrowser(this);
    Guide->setObjectName(QStringLiteral("Guide"));
    // Links inside the guide are followed here; web addresses go to the browser.
    Guide->setOpenLinks(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Sommaire);
    buttons->addWidget(Precedent);
    buttons->addWidget(Suivant);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Guide);

    connect(Sommaire, &QPushButton::clicked, this, &Mode_Emploi::showContents);
    connect(Precedent, &QPushButton::clicked, Guide, &QTextBrowser::backward);
    connect(Suivant, &QPushButton::clicked, Guide, &QTextBrowser::forward);
    connect(Guide, &QTextBrowser::backwardAvailable, Precedent, &QPushButton::setEnabled);
    connect(Guide, &QTextBrowser::forwardAvailable, Suivant, &QPushButton::setEnabled);
    connect(Guide, &QTextBrowser::anchorClicked, this, &Mode_Emploi::followLink);
    Precedent->setEnabled(false);
    Suivant->setEnabled(false);

    contents_ = QUrl::fromLocalFile(guideFile);
    contents_.setFragment(contentsAnchor);
    showContents();

    resize(820, 700);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void Mode_Emploi::showContents() {
    // A visit like any other: "Précédent" goes back to the page read before.
    Guide->setSource(contents_);
}

void Mode_Emploi::followLink(const QUrl &url) {
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https") ||
        url.scheme() == QLatin1String("mailto")) {
        browser_.open(url);
        return;
    }
    Guide->setSource(url);
}

} // namespace zep
