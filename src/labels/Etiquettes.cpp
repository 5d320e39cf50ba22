#include "labels/Etiquettes.h"

#include "labels/LabelPrinting.h"
#include "platform/Colors.h"
#include "platform/Printer.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zep {

Etiquettes::Etiquettes(const WindowServices &services, std::function<QStringList()> chosenEntries,
                       QWidget *parent)
    : QWidget(parent, Qt::Window), services_(services), chosenEntries_(std::move(chosenEntries)) {
    setObjectName(QStringLiteral("Etiquettes"));
    setWindowTitle(QStringLiteral("Etiquettes pour QSL"));
    buildControls();

    connect(Option3, &QRadioButton::clicked, this, &Etiquettes::Option3_Click);
    connect(Option4, &QRadioButton::clicked, this, &Etiquettes::Option4_Click);
    connect(Langue_1, &QRadioButton::clicked, this, &Etiquettes::Langue_1_Click);
    connect(Langue_2, &QRadioButton::clicked, this, &Etiquettes::Langue_2_Click);
    connect(Imprime, &QPushButton::clicked, this, &Etiquettes::Imprime_Click);
    connect(Apercu, &QPushButton::clicked, this, &Etiquettes::Apercu_Click);
    connect(Page_Test, &QPushButton::clicked, this, &Etiquettes::Page_Test_Click);
    for (QRadioButton *format : formats_)
        connect(format, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                showOffsetOfFormat();
        });
    for (QDoubleSpinBox *box : {Decalage_X, Decalage_Y})
        connect(box, &QDoubleSpinBox::valueChanged, this, &Etiquettes::saveOffsetOfFormat);
}

Etiquettes::~Etiquettes() = default;

void Etiquettes::Form_Load() {
    const CurrentActivation activation = services_.activation.currentActivation();
    RxTx->setText(services_.settings.read(keys::transceiver, QString()));
    Antenne->setText(services_.settings.read(keys::antenne, QString()));
    const int format = services_.settings.readInt(keys::numEtiquette, labelformat::first);
    if (QRadioButton *option = formatOption(format))
        option->setChecked(true);
    showOffsetOfFormat();

    // Each opening starts from French, the first reference and no pause.
    Langue_1->setChecked(true);
    Option3->setChecked(true);
    Arret_Imp->setChecked(false);
    const LabelPreviewTexts french =
        previewTexts(LabelLanguage::French, activation.date, activation.activator);
    Label9->setText(french.confirmation);
    Label10->setText(french.confirmation);
    Label16->setText(french.station);
    Label13->setText(french.station);
    const ReferenceParticulars first = referenceOf(activation, false);
    Label5->setText(referenceLine(first.number, first.name));
    Label17->setText(referenceLine(first.number, first.name));
    Label11->setText(referenceLine(activation.secondReference, activation.secondSiteName));
    Label18->setText(locationLine(first.canton, first.postalCode, first.commune));
    Label15->setText(french.qso);
    Label12->setText(french.qso);
    // The thanks previews open in English words with the French "de", until a language is
    // clicked: the sample the window has always opened with.
    Label19->setText(openingThanks(activation.activator));
    Label14->setText(openingThanks(activation.activator));

    Option3->setText(activation.reference);
    Option4->setText(activation.secondReference);
    if (!activation.isDouble) {
        Option2->setEnabled(false);
        Option1->setEnabled(true);
        Option1->setChecked(true);
        // A single activation has no second reference to put on the labels.
        Option4->setEnabled(false);
    } else {
        Option1->setEnabled(true);
        Option2->setEnabled(true);
        Option2->setChecked(true);
        Option4->setEnabled(true);
    }

    adjustSize();
    centreOnScreen(this);
}

void Etiquettes::showChosenReference(bool second, bool alwaysCanton) {
    const ReferenceParticulars r = referenceOf(services_.activation.currentActivation(), second);
    Label17->setText(referenceLine(r.number, r.name));
    Label18->setText(alwaysCanton ? locationLineWithCanton(r.canton, r.postalCode, r.commune)
                                  : locationLine(r.canton, r.postalCode, r.commune));
}

void Etiquettes::Option3_Click() {
    showChosenReference(false, true);
}

void Etiquettes::Option4_Click() {
    showChosenReference(true, true);
}

