#include "cluster/Setup_Cluster.h"

#include "cluster/Annonces.h"
#include "core/station/PotaSpots.h"
#include "platform/Colors.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

QString clusterLogin(const SettingsStore &settings, const CurrentActivation &activation) {
    const QString login = settings.read(keys::clusterIndicatif, QString()).trimmed();
    return login.isEmpty() ? activation.activator.trimmed() : login;
}

Setup_Cluster::Setup_Cluster(const WindowServices &services, QWidget *parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("Setup_Cluster"));
    setWindowTitle(QStringLiteral("Cluster"));

    Cluster_Hote = new QLineEdit(this);
    Cluster_Hote->setObjectName(QStringLiteral("Cluster_Hote"));
    Cluster_Port = new QLineEdit(this);
    Cluster_Port->setObjectName(QStringLiteral("Cluster_Port"));
    Cluster_Port->setMaxLength(5);
    Cluster_Indicatif = new QLineEdit(this);
    Cluster_Indicatif->setObjectName(QStringLiteral("Cluster_Indicatif"));
    Cluster_Indicatif->setMaxLength(12);
    Cluster_Annonces = new QCheckBox(QStringLiteral("Recevoir les annonces"), this);
    Cluster_Annonces->setObjectName(QStringLiteral("Cluster_Annonces"));
    POTA_Annonces = new QCheckBox(QStringLiteral("Recevoir les annonces POTA"), this);
    POTA_Annonces->setObjectName(QStringLiteral("POTA_Annonces"));
    POTA_Adresse = new QLineEdit(this);
    POTA_Adresse->setObjectName(QStringLiteral("POTA_Adresse"));
    POTA_Adresse->setMaxLength(200);
    Annonces_Duree = new QLineEdit(this);
    Annonces_Duree->setObjectName(QStringLiteral("Annonces_Duree"));
    Annonces_Duree->setMaxLength(4);
    Enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    Enregistrer->setObjectName(QStringLiteral("Enregistrer"));
    Enregistrer->setDefault(true);
    Annuler = new QPushButton(QStringLiteral("Annuler"), this);
    Annuler->setObjectName(QStringLiteral("Annuler"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Hôte du cluster"), Cluster_Hote);
    form->addRow(QStringLiteral("Port"), Cluster_Port);
    form->addRow(QStringLiteral("Indicatif de connexion"), Cluster_Indicatif);
    form->addRow(Cluster_Annonces);
    form->addRow(POTA_Annonces);
    form->addRow(QStringLiteral("Adresse POTA"), POTA_Adresse);
    form->addRow(QStringLiteral("Durée des annonces (min)"), Annonces_Duree);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Enregistrer);
    buttons->addWidget(Annuler);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(Enregistrer, &QPushButton::clicked, this, &Setup_Cluster::Enregistrer_Click);
    connect(Annuler, &QPushButton::clicked, this, &QWidget::close);
}

void Setup_Cluster::Form_Load() {
    const SettingsStore &settings = services_.settings;
    Cluster_Hote->setText(settings.read(keys::clusterHote, QString()));
    Cluster_Port->setText(QString::number(settings.readInt(keys::clusterPort, defaultClusterPort)));
    Cluster_Indicatif->setText(clusterLogin(settings, services_.activation.currentActivation()));
    Cluster_Annonces->setChecked(
        settings.read(keys::clusterAnnonces, QStringLiteral("0")).trimmed() == QLatin1String("1"));
    POTA_Annonces->setChecked(settings.read(keys::potaAnnonces, QStringLiteral("0")).trimmed() ==
                              QLatin1String("1"));
    POTA_Adresse->setText(settings.read(keys::potaAdresse, spots::potaDefaultAddress));
    Annonces_Duree->setText(QString::number(spotLifetimeMinutes(settings)));
    adjustSize();
    resize(qMax(width(), 360), height());
    centreOnScreen(this);
    show();
    raise();
    activateWindow();
    Cluster_Hote->setFocus();
}

bool Setup_Cluster::Enregistrer_Click() {
    bool ok = false;
    const int port = Cluster_Port->text().trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        services_.dialogs.message(
            QStringLiteral("Le port du cluster doit être un nombre de 1 à 65535."));
        Cluster_Port->setFocus();
        Cluster_Port->selectAll();
        return false;
    }
    const std::optional<QString> pota = spots::potaBaseAddress(POTA_Adresse->text());
    if (!pota) {
        services_.dialogs.message(
            QStringLiteral("L'adresse POTA doit commencer par http:// ou https://."));
        POTA_Adresse->setFocus();
        return false;
    }
    const int minutes = Annonces_Duree->text().trimmed().toInt(&ok);
    if (!ok || minutes < 1 || minutes > 1440) {
        services_.dialogs.message(
            QStringLiteral("La durée des annonces doit être un nombre de minutes de 1 à 1440."));
        Annonces_Duree->setFocus();
        Annonces_Duree->selectAll();
        return false;
    }
    const QString login = Cluster_Indicatif->text().trimmed().toUpper();
    const QString activator = services_.activation.currentActivation().activator.trimmed();
    services_.settings.write(keys::clusterHote, Cluster_Hote->text().trimmed());
    services_.settings.writeInt(keys::clusterPort, port);
    services_.settings.write(keys::clusterIndicatif,
                             login.compare(activator, Qt::CaseInsensitive) == 0 ? QString()
                                                                                : login);
    services_.settings.write(keys::clusterAnnonces, Cluster_Annonces->isChecked()
                                                        ? QStringLiteral("1")
                                                        : QStringLiteral("0"));
    services_.settings.write(keys::potaAnnonces, POTA_Annonces->isChecked() ? QStringLiteral("1")
                                                                            : QStringLiteral("0"));
    services_.settings.write(keys::potaAdresse, *pota);
    services_.settings.writeInt(keys::annoncesDuree, minutes);
    emit saved();
    close();
    return true;
}

} // namespace zep
