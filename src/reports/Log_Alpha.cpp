#include "reports/Log_Alpha.h"

#include "core/LogListing.h"
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
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont titleFont = Label3->font();
    titleFont.setBold(true);
    Label3->setFont(titleFont);
    Label3->setAlignment(Qt::AlignCenter);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(fixed);
    Label2->setTextFormat(Qt::PlainText);
    Log_Alphanum = new QListWidget(this);
    Log_Alphanum->setObjectName(QStringLiteral("Log_Alphanum"));
    Log_Alphanum->setFont(fixed);
    Log_Alphanum->setUniformItemSizes(true);
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
    const LogLines log = readLogOf(services_.programDir, activation.numActivite);
    if (!log.status)
        services_.dialogs.message(log.status.message);
    Log_Alphanum->addItems(alphaListingItems(log.lines));
    centreOnScreen(this);
    show();
    raise();
    activateWindow();
}

bool Log_Alpha::Enregistrer_Click() {
    QStringList entries;
    entries.reserve(Log_Alphanum->count());
    for (int row = 0; row < Log_Alphanum->count(); ++row)
        entries.append(Log_Alphanum->item(row)->text());
    return saveListingFromWindow(services_, clock_, this, ListingVariant::Alpha, entries);
}

} // namespace zep
