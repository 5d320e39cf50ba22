#include "reports/Affiche_Log.h"

#include "core/LogListing.h"
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
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont titleFont = Label3->font();
    titleFont.setBold(true);
    Label3->setFont(titleFont);
    Label3->setAlignment(Qt::AlignCenter);

    Frame1 = new QGroupBox(QStringLiteral("Liste des QSO"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label2 = new QLabel(Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(fixed);
    Label2->setTextFormat(Qt::PlainText);
    Liste_QSO = new QListWidget(Frame1);
    Liste_QSO->setObjectName(QStringLiteral("Liste_QSO"));
    Liste_QSO->setFont(fixed);
    Liste_QSO->setUniformItemSizes(true);
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
    const LogLines log = readLogOf(services_.programDir, activation.numActivite);
    if (!log.status)
        services_.dialogs.message(log.status.message);
    Liste_QSO->addItems(listingItems(log.lines));
    centreOnScreen(this);
    show();
    raise();
    activateWindow();
}

QStringList Affiche_Log::listEntries() const {
    QStringList entries;
    entries.reserve(Liste_QSO->count());
    for (int row = 0; row < Liste_QSO->count(); ++row)
        entries.append(Liste_QSO->item(row)->text());
    return entries;
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