void Etiquettes::showLanguage(LabelLanguage language) {
    const CurrentActivation activation = services_.activation.currentActivation();
    const LabelPreviewTexts texts = previewTexts(language, activation.date, activation.activator);
    Label9->setText(texts.confirmation);
    Label10->setText(texts.confirmation);
    Label15->setText(texts.qso);
    Label12->setText(texts.qso);
    Label16->setText(texts.station);
    Label13->setText(texts.station);
    Label19->setText(texts.thanks);
    Label14->setText(texts.thanks);
    showChosenReference(Option4->isChecked(), false);
    Label5->setText(referenceLine(activation.reference, activation.siteName));
    Label11->setText(referenceLine(activation.secondReference, activation.secondSiteName));
}

void Etiquettes::Langue_1_Click() {
    showLanguage(LabelLanguage::French);
}

void Etiquettes::Langue_2_Click() {
    showLanguage(LabelLanguage::English);
}

QRadioButton *Etiquettes::formatOption(int number) const {
    if (number < labelformat::first || number > labelformat::last)
        return nullptr;
    return formats_[number - 1];
}

int Etiquettes::selectedFormat() const {
    for (int number = labelformat::first; number <= labelformat::last; ++number)
        if (formats_[number - 1]->isChecked())
            return number;
    return labelformat::first;
}

void Etiquettes::showOffsetOfFormat() {
    offsetFormat_ = selectedFormat();
    const LabelOffset offset = readLabelOffset(services_.settings, offsetFormat_);
    loadingOffset_ = true;
    Decalage_X->setValue(offset.x);
    Decalage_Y->setValue(offset.y);
    loadingOffset_ = false;
}

void Etiquettes::saveOffsetOfFormat() {
    if (loadingOffset_ || offsetFormat_ == 0)
        return;
    writeLabelOffset(services_.settings, offsetFormat_, {Decalage_X->value(), Decalage_Y->value()});
}

LabelRun Etiquettes::currentRun() const {
    const CurrentActivation activation = services_.activation.currentActivation();
    LabelRun run;
    run.format = selectedFormat();
    run.content.english = !Langue_1->isChecked();
    run.content.twoReferences = Option2->isChecked();
    const ReferenceParticulars r = referenceOf(activation, !Option3->isChecked());
    run.content.reference = {r.number, r.name, r.canton, r.postalCode, r.commune};
    run.content.secondNumber = activation.secondReference;
    run.content.secondName = activation.secondSiteName;
    run.content.activator = activation.activator;
    run.content.transceiver = RxTx->text();
    run.content.antenna = Antenne->text();
    run.pauseEachSheet = Arret_Imp->isChecked();
    run.entries = chosenEntries_ ? chosenEntries_() : QStringList();
    run.restoreFontName = font().family();
    run.offsetXmm = Decalage_X->value();
    run.offsetYmm = Decalage_Y->value();
    return run;
}

bool Etiquettes::checkAndSave() {
    if (const std::optional<QString> refusal =
            stationFieldsRefusal(RxTx->text(), Antenne->text())) {
        services_.dialogs.message(*refusal);
        return false;
    }
    services_.settings.write(keys::transceiver, RxTx->text());
    services_.settings.write(keys::antenne, Antenne->text());
    services_.settings.writeInt(keys::numEtiquette, selectedFormat());
    return true;
}

bool Etiquettes::Imprime_Click() {
    if (!checkAndSave())
        return false;
    const LabelRun run = currentRun();
    Dialogs *dialogs = &services_.dialogs;
    services_.printing.print(
        [run, dialogs](Printer &printer) { printLabels(printer, *dialogs, run); }, this);
    return true;
}

bool Etiquettes::Apercu_Click() {
    if (!checkAndSave())
        return false;
    // The preview draws its pages again whenever it is asked to (zoom, page set-up): the pause
    // between sheets, meant for changing paper, would ask its question at every redraw.
    LabelRun run = currentRun();
    run.pauseEachSheet = false;
    Dialogs *dialogs = &services_.dialogs;
    services_.printing.preview(
        [run, dialogs](Printer &printer) { printLabels(printer, *dialogs, run); }, this);
    return true;
}

void Etiquettes::Page_Test_Click() {
    const int format = selectedFormat();
    const double dx = Decalage_X->value();
    const double dy = Decalage_Y->value();
    services_.printing.print(
        [format, dx, dy](Printer &printer) { printTestPage(printer, format, dx, dy); }, this);
}

} // namespace zep
