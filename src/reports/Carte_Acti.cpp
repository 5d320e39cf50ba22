#include "reports/Carte_Acti.h"

#include "core/countries/MapDepartments.h"
#include "core/io/TextFile.h"
#include "entry/DepartmentPainter.h"
#include "entry/Saisie_QSO.h"
#include "platform/Colors.h"
#include "reports/DepartmentMapView.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

namespace {
const QString msgChooseBand = QStringLiteral("Selectionnez une bande");
constexpr int titleHeight = 28;

QLabel *caption(const QString &text, QWidget *parent) {
    return new QLabel(text, parent);
}
} // namespace

const QStringList Carte_Acti::bands = {
    QStringLiteral("1.8"), QStringLiteral("3.5"), QStringLiteral("7"),
    QStringLiteral("10"),  QStringLiteral("14"),  QStringLiteral("18"),
    QStringLiteral("21"),  QStringLiteral("24"),  QStringLiteral("28")};
const QStringList Carte_Acti::modes = {QStringLiteral("SSB"), QStringLiteral("CW")};

Carte_Acti::Carte_Acti(Saisie_QSO &entry, const WindowServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window), entry_(entry), services_(services),
      shown_(entry.departments().mapDepartments()) {
    setObjectName(QStringLiteral("Carte_Acti"));
    setWindowTitle(QStringLiteral("Carte des départements contactés"));

    Picture1 = new DepartmentMapView(shown_, this);
    Dep = Picture1->Dep;

    auto *panel = new QFrame(this);
    auto *column = new QVBoxLayout(panel);
    QFont bold = font();
    bold.setBold(true);

    Label4 = new QLabel(panel);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(bold);
    Label4->setWordWrap(true);
    column->addWidget(Label4);
    column->addSpacing(12);

    auto *choice = new QGridLayout;
    Bande_A = new QComboBox(panel);
    Bande_A->setObjectName(QStringLiteral("Bande_A"));
    Bande_A->setEditable(true); // a typed band is shown too; an emptied box is refused
    Mode_AX = new QComboBox(panel);
    Mode_AX->setObjectName(QStringLiteral("Mode_AX"));
    choice->addWidget(caption(QStringLiteral("Bande"), panel), 0, 0);
    choice->addWidget(Bande_A, 0, 1);
    choice->addWidget(caption(QStringLiteral("MHz"), panel), 0, 2);
    choice->addWidget(caption(QStringLiteral("Mode"), panel), 1, 0);
    choice->addWidget(Mode_AX, 1, 1);
    column->addLayout(choice);

    Afficher = new QPushButton(QStringLiteral("Afficher"), panel);
    Afficher->setObjectName(QStringLiteral("Afficher"));
    Afficher->setDefault(true);
    column->addWidget(Afficher);
    column->addSpacing(16);

    auto *shownGrid = new QGridLayout;
    shownGrid->addWidget(caption(QStringLiteral("Départements contactés"), panel), 0, 0, 1, 2);
    NB_Dep = new QLabel(panel);
    NB_Dep->setObjectName(QStringLiteral("NB_Dep"));
    QFont big = bold;
    big.setPointSizeF(big.pointSizeF() * 1.6);
    NB_Dep->setFont(big);
    shownGrid->addWidget(NB_Dep, 1, 0, 1, 2);
    shownGrid->addWidget(caption(QStringLiteral("Bande : "), panel), 2, 0);
    Bande_Affichee = new QLabel(panel);
    Bande_Affichee->setObjectName(QStringLiteral("Bande_Affichee"));
    shownGrid->addWidget(Bande_Affichee, 2, 1);
    shownGrid->addWidget(caption(QStringLiteral("Mode : "), panel), 3, 0);
    Mode_Affiche = new QLabel(panel);
    Mode_Affiche->setObjectName(QStringLiteral("Mode_Affiche"));
    shownGrid->addWidget(Mode_Affiche, 3, 1);
    column->addLayout(shownGrid);
    column->addStretch(1);

    Enregistre_Image = new QPushButton(QStringLiteral("Enregistrer l'image"), panel);
    Enregistre_Image->setObjectName(QStringLiteral("Enregistre_Image"));
    Enregistre_Image->setToolTip(QStringLiteral("Enregistre la carte dans un fichier image PNG"));
    column->addWidget(Enregistre_Image);

    auto *row = new QHBoxLayout(this);
    row->addWidget(Picture1, 0, Qt::AlignTop);
    row->addWidget(panel);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(Afficher, &QPushButton::clicked, this, &Carte_Acti::Afficher_Click);
    // Enter on a typed band shows it, as the button does.
    connect(Bande_A->lineEdit(), &QLineEdit::returnPressed, this, &Carte_Acti::Afficher_Click);
    connect(Enregistre_Image, &QPushButton::clicked, this, [this] { Enregistre_Image_Click(); });
    connect(&shown_, &MapDepartments::changed, this, [this] {
        Picture1->showWorked();
        showCaptions();
    });
}

