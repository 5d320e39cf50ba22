// The controls of the label designer and where they stand: the two sample labels on the left,
// one reference above two references; the sheet format, pause, station, language and the
// printer calibration on the right; the print buttons at the bottom.

#include "labels/Etiquettes.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zep {

namespace {

template <class W> W *named(W *widget, const char *name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The sample labels are drawn in the fixed pitch the sheets are printed in, on white.
QFont previewFont(bool bold) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
    font.setBold(bold);
    return font;
}

QGroupBox *previewFrame(QWidget *parent, const char *name, const QString &title,
                        std::initializer_list<QLabel *> lines) {
    auto *frame = named(new QGroupBox(title, parent), name);
    auto *layout = new QVBoxLayout(frame);
    layout->setSpacing(2);
    auto *sheet = new QWidget(frame);
    sheet->setAutoFillBackground(true);
    QPalette palette = sheet->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    sheet->setPalette(palette);
    auto *sheetLayout = new QVBoxLayout(sheet);
    sheetLayout->setSpacing(3);
    bool first = true;
    for (QLabel *line : lines) {
        line->setParent(sheet);
        line->setFont(previewFont(first));
        line->setAlignment(Qt::AlignCenter);
        line->setTextFormat(Qt::PlainText);
        sheetLayout->addWidget(line);
        first = false;
    }
    layout->addWidget(sheet);
    return frame;
}

} // namespace

void Etiquettes::buildControls() {
    Frame1 = named(new QGroupBox(this), "Frame1");
    Label2 =
        named(new QLabel(QStringLiteral("Impression d'étiquettes pour QSL"), Frame1), "Label2");
    QFont title = Label2->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.4);
    Label2->setFont(title);
    Label2->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(Frame1))->addWidget(Label2);

    // One or two references per label, and which reference of a double activation is printed.
    auto *references = new QWidget(this);
    Option1 = named(new QRadioButton(QStringLiteral("Une reference par étiquette"), references),
                    "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("Deux references par étiquettes"), references),
                    "Option2");
    Option1->setChecked(true);
    Frame9 = named(new QGroupBox(references), "Frame9");
    Option3 = named(new QRadioButton(Frame9), "Option3");
    Option4 = named(new QRadioButton(Frame9), "Option4");
    Option3->setChecked(true);
    auto *choice = new QHBoxLayout(Frame9);
    choice->addWidget(Option3);
    choice->addWidget(Option4);
    auto *perLabel = new QVBoxLayout;
    perLabel->addWidget(Option1);
    perLabel->addWidget(Option2);
    auto *referencesLayout = new QHBoxLayout(references);
    referencesLayout->setContentsMargins(0, 0, 0, 0);
    referencesLayout->addLayout(perLabel);
    referencesLayout->addWidget(Frame9, 1);

    auto *left = new QWidget(this);
    auto *right = new QWidget(this);
    buildPreviews(left);
    buildOptions(right);
    auto *columns = new QHBoxLayout;
    columns->addWidget(left, 3);
    columns->addWidget(right, 2);

    Imprime = named(new QPushButton(QStringLiteral("Imprimer"), this), "Imprime");
    Apercu = named(new QPushButton(QStringLiteral("Aperçu avant impression"), this), "Apercu");
    for (QPushButton *button : {Imprime, Apercu})
        button->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Apercu);
    buttons->addWidget(Imprime);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(references);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);
}

void Etiquettes::buildPreviews(QWidget *column) {
    Label9 = named(new QLabel, "Label9");
    Label17 = named(new QLabel, "Label17");
    Label18 = named(new QLabel, "Label18");
    Label15 = named(new QLabel, "Label15");
    Label16 = named(new QLabel, "Label16");
    Label19 = named(new QLabel, "Label19");
    Frame4 = previewFrame(column, "Frame4", QStringLiteral("Une reference par étiquette"),
                          {Label9, Label17, Label18, Label15, Label16, Label19});
    Label10 = named(new QLabel, "Label10");
    Label5 = named(new QLabel, "Label5");
    Label11 = named(new QLabel, "Label11");
    Label12 = named(new QLabel, "Label12");
    Label13 = named(new QLabel, "Label13");
    Label14 = named(new QLabel, "Label14");
    Frame3 = previewFrame(column, "Frame3", QStringLiteral("Deux references par étiquettes"),
                          {Label10, Label5, Label11, Label12, Label13, Label14});
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Frame4);
    layout->addWidget(Frame3);
    layout->addStretch();
}

