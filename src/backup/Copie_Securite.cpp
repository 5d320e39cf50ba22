#include "backup/Copie_Securite.h"

#include "core/backup/BackupCopy.h"
#include "core/backup/BackupMirror.h"
#include "platform/Accessibility.h"
#include "platform/Colors.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

Copie_Securite::Copie_Securite(const WindowServices &services, BackupMirror &mirror,
                               QWidget *parent)
    : QDialog(parent), services_(services), mirror_(mirror) {
    setObjectName(QStringLiteral("Copie_Securite"));
    setWindowTitle(QStringLiteral("Copie de sécurité"));

    auto *explanation = new QLabel(
        QStringLiteral("Après chaque enregistrement, les fichiers de données sont copiés dans ce "
                       "dossier (une clé USB, un autre disque).\n"
                       "Laissez-le vide pour ne faire aucune copie."),
        this);
    auto *caption = new QLabel(QStringLiteral("Dossier de sauvegarde"), this);
    Dossier_Sauvegarde = new QLineEdit(this);
    Dossier_Sauvegarde->setObjectName(QStringLiteral("Dossier_Sauvegarde"));
    access::name(Dossier_Sauvegarde, caption->text(), caption);
    Parcourir = new QPushButton(QStringLiteral("Parcourir…"), this);
    Parcourir->setObjectName(QStringLiteral("Parcourir"));
    Parcourir->setAutoDefault(false);
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    Annuler = new QPushButton(QStringLiteral("Annuler"), this);
    Annuler->setObjectName(QStringLiteral("Annuler"));
    Annuler->setAutoDefault(false);

    auto *row = new QHBoxLayout;
    row->addWidget(Dossier_Sauvegarde, 1);
    row->addWidget(Parcourir);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(Annuler);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(caption);
    layout->addLayout(row);
    layout->addLayout(buttons);

    connect(Parcourir, &QPushButton::clicked, this, &Copie_Securite::Parcourir_Click);
    connect(OK, &QPushButton::clicked, this, &Copie_Securite::OK_Click);
    connect(Annuler, &QPushButton::clicked, this, &QWidget::close);
}

void Copie_Securite::Form_Load() {
    Dossier_Sauvegarde->setText(
        QDir::toNativeSeparators(services_.settings.read(keys::dossierSauvegarde, QString())));
    adjustSize();
    resize(qMax(width(), 460), height());
    centreOnScreen(this);
    show();
    raise();
    activateWindow();
    Dossier_Sauvegarde->setFocus();
}

void Copie_Securite::Parcourir_Click() {
    const QString current = Dossier_Sauvegarde->text().trimmed();
    const std::optional<QString> chosen = services_.files.directoryName(
        this, QStringLiteral("Dossier de sauvegarde"),
        current.isEmpty() ? QDir::homePath() : QDir::fromNativeSeparators(current));
    if (chosen)
        Dossier_Sauvegarde->setText(QDir::toNativeSeparators(*chosen));
}

bool Copie_Securite::OK_Click() {
    const QString typed = Dossier_Sauvegarde->text().trimmed();
    const QString folder =
        typed.isEmpty() ? QString() : QDir(QDir::fromNativeSeparators(typed)).absolutePath();
    if (!folder.isEmpty()) {
        QString refusal;
        if (const IoResult there = backup::checkFolder(folder); !there)
            refusal = there.message;
        else if (const IoResult apart = backup::checkFolderApart(folder, services_.programDir);
                 !apart)
            refusal = apart.message;
        if (!refusal.isEmpty()) {
            services_.dialogs.message(refusal);
            Dossier_Sauvegarde->setFocus();
            Dossier_Sauvegarde->selectAll();
            return false;
        }
    }
    services_.settings.write(keys::dossierSauvegarde, folder);
    // Checked just above; a refusal here (the folder changed meanwhile) leaves no copy, and
    // the operator must know it.
    if (const IoResult set = mirror_.setFolder(folder); !set) {
        services_.dialogs.message(set.message);
        return false;
    }
    close();
    return true;
}

} // namespace zep
