#include "help/Mise_a_Jour.h"

#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "help/HelpTexts.h"
#include "platform/UrlOpener.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

namespace zep {

Mise_a_Jour::Mise_a_Jour(UrlOpener &browser, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), browser_(browser), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Mise_a_Jour"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Site ") + projectSiteAddress());

    auto *intro = new QLabel(
        QStringLiteral("La dernière révision du programme et la liste de ses nouveautés se "
                       "trouvent sur la page :"),
        this);
    intro->setWordWrap(true);
    Adresse = new QLabel(updatePageAddress(), this);
    Adresse->setObjectName(QStringLiteral("Adresse"));
    Adresse->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont bold = Adresse->font();
    bold.setBold(true);
    Adresse->setFont(bold);
    Revision = new QLabel(QStringLiteral("Révision installée :") + revisionText, this);
    Revision->setObjectName(QStringLiteral("Revision"));
    auto *note = new QLabel(QStringLiteral("Le programme ne télécharge et n'installe rien "
                                           "lui-même : la page indique comment obtenir la "
                                           "nouvelle révision."),
                            this);
    note->setWordWrap(true);

    Ouvrir = new QPushButton(QStringLiteral("Ouvrir la page dans le navigateur"), this);
    Ouvrir->setObjectName(QStringLiteral("Ouvrir"));
    Ouvrir->setDefault(true);
    Fermer = new QPushButton(QStringLiteral("Fermer"), this);
    Fermer->setObjectName(QStringLiteral("Fermer"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Ouvrir);
    buttons->addWidget(Fermer);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(Adresse);
    layout->addSpacing(8);
    layout->addWidget(Revision);
    layout->addWidget(note);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(Ouvrir, &QPushButton::clicked, this, &Mise_a_Jour::Ouvrir_Click);
    connect(Fermer, &QPushButton::clicked, this, &QWidget::close);
}

void Mise_a_Jour::Form_Load() {
    adjustSize();
    resize(qMax(width(), 480), height());
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void Mise_a_Jour::Ouvrir_Click() {
    if (!browser_.open(QUrl(updatePageAddress())))
        dialogs_.message(
            QStringLiteral("Impossible d'ouvrir le navigateur. Adresse de la page : ") +
            updatePageAddress());
}

} // namespace zep
