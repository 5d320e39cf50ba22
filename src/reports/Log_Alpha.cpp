#include "reports/Log_Alpha.h"

#include "core/reports/LogListing.h"
#include "platform/Colors.h"
#include "reports/ListingActions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

Log_Alpha::Log_Alpha(const WindowServices &services, ClockControl *clock, QWidget *parent)
    : QWidget(parent, Qt::Window), services_(services), clock_(clock) {
    setObjectName(QStringLiteral("Log_Alpha"));
    setWindowTitle(QStringLiteral("  Log alphanumerique"));

    const QFont fixed = listingWindowFont();
    Label3 = newListingTitle(this);
    Label2 = newListingHeading(this);
    Log_Alphanum = newListingList(this, QStringLiteral("Log_Alphanum"));
    Enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    Enregistrer->setObjectName(QStringLiteral("Enregistrer"));
    Enregistrer->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Enregistrer);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label3);
    layout->addWidget(Label2);
    layout->addWidget(Log_Alphanum, 1);
    layout->addLayout(buttons);

    const QFontMetrics metrics(fixed);
    resize(metrics.horizontalAdvance(QString(114, QLatin1Char('M'))) + 60, 560);

    connect(Enregistrer, &QPushButton::clicked, this, &Log_Alpha::Enregistrer_Click);
}

void Log_Alpha::Form_Load() {
    const CurrentActivation activation = services_.activation.currentActivation();
    Label2->setText(listing::windowHeading);
    Label3->setText(
        activationTitle(QStringLiteral("Log alphanumerique de l'activité "), activation));
    Log_Alphanum->clear();
    const LogLines log = readLogOf(services_.programDir, activation.reference);
    if (!log.status)
        services_.dialogs.message(log.status.message);
    Log_Alphanum->addItems(alphaListingItems(log.lines));
    showListingWindow(this);
}

bool Log_Alpha::Enregistrer_Click() {
    return saveListingFromWindow(services_, clock_, this, ListingVariant::Alpha,
                                 listingEntries(Log_Alphanum));
}

} // namespace zep
