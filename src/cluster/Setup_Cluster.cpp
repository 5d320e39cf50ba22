#include "cluster/Setup_Cluster.h"

#include "platform/Colors.h"

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
    Enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    Enregistrer->setObjectName(QStringLiteral("Enregistrer"));
    Enregistrer->setDefault(true);
    Annuler = new QPushButton(QStringLiteral("Annuler"), this);
    Annuler->setObjectName(QStringLiteral("Annuler"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Hôte du cluster"), Cluster_Hote);
    form->addRow(QStringLiteral("Port"), Cluster_Port);
    form->addRow(QStringLiteral("Indicatif de connexion"), Cluster_Indicatif);
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
    const QString login = Cluster_Indicatif->text().trimmed().toUpper();
    const QString activator = services_.activation.currentActivation().activator.trimmed();
    services_.settings.write(keys::clusterHote, Cluster_Hote->text().trimmed());
    services_.settings.writeInt(keys::clusterPort, port);
    services_.settings.write(keys::clusterIndicatif,
                             login.compare(activator, Qt::CaseInsensitive) == 0 ? QString()
                                                                                : login);
    close();
    return true;
}

} // namespace zep
