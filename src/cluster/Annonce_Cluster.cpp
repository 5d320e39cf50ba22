#include "cluster/Annonce_Cluster.h"

#include "cluster/Setup_Cluster.h"
#include "core/station/ClusterSpot.h"
#include "entry/Saisie_QSO.h"
#include "platform/Colors.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

Annonce_Cluster::Annonce_Cluster(const WindowServices &services, Saisie_QSO &entry,
                                 FrequencySource frequency, ClusterTimings timings, QWidget *parent)
    : QDialog(parent), services_(services), entry_(entry), frequency_(std::move(frequency)),
      client_(std::make_unique<ClusterClient>(timings)) {
    setObjectName(QStringLiteral("Annonce_Cluster"));
    setWindowTitle(QStringLiteral("Annonce sur le cluster"));

    Frequence = new QLineEdit(this);
    Frequence->setObjectName(QStringLiteral("Frequence"));
    Frequence->setMaxLength(12);
    Indicatif = new QLineEdit(this);
    Indicatif->setObjectName(QStringLiteral("Indicatif"));
    Indicatif->setMaxLength(12);
    Commentaire = new QLineEdit(this);
    Commentaire->setObjectName(QStringLiteral("Commentaire"));
    Commentaire->setMaxLength(60);
    // The answer, up to the part of it the client keeps, scrolls inside the window: a text
    // area lays out only the lines in view, so that a node's long answer neither stalls the
    // window nor stretches it past the screen.
    Reponse = new QPlainTextEdit(this);
    Reponse->setObjectName(QStringLiteral("Reponse"));
    Reponse->setReadOnly(true);
    Reponse->setFrameShape(QFrame::NoFrame);
    Reponse->setFocusPolicy(Qt::NoFocus);
    Reponse->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Reponse->viewport()->setAutoFillBackground(false);
    Reponse->setMinimumHeight(3 * fontMetrics().height());
    Reponse->setMaximumHeight(12 * fontMetrics().height());
    Envoyer = new QPushButton(QStringLiteral("Envoyer"), this);
    Envoyer->setObjectName(QStringLiteral("Envoyer"));
    Envoyer->setDefault(true);
    Fermer = new QPushButton(QStringLiteral("Fermer"), this);
    Fermer->setObjectName(QStringLiteral("Fermer"));
    Fermer->setAutoDefault(false);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Fréquence (kHz)"), Frequence);
    form->addRow(QStringLiteral("Indicatif"), Indicatif);
    form->addRow(QStringLiteral("Commentaire"), Commentaire);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Envoyer);
    buttons->addWidget(Fermer);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Reponse);
    layout->addLayout(buttons);

    connect(Envoyer, &QPushButton::clicked, this, &Annonce_Cluster::Envoyer_Click);
    connect(Fermer, &QPushButton::clicked, this, &QWidget::close);
    connect(client_.get(), &ClusterClient::finished, this, &Annonce_Cluster::showOutcome);
}

Annonce_Cluster::~Annonce_Cluster() = default;

void Annonce_Cluster::Form_Load() {
    if (!sending_) {
        const std::optional<double> kHz = frequency_ ? frequency_() : std::nullopt;
        Frequence->setText(kHz ? cluster::kilohertzText(*kHz) : QString());
        const CurrentActivation a = services_.activation.currentActivation();
        Indicatif->setText(a.activator.trimmed());
        Commentaire->setText(
            (a.reference.trimmed() + QLatin1Char(' ') + entry_.Mode_Q->currentText().trimmed())
                .trimmed());
        Reponse->clear();
    }
    if (!isVisible()) {
        adjustSize();
        resize(qMax(width(), 420), height());
        centreOnScreen(this);
    }
    show();
    raise();
    activateWindow();
    // Without a radio the frequency is what the operator has to type.
    if (Frequence->text().isEmpty())
        Frequence->setFocus();
    else
        Envoyer->setFocus();
}

bool Annonce_Cluster::Envoyer_Click() {
    if (sending_)
        return false;
    const std::optional<double> kHz = cluster::parseKilohertz(Frequence->text());
    if (!kHz) {
        services_.dialogs.message(
            QStringLiteral("Indiquez la fréquence en kHz, par exemple 14285.0"));
        Frequence->setFocus();
        return false;
    }
    const QString call = Indicatif->text().trimmed().toUpper();
    if (call.isEmpty()) {
        services_.dialogs.message(QStringLiteral("Indiquez l'indicatif à annoncer"));
        Indicatif->setFocus();
        return false;
    }
    const SettingsStore &settings = services_.settings;
    const QString host = settings.read(keys::clusterHote, QString()).trimmed();
    const int port = settings.readInt(keys::clusterPort, defaultClusterPort);
    if (host.isEmpty() || port < 1 || port > 65535) {
        services_.dialogs.message(
            QStringLiteral("Indiquez le cluster (hôte et port) dans Setup > Cluster…"));
        return false;
    }
    const CurrentActivation a = services_.activation.currentActivation();
    Frequence->setText(cluster::kilohertzText(*kHz));
    sending_ = true;
    Envoyer->setEnabled(false);
    Reponse->setStyleSheet(QString());
    Reponse->setPlainText(QStringLiteral("Envoi au cluster %1…").arg(host));
    client_->announce({host,
                       static_cast<quint16>(port),
                       clusterLogin(settings, a),
                       {*kHz, call, Commentaire->text()}});
    return true;
}

void Annonce_Cluster::showOutcome(bool answered, const QString &text) {
    sending_ = false;
    Envoyer->setEnabled(true);
    Reponse->setStyleSheet(answered ? QString() : QStringLiteral("color: #c00000"));
    Reponse->setPlainText(text);
    emit answerShown();
}

} // namespace zep
