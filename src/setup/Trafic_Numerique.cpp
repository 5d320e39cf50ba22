#include "setup/Trafic_Numerique.h"

#include "core/digital/DigitalSettings.h"
#include "core/digital/StationLocator.h"
#include "platform/Colors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

namespace {

template <typename W> W *named(W *w, const char *name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

Trafic_Numerique::Trafic_Numerique(SettingsStore &settings, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), settings_(settings), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Trafic_Numerique"));
    setWindowTitle(QStringLiteral("Trafic numérique"));

    Numerique_Actif = named(
        new QCheckBox(QStringLiteral("Recevoir les QSO des programmes FT8 et FT4"), this),
        "Numerique_Actif");
    Numerique_Adresse = named(new QLineEdit(this), "Numerique_Adresse");
    Numerique_Adresse->setMaxLength(15);
    Numerique_Adresse->setToolTip(
        QStringLiteral("127.0.0.1, ou un groupe de multidiffusion comme 224.0.0.1"));
    Numerique_Port = named(new QLineEdit(this), "Numerique_Port");
    Numerique_Port->setMaxLength(5);
    Locator = named(new QLineEdit(this), "Locator");
    Locator->setMaxLength(6);
    Locator_Source = named(new QComboBox(this), "Locator_Source");
    Locator_Source->addItems({QStringLiteral("Saisi"), QStringLiteral("gpsd")});
    Enregistrer = named(new QPushButton(QStringLiteral("Enregistrer"), this), "Enregistrer");
    Enregistrer->setDefault(true);
    Annuler = named(new QPushButton(QStringLiteral("Annuler"), this), "Annuler");

    auto *form = new QFormLayout;
    form->addRow(Numerique_Actif);
    form->addRow(QStringLiteral("Adresse"), Numerique_Adresse);
    form->addRow(QStringLiteral("Port"), Numerique_Port);
    form->addRow(QStringLiteral("Locator de la station"), Locator);
    form->addRow(QStringLiteral("Locator lu"), Locator_Source);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Enregistrer);
    buttons->addWidget(Annuler);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(Enregistrer, &QPushButton::clicked, this, &Trafic_Numerique::Enregistrer_Click);
    connect(Annuler, &QPushButton::clicked, this, &QWidget::close);
}

void Trafic_Numerique::Form_Load() {
    const SettingsStore &settings = settings_;
    const digital::ListenSettings listen = digital::loadListenSettings(settings);
    Numerique_Actif->setChecked(listen.on);
    Numerique_Adresse->setText(listen.address);
    Numerique_Port->setText(QString::number(listen.port));
    Locator->setText(digital::loadTypedLocator(settings));
    Locator_Source->setCurrentIndex(int(digital::loadLocatorSource(settings)));
    adjustSize();
    resize(qMax(width(), 380), height());
    centreOnScreen(this);
    show();
    raise();
    activateWindow();
    Numerique_Actif->setFocus();
}

bool Trafic_Numerique::Enregistrer_Click() {
    const std::pair<QLineEdit *, QString> checks[] = {
        {Numerique_Adresse, digital::checkAddress(Numerique_Adresse->text())},
        {Numerique_Port, digital::checkPort(Numerique_Port->text())},
        {Locator, digital::checkLocator(Locator->text())},
    };
    for (const auto &[field, message] : checks) {
        if (message.isEmpty())
            continue;
        dialogs_.message(message);
        field->setFocus();
        field->selectAll();
        return false;
    }
    SettingsStore &settings = settings_;
    settings.write(keys::numeriqueActif,
                   Numerique_Actif->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    settings.write(keys::numeriqueAdresse, Numerique_Adresse->text().trimmed());
    settings.write(keys::numeriquePort, QString::number(Numerique_Port->text().trimmed().toInt()));
    settings.write(keys::locator, digital::stationLocator(Locator->text()).value_or(QString()));
    settings.write(keys::locatorSource, QString::number(Locator_Source->currentIndex()));
    emit saved();
    close();
    return true;
}

} // namespace zep
