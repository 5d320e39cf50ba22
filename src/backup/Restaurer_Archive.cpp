#include "backup/Restaurer_Archive.h"

#include "platform/Colors.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace zep {

using archive::Row;
using archive::Status;

namespace {

QString sizeText(const std::optional<qint64> &size) {
    return size ? QStringLiteral("%1 octets").arg(*size) : QStringLiteral("absent");
}

QString dateText(const QDateTime &when) {
    return when.isValid() ? when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString();
}

int countOf(const QList<Row> &rows, Status status) {
    return int(std::count_if(rows.begin(), rows.end(),
                             [status](const Row &r) { return r.status == status; }));
}

} // namespace

Restaurer_Archive::Restaurer_Archive(QString zipPath, archive::Contents contents,
                                     archive::Layout layout, Dialogs &dialogs, Clock &clock,
                                     QWidget *parent)
    : QDialog(parent), zipPath_(std::move(zipPath)), contents_(std::move(contents)),
      layout_(std::move(layout)), dialogs_(dialogs), clock_(clock) {
    setObjectName(QStringLiteral("Restaurer_Archive"));
    setWindowTitle(QStringLiteral("Restaurer une archive"));
    setModal(true);

    Fichier = new QLabel(this);
    Fichier->setObjectName(QStringLiteral("Fichier"));
    Fichier->setText(
        QStringLiteral("Archive \"%1\" comparée au répertoire \"%2\"")
            .arg(QDir::toNativeSeparators(zipPath_), QDir::toNativeSeparators(layout_.programDir)));
    Fichier->setWordWrap(true);
    Compteurs = new QLabel(this);
    Compteurs->setObjectName(QStringLiteral("Compteurs"));
    Liste_Fichiers = new QTableWidget(0, ColumnCount, this);
    Liste_Fichiers->setObjectName(QStringLiteral("Liste_Fichiers"));
    Liste_Fichiers->setHorizontalHeaderLabels(
        {QStringLiteral("Fichier"), QStringLiteral("Taille dans l'archive"),
         QStringLiteral("Date dans l'archive"), QStringLiteral("Taille sur le disque"),
         QStringLiteral("Date sur le disque"), QStringLiteral("État")});
    Liste_Fichiers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste_Fichiers->setSelectionBehavior(QAbstractItemView::SelectRows);
    Liste_Fichiers->verticalHeader()->hide();
    Liste_Fichiers->horizontalHeader()->setSectionResizeMode(ColFichier, QHeaderView::Stretch);

    Restaurer = new QPushButton(QStringLiteral("Restaurer"), this);
    Restaurer->setObjectName(QStringLiteral("Restaurer"));
    Annuler = new QPushButton(QStringLiteral("Annuler"), this);
    Annuler->setObjectName(QStringLiteral("Annuler"));
    Progression = new QProgressBar(this);
    Progression->setObjectName(QStringLiteral("Progression"));
    Progression->setFormat(QStringLiteral("Restauration : %p %"));
    Progression->hide();
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, &Restaurer_Archive::showProgress);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Progression, 1);
    buttons->addStretch(1);
    buttons->addWidget(Restaurer);
    buttons->addWidget(Annuler);
    auto *layoutBox = new QVBoxLayout(this);
    layoutBox->addWidget(Fichier);
    layoutBox->addWidget(Compteurs);
    layoutBox->addWidget(Liste_Fichiers, 1);
    layoutBox->addLayout(buttons);

    connect(Restaurer, &QPushButton::clicked, this, &Restaurer_Archive::Restaurer_Click);
    connect(Annuler, &QPushButton::clicked, this, &Restaurer_Archive::reject);
    showRows();
    resize(1000, 500);
    centreOnScreen(this);
}