void Etiquettes::buildOptions(QWidget *column) {
    Frame5 = named(new QGroupBox(QStringLiteral("Format etiquette"), column), "Frame5");
    auto *formats = new QVBoxLayout(Frame5);
    const char *names[] = {"Etiqu_1", "Etiqu_2", "Etiqu_3", "Etiqu_4", "Etiqu_5"};
    for (int number = labelformat::first; number <= labelformat::last; ++number) {
        auto *option =
            named(new QRadioButton(labelformat::caption(number), Frame5), names[number - 1]);
        formats_[number - 1] = option;
        formats->addWidget(option);
    }
    Etiqu_1 = formats_[0];
    Etiqu_2 = formats_[1];
    Etiqu_3 = formats_[2];
    Etiqu_4 = formats_[3];
    Etiqu_5 = formats_[4];
    Etiqu_1->setChecked(true);

    Frame7 = named(new QGroupBox(QStringLiteral("Impression"), column), "Frame7");
    Arret_Imp = named(new QCheckBox(QStringLiteral("Arret impression a chaque feuille"), Frame7),
                      "Arret_Imp");
    (new QVBoxLayout(Frame7))->addWidget(Arret_Imp);

    Frame6 = named(new QGroupBox(QStringLiteral("Station"), column), "Frame6");
    Label1 = named(new QLabel(QStringLiteral("Transceiver "), Frame6), "Label1");
    RxTx = named(new QLineEdit(Frame6), "RxTx");
    Label20 = named(new QLabel(QStringLiteral("16 caracteres maxi"), Frame6), "Label20");
    Label7 = named(new QLabel(QStringLiteral("Antenne"), Frame6), "Label7");
    Antenne = named(new QLineEdit(Frame6), "Antenne");
    Label21 = named(new QLabel(QStringLiteral("13 catacteres maxi"), Frame6), "Label21");
    auto *station = new QGridLayout(Frame6);
    station->addWidget(Label1, 0, 0);
    station->addWidget(RxTx, 0, 1);
    station->addWidget(Label20, 0, 2);
    station->addWidget(Label7, 1, 0);
    station->addWidget(Antenne, 1, 1);
    station->addWidget(Label21, 1, 2);

    Frame8 = named(new QGroupBox(QStringLiteral("Language"), column), "Frame8");
    Langue_1 = named(new QRadioButton(QStringLiteral("Francais"), Frame8), "Langue_1");
    Langue_2 = named(new QRadioButton(QStringLiteral("Anglais"), Frame8), "Langue_2");
    Langue_1->setChecked(true);
    auto *languages = new QHBoxLayout(Frame8);
    languages->addWidget(Langue_1);
    languages->addWidget(Langue_2);

    // Calibration: how far the chosen format's printout is moved to land inside the labels.
    Frame10 =
        named(new QGroupBox(QStringLiteral("Calage de l'impression (mm)"), column), "Frame10");
    auto newOffsetBox = [this](const char *name) {
        auto *box = named(new QDoubleSpinBox(Frame10), name);
        box->setRange(-offsetLimit, offsetLimit);
        box->setDecimals(1);
        box->setSingleStep(0.1);
        box->setSuffix(QStringLiteral(" mm"));
        return box;
    };
    Decalage_X = newOffsetBox("Decalage_X");
    Decalage_Y = newOffsetBox("Decalage_Y");
    Decalage_X->setToolTip(QStringLiteral("Décalage vers la droite (négatif : vers la gauche)"));
    Decalage_Y->setToolTip(QStringLiteral("Décalage vers le bas (négatif : vers le haut)"));
    Page_Test = named(new QPushButton(QStringLiteral("Page de test"), Frame10), "Page_Test");
    Page_Test->setAutoDefault(false);
    Page_Test->setToolTip(
        QStringLiteral("Imprime le contour des étiquettes du format choisi, avec ce décalage"));
    auto *calibration = new QGridLayout(Frame10);
    calibration->addWidget(new QLabel(QStringLiteral("Horizontal"), Frame10), 0, 0);
    calibration->addWidget(Decalage_X, 0, 1);
    calibration->addWidget(new QLabel(QStringLiteral("Vertical"), Frame10), 1, 0);
    calibration->addWidget(Decalage_Y, 1, 1);
    calibration->addWidget(Page_Test, 0, 2, 2, 1);

    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QGroupBox *frame : {Frame5, Frame7, Frame6, Frame8, Frame10})
        layout->addWidget(frame);
    layout->addStretch();
}

} // namespace zep