void Carte_Acti::Form_Load() {
    Bande_A->clear();
    Bande_A->addItems(bands);
    Mode_AX->clear();
    Mode_AX->addItems(modes);
    int mode = services_.settings.readInt(keys::modeActivite, 0);
    if (mode < 0 || mode >= modes.size())
        mode = 0;
    // The entry window has two more bands (50 and 144 MHz): chosen there last, they leave the
    // map on its first band.
    int band = services_.settings.readInt(keys::bandeActivite, 1);
    if (band < 0 || band >= bands.size())
        band = 0;
    Mode_AX->setCurrentIndex(mode);
    Bande_A->setCurrentIndex(band);
    Label4->setText(services_.activation.currentActivation().reference);
    Picture1->showWorked();
    showCaptions();
    centreOnScreen(this);
}

void Carte_Acti::showCaptions() {
    // The colours on the map are those of the last painting, whoever asked for it: the count
    // and the band and mode beside the map always describe them.
    if (!shown_.painted()) {
        NB_Dep->clear();
        Bande_Affichee->clear();
        Mode_Affiche->clear();
        return;
    }
    NB_Dep->setText(QString::number(shown_.count()));
    Bande_Affichee->setText(shown_.band().trimmed() + QStringLiteral(" MHz"));
    Mode_Affiche->setText(shown_.mode().trimmed());
}

void Carte_Acti::Afficher_Click() {
    const QString band = Bande_A->currentText().trimmed();
    if (band.isEmpty()) {
        services_.dialogs.message(msgChooseBand);
        return;
    }
    const int count = entry_.Colore_Departements(band, Mode_AX->currentText());
    NB_Dep->setText(QString::number(count));
}

QImage Carte_Acti::picture() {
    const QSize mapSize = Picture1->size();
    QImage image(mapSize.width(), mapSize.height() + titleHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QFont titleFont(QStringLiteral("Arial"));
        titleFont.setPointSizeF(11);
        titleFont.setBold(true);
        painter.setFont(titleFont);
        painter.setPen(Qt::black);
        QString title = Label4->text();
        if (shown_.painted())
            title +=
                QStringLiteral("    Bande : %1 MHz    Mode : %2    Départements contactés : %3")
                    .arg(shown_.band().trimmed(), shown_.mode().trimmed())
                    .arg(shown_.count());
        painter.drawText(QRect(8, 0, mapSize.width() - 16, titleHeight), Qt::AlignVCenter, title);
    }
    Picture1->render(&image, QPoint(0, titleHeight));
    return image;
}

bool Carte_Acti::Enregistre_Image_Click() {
    const QString reference = services_.activation.currentActivation().reference.trimmed();
    QString proposed = reference + QStringLiteral("_Departements");
    if (shown_.painted())
        proposed += QStringLiteral("_%1_%2").arg(shown_.band().trimmed(), shown_.mode().trimmed());
    proposed += QStringLiteral(".png");
    const std::optional<QString> path = services_.files.saveFileName(
        this, QStringLiteral("Enregistrer l'image"), QDir(services_.programDir).filePath(proposed),
        QStringLiteral("Images PNG (*.png)"), QStringLiteral("png"));
    if (!path || path->isEmpty())
        return false;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture().save(&buffer, "PNG")) {
        services_.dialogs.message(QStringLiteral("L'image de la carte n'a pas pu être préparée"));
        return false;
    }
    const IoResult written = writeBytesFile(*path, png);
    if (!written.ok) {
        services_.dialogs.message(written.message);
        return false;
    }
    return true;
}

MapWindowOpener::MapWindowOpener(Saisie_QSO &entry, const WindowServices &services)
    : entry_(entry), services_(services) {}

MapWindowOpener::~MapWindowOpener() {
    delete window_.data();
}

Carte_Acti *MapWindowOpener::open() {
    if (!window_) {
        window_ = new Carte_Acti(entry_, services_);
        // Closing unloads the window; the next opening builds it afresh with the saved band
        // and mode.
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->Form_Load();
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    return window_;
}

} // namespace zep