void Restaurer_Archive::showRows() {
    rows_ = archive::compare(contents_, layout_);
    Liste_Fichiers->setRowCount(int(rows_.size()));
    for (int i = 0; i < int(rows_.size()); ++i) {
        const Row &r = rows_[i];
        const QString cells[ColumnCount] = {r.name,
                                            sizeText(r.archiveSize),
                                            dateText(r.archiveTime),
                                            sizeText(r.diskSize),
                                            dateText(r.diskTime),
                                            archive::statusText(r.status)};
        for (int c = 0; c < ColumnCount; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c == ColTailleArchive || c == ColTailleDisque)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Liste_Fichiers->setItem(i, c, item);
        }
    }
    Liste_Fichiers->resizeColumnsToContents();
    Compteurs->setText(QStringLiteral("%1 fichier(s) dans l'archive — identiques : %2 — "
                                      "différents : %3 — absents du disque : %4 — seulement sur "
                                      "le disque : %5")
                           .arg(contents_.members.size())
                           .arg(countOf(rows_, Status::Same))
                           .arg(countOf(rows_, Status::Different))
                           .arg(countOf(rows_, Status::NotOnDisk))
                           .arg(countOf(rows_, Status::OnlyOnDisk)));
}

void Restaurer_Archive::Restaurer_Click() {
    const int toWrite = countOf(rows_, Status::Different) + countOf(rows_, Status::NotOnDisk);
    const QString archiveName = QFileInfo(zipPath_).fileName();
    if (toWrite == 0) {
        dialogs_.message(QStringLiteral("Les fichiers du disque sont déjà ceux de l'archive "
                                        "\"%1\" : il n'y a rien à restaurer.")
                             .arg(archiveName));
        return;
    }
    if (!dialogs_.question(
            QStringLiteral("Écrire %1 fichier(s) de l'archive \"%2\" dans le répertoire des "
                           "données ?\nLes fichiers actuels qu'ils remplacent seront gardés dans "
                           "un dossier \"Avant restauration\" du répertoire ; les fichiers qui ne "
                           "sont que sur le disque ne sont pas touchés.")
                .arg(toWrite)
                .arg(archiveName)))
        return;

    attempted_ = true;
    cancel_ = false;
    done_ = std::make_shared<std::atomic_int>(0);
    total_ = std::make_shared<std::atomic_int>(0);
    Restaurer->setEnabled(false);
    Liste_Fichiers->setEnabled(false);
    Progression->setRange(0, 0);
    Progression->show();
    progressTimer_->start();
    auto result = std::make_shared<archive::Restored>();
    archive::Progress progress;
    progress.cancel = &cancel_;
    progress.step = [done = done_, total = total_](int d, int t) {
        total->store(t);
        done->store(d);
    };
    // The contents and the layout stay with the window, which outlives the worker.
    worker_ = QThread::create([this, result, progress, now = clock_.localNow()] {
        *result = archive::restore(contents_, layout_, now, progress);
    });
    worker_->setObjectName(QStringLiteral("Restauration"));
    connect(worker_, &QThread::finished, this, [this, result] {
        worker_->deleteLater();
        worker_ = nullptr;
        finishRestore(*result);
    });
    worker_->start();
}

Restaurer_Archive::~Restaurer_Archive() {
    // Closed while a restore runs (the program ending): the restore stops and puts the files
    // back before the window goes.
    if (worker_) {
        cancel_ = true;
        worker_->wait();
        delete worker_;
    }
}

void Restaurer_Archive::reject() {
    if (worker_) {
        cancel_ = true;
        Annuler->setEnabled(false);
        return;
    }
    QDialog::reject();
}

void Restaurer_Archive::showProgress() {
    const int total = total_ ? total_->load() : 0;
    if (total <= 0)
        return;
    Progression->setRange(0, total);
    Progression->setValue(done_->load());
}

void Restaurer_Archive::finishRestore(const archive::Restored &restored) {
    progressTimer_->stop();
    Progression->hide();
    Restaurer->setEnabled(true);
    Annuler->setEnabled(true);
    Liste_Fichiers->setEnabled(true);
    const QString archiveName = QFileInfo(zipPath_).fileName();
    if (!restored.status) {
        dialogs_.message(restored.status.message);
        showRows();
        emit restoreFinished(false);
        return;
    }
    QString text = QStringLiteral("L'archive \"%1\" est restaurée : %2 fichier(s) écrit(s).")
                       .arg(archiveName)
                       .arg(restored.written);
    if (restored.keptAside > 0)
        text += QStringLiteral("\nLes %1 fichier(s) remplacé(s) sont gardés dans le dossier "
                               "\"%2\".")
                    .arg(restored.keptAside)
                    .arg(QDir::toNativeSeparators(restored.keptFolder));
    dialogs_.message(text);
    accept();
    emit restoreFinished(true);
}

} // namespace zep
