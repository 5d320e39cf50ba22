#include "reports/Affiche_Log.h"

#include "core/reports/LogListing.h"
#include "platform/Colors.h"
#include "reports/ListingActions.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

namespace {

QPushButton *newButton(QWidget *parent, const QString &name, const QString &caption) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

Affiche_Log::Affiche_Log(const WindowServices &services, ClockControl *clock, QWidget *parent)
    : QWidget(parent, Qt::Window), services_(services), clock_(clock) {
    setObjectName(QStringLiteral("Affiche_Log"));
    setWindowTitle(QStringLiteral("Affichage du Log"));

    const QFont fixed = listingWindowFont();
    Label3 = newListingTitle(this);
    Frame1 = new QGroupBox(QStringLiteral("Liste des QSO"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label2 = newListingHeading(Frame1);
    Liste_QSO = newListingList(Frame1, QStringLiteral("Liste_QSO"));
    auto *frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(Label2);
    frameLayout->addWidget(Liste_QSO, 1);

    Enregistrer = newButton(this, QStringLiteral("Enregistrer"), QStringLiteral("Enregistrer"));
    Imprimer = newButton(this, QStringLiteral("Imprimer"), QStringLiteral("Imprimer"));
    Apercu = newButton(this, QStringLiteral("Apercu"), QStringLiteral("Aperçu avant impression"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Enregistrer);
    buttons->addWidget(Imprimer);
    buttons->addWidget(Apercu);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label3);
    layout->addWidget(Frame1, 1);
    layout->addLayout(buttons);

    const QFontMetrics metrics(fixed);
    resize(metrics.horizontalAdvance(QString(114, QLatin1Char('M'))) + 60, 560);

    connect(Enregistrer, &QPushButton::clicked, this, &Affiche_Log::Enregistrer_Click);
    connect(Imprimer, &QPushButton::clicked, this, &Affiche_Log::Imprimer_Click);
    connect(Apercu, &QPushButton::clicked, this, &Affiche_Log::Apercu_Click);
}

void Affiche_Log::Form_Load() {
    const CurrentActivation activation = services_.activation.currentActivation();
    Label2->setText(listing::windowHeading);
    Label3->setText(activationTitle(QStringLiteral("Log de l'activité "), activation));
    Liste_QSO->clear();
    const LogLines log = readLogOf(services_.programDir, activation.reference);
    if (!log.status)
        services_.dialogs.message(log.status.message);
    Liste_QSO->addItems(listingItems(log.lines));
    showListingWindow(this);
}

QStringList Affiche_Log::listEntries() const {
    return listingEntries(Liste_QSO);
}

bool Affiche_Log::Enregistrer_Click() {
    return saveListingFromWindow(services_, clock_, this, ListingVariant::Log, listEntries());
}

bool Affiche_Log::Imprimer_Click() {
    return printLogFromWindow(services_, clock_, this, false);
}

bool Affiche_Log::Apercu_Click() {
    return printLogFromWindow(services_, clock_, this, true);
}

} // namespace zep
