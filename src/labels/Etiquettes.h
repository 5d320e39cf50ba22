#pragma once

#include "labels/LabelDesign.h"
#include "platform/WindowServices.h"

#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zep {

struct LabelRun;

/// The label designer: sheet format, language, one or two references per label, which
/// reference of a double activation is printed, the station line and the pause between
/// sheets, with two sample labels drawn from the current activation. "Imprimer" prints the
/// QSOs chosen in the selection window; "Aperçu avant impression" shows the same pages first;
/// "Page de test" prints the outline of the chosen format's labels, moved by the calibration
/// offsets of that format, to be held against a sheet before a real one is used.
class Etiquettes : public QWidget {
    Q_OBJECT
public:
    /// `chosenEntries` gives the selection window's chosen entries at the moment of printing.
    Etiquettes(const WindowServices &services, std::function<QStringList()> chosenEntries,
               QWidget *parent = nullptr);
    ~Etiquettes() override;

    /// Opening: centred, station fields and format from the settings, previews of the current
    /// activation, French, first reference, no pause.
    void Form_Load();

    void Option3_Click();
    void Option4_Click();
    void Langue_1_Click();
    void Langue_2_Click();
    /// "Imprimer": checks and saves the station fields and format, then prints. False when a
    /// check refused (nothing printed, the fields kept).
    bool Imprime_Click();
    /// "Aperçu avant impression": the same checks, then the pages in the preview.
    bool Apercu_Click();
    /// "Page de test": the outline page of the chosen format with its offsets.
    void Page_Test_Click();

    /// The number of the chosen sheet format (1-5).
    int selectedFormat() const;
    /// What a run takes from the window and the selection, as it stands now.
    LabelRun currentRun() const;

    QGroupBox *Frame1;
    QLabel *Label2;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QGroupBox *Frame9;
    QRadioButton *Option3;
    QRadioButton *Option4;
    QGroupBox *Frame4;
    QLabel *Label9;
    QLabel *Label17;
    QLabel *Label18;
    QLabel *Label15;
    QLabel *Label16;
    QLabel *Label19;
    QGroupBox *Frame3;
    QLabel *Label10;
    QLabel *Label5;
    QLabel *Label11;
    QLabel *Label12;
    QLabel *Label13;
    QLabel *Label14;
    QGroupBox *Frame5;
    QRadioButton *Etiqu_1;
    QRadioButton *Etiqu_2;
    QRadioButton *Etiqu_3;
    QRadioButton *Etiqu_4;
    QRadioButton *Etiqu_5;
    QGroupBox *Frame7;
    QCheckBox *Arret_Imp;
    QGroupBox *Frame6;
    QLabel *Label1;
    QLineEdit *RxTx;
    QLabel *Label20;
    QLabel *Label7;
    QLineEdit *Antenne;
    QLabel *Label21;
    QGroupBox *Frame8;
    QRadioButton *Langue_1;
    QRadioButton *Langue_2;
    /// Calibration of the chosen format to the printer, in millimetres.
    QGroupBox *Frame10;
    QDoubleSpinBox *Decalage_X;
    QDoubleSpinBox *Decalage_Y;
    QPushButton *Page_Test;
    QPushButton *Imprime;
    QPushButton *Apercu;

private:
    void buildControls();
    void buildPreviews(QWidget *column);
    void buildOptions(QWidget *column);
    /// The previews of one language, with the references shown for the chosen one.
    void showLanguage(LabelLanguage language);
    /// Label17 and Label18 for the first or the second reference, by the given location form.
    void showChosenReference(bool second, bool alwaysCanton);
    void showOffsetOfFormat();
    void saveOffsetOfFormat();
    /// The print button's checks and saving; false when a check refused.
    bool checkAndSave();
    QRadioButton *formatOption(int number) const;

    WindowServices services_;
    std::function<QStringList()> chosenEntries_;
    std::array<QRadioButton *, 5> formats_{};
    int offsetFormat_ = 0; ///< the format whose offsets the spin boxes show
    bool loadingOffset_ = false;
};

} // namespace zep
