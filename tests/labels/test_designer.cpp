#include "LabelsFixture.h"

#include "labels/Etiquettes.h"
#include "labels/LabelDesign.h"
#include "labels/LabelPrinting.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace zep;

namespace {

class Designer : public zep::testing::LabelWindowTest {
protected:
    void TearDown() override { window.reset(); }

    Etiquettes &open() {
        window = std::make_unique<Etiquettes>(services, [this] { return chosen; });
        window->Form_Load();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }
    static void retype(QLineEdit *box, const QString &text) {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    // On the indicator: a radio button stretched by its layout only takes clicks on its
    // indicator and caption.
    static void click(QAbstractButton *button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

    QStringList chosen;
    std::unique_ptr<Etiquettes> window;
};

TEST_F(Designer, OpensWithTheStoredStationAndFormat) {
    struct Case {
        const char *stored; // "N° Etiquette", null when absent
        int format;
    };
    const Case cases[] = {{nullptr, 1}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 4},
                          {"5", 5},     {"0", 1}, {"6", 1}, {"x", 1}, {" 4 ", 4}};
    for (const Case &c : cases) {
        settings = MemorySettingsStore();
        settings.write(keys::transceiver, QStringLiteral("IC-705"));
        settings.write(keys::antenne, QStringLiteral("EFHW 40m"));
        if (c.stored)
            settings.write(keys::numEtiquette, QString::fromLatin1(c.stored));
        Etiquettes &w = open();
        EXPECT_EQ(w.selectedFormat(), c.format) << (c.stored ? c.stored : "absent");
        EXPECT_EQ(w.RxTx->text(), "IC-705");
        EXPECT_EQ(w.Antenne->text(), "EFHW 40m");
        EXPECT_TRUE(w.Langue_1->isChecked());
        EXPECT_TRUE(w.Option3->isChecked());
        EXPECT_FALSE(w.Arret_Imp->isChecked());
        EXPECT_EQ(w.windowTitle(), "Etiquettes pour QSL");
        EXPECT_EQ(w.Etiqu_5->text(), "AVERY  DP247                  70 x 37   24 étiquettes");
    }
}

TEST_F(Designer, PreviewsOfASingleAndOfADoubleActivation) {
    struct Case {
        bool isDouble;
        const char *canton;
        const char *location; // Label18 at load
    };
    const Case cases[] = {
        {true, "2112", "DDCF 2112   21640 Vougeot"},
        {false, "", "21640 Vougeot"},
    };
    for (const Case &c : cases) {
        activation.activation.isDouble = c.isDouble;
        activation.activation.canton = QString::fromLatin1(c.canton);
        if (!c.isDouble) {
            activation.activation.secondReference.clear();
            activation.activation.secondSiteName.clear();
        }
        Etiquettes &w = open();
        EXPECT_EQ(w.Label17->text(), "DFCF-21-001 Château de Vougeot");
        EXPECT_EQ(w.Label5->text(), "DFCF-21-001 Château de Vougeot");
        EXPECT_EQ(w.Label18->text(), QString::fromLatin1(c.location));
        EXPECT_EQ(w.Label15->text(), "Le 14/07/24   08:35 UTC    59    SSB    7 MHz");
        EXPECT_EQ(w.Label12->text(), w.Label15->text());
        EXPECT_EQ(w.Label19->text(), "TNX for the QSO       73's de F4ABC");
        EXPECT_EQ(w.Label14->text(), w.Label19->text());
        EXPECT_EQ(w.Option3->text(), "DFCF-21-001");
        EXPECT_EQ(w.Option4->text(), c.isDouble ? "DIFI-21-002" : "");
        EXPECT_EQ(w.Option2->isEnabled(), c.isDouble);
        EXPECT_EQ(w.Option4->isEnabled(), c.isDouble) << "no second reference to print";
        EXPECT_EQ(w.Option2->isChecked(), c.isDouble);
        EXPECT_EQ(w.Option1->isChecked(), !c.isDouble);
        EXPECT_EQ(w.currentRun().content.twoReferences, c.isDouble);
    }
}

TEST_F(Designer, LanguageAndReferenceClicksRewriteThePreviews) {
    activation.activation.secondCanton.clear();
    Etiquettes &w = open();
    struct Step {
        QRadioButton *Etiquettes::*button;
        const char *confirmation, *qso, *thanks, *reference, *location;
        bool english, second;
    };
    const Step steps[] = {
        {&Etiquettes::Langue_2, "Confirming QSO with Q0ZEP",
         "On 14/07/24   08:35 UTC    59    SSB    7 MHz", "TNX for the QSO       73's from F4ABC",
         "DFCF-21-001 Château de Vougeot", "DDCF 2112   21640 Vougeot", true, false},
        // Choosing a reference always shows the canton form, even without a canton number.
        {&Etiquettes::Option4, "Confirming QSO with Q0ZEP",
         "On 14/07/24   08:35 UTC    59    SSB    7 MHz", "TNX for the QSO       73's from F4ABC",
         "DIFI-21-002 Clos de Vougeot", "DDCF    21640 Gilly", true, true},
        // A language click shows the chosen reference by the canton rule.
        {&Etiquettes::Langue_1, "Confirme le QSO avec Q0ZEP",
         "Le 14/07/24   08:35 UTC    59    SSB    7 MHz", "Merci pour le QSO      73's de F4ABC",
         "DIFI-21-002 Clos de Vougeot", "21640 Gilly", false, true},
        {&Etiquettes::Option3, "Confirme le QSO avec Q0ZEP",
         "Le 14/07/24   08:35 UTC    59    SSB    7 MHz", "Merci pour le QSO      73's de F4ABC",
         "DFCF-21-001 Château de Vougeot", "DDCF 2112   21640 Vougeot", false, false},
    };
    for (const Step &s : steps) {
        click(w.*s.button);
        const std::string at = (w.*s.button)->objectName().toStdString();
        EXPECT_EQ(w.Label9->text(), s.confirmation) << at;
        EXPECT_EQ(w.Label10->text(), s.confirmation) << at;
        EXPECT_EQ(w.Label15->text(), s.qso) << at;
        EXPECT_EQ(w.Label12->text(), s.qso) << at;
        EXPECT_EQ(w.Label19->text(), s.thanks) << at;
        EXPECT_EQ(w.Label14->text(), s.thanks) << at;
        EXPECT_EQ(w.Label16->text(), "TX/RX :  FT47 100 W     Ant : Dipole 2x10m ") << at;
        EXPECT_EQ(w.Label17->text(), QString::fromUtf8(s.reference)) << at;
        EXPECT_EQ(w.Label18->text(), s.location) << at;
        EXPECT_EQ(w.Label5->text(), "DFCF-21-001 Château de Vougeot") << at;
        EXPECT_EQ(w.Label11->text(), "DIFI-21-002 Clos de Vougeot") << at;
        const LabelRun run = w.currentRun();
        EXPECT_EQ(run.content.english, s.english) << at;
        EXPECT_EQ(run.content.reference.number, s.second ? "DIFI-21-002" : "DFCF-21-001") << at;
    }
}

TEST_F(Designer, StationLengthChecksComeBeforeAnyPrinting) {
    struct Case {
        int transceiver, antenna;
        const char *message; // null: accepted and printed
    };
    const Case cases[] = {
        {15, 13, nullptr},
        {0, 0, nullptr},
        {16, 13, "15 caracteres maxi"},
        {15, 14, "12 caracteres maxi"},
        {16, 14, "15 caracteres maxi"},
    };
    for (const Case &c : cases) {
        settings = MemorySettingsStore();
        dialogs.clear();
        printing.prints = printing.previews = 0;
        Etiquettes &w = open();
        click(w.Etiqu_4);
        retype(w.RxTx, QString(c.transceiver, QLatin1Char('T')));
        retype(w.Antenne, QString(c.antenna, QLatin1Char('A')));
        for (QPushButton *button : {w.Imprime, w.Apercu}) {
            click(button);
            const std::string at = QStringLiteral("%1/%2 %3")
                                       .arg(c.transceiver)
                                       .arg(c.antenna)
                                       .arg(button->objectName())
                                       .toStdString();
            if (c.message) {
                EXPECT_EQ(dialogs.last(), c.message) << at;
                EXPECT_FALSE(settings.contains(keys::transceiver)) << at;
                EXPECT_FALSE(settings.contains(keys::numEtiquette)) << at;
                EXPECT_EQ(w.RxTx->text().size(), c.transceiver) << "fields kept";
            } else {
                EXPECT_TRUE(dialogs.shown().empty()) << at;
                EXPECT_EQ(settings.read(keys::transceiver, "?"), w.RxTx->text()) << at;
                EXPECT_EQ(settings.read(keys::antenne, "?"), w.Antenne->text()) << at;
                EXPECT_EQ(settings.read(keys::numEtiquette, "?"), "4") << at;
            }
        }
        EXPECT_EQ(printing.prints, c.message ? 0 : 1);
        EXPECT_EQ(printing.previews, c.message ? 0 : 1);
    }
}

TEST_F(Designer, TheRunTakesEveryChoiceOfTheWindow) {
    settings.write(keys::numEtiquette, QStringLiteral("5"));
    chosen = {QStringLiteral("     F5ABC"), QStringLiteral("     ON4XYZ")};
    Etiquettes &w = open();
    EXPECT_TRUE(w.Etiqu_5->isChecked());
    click(w.Option1);
    click(w.Option4);
    click(w.Langue_2);
    click(w.Arret_Imp);
    retype(w.RxTx, QStringLiteral("FT-817"));
    retype(w.Antenne, QStringLiteral("Dipole"));
    const LabelRun run = w.currentRun();
    EXPECT_EQ(run.format, 5);
    EXPECT_TRUE(run.pauseEachSheet);
    EXPECT_EQ(run.entries, chosen);
    EXPECT_FALSE(run.content.twoReferences);
    EXPECT_TRUE(run.content.english);
    EXPECT_EQ(run.content.reference.number, "DIFI-21-002");
    EXPECT_EQ(run.content.reference.commune, "Gilly");
    EXPECT_EQ(run.content.secondNumber, "DIFI-21-002");
    EXPECT_EQ(run.content.secondName, "Clos de Vougeot");
    EXPECT_EQ(run.content.activator, "F4ABC");
    EXPECT_EQ(run.content.transceiver, "FT-817");
    EXPECT_EQ(run.content.antenna, "Dipole");
    EXPECT_EQ(run.restoreFontName, w.font().family());

    // "Imprimer" with format 5 goes to the twenty-four-label sheet.
    click(w.Imprime);
    EXPECT_EQ(printing.prints, 1);
    EXPECT_EQ(printing.printer.dialogs, 1);
    EXPECT_FALSE(printing.printer.jobs.isEmpty());
    bool placed = false;
    for (const RecordingPrinter::Line &line : printing.printer.jobs.value(0))
        placed = placed || line.x > 100; // the third column of labels
    EXPECT_TRUE(placed);
}

TEST_F(Designer, ThePauseBetweenSheetsIsAskedWhenPrintingButNotInThePreview) {
    for (int i = 0; i < 17; ++i)
        chosen.append(QStringLiteral("     F5A%1").arg(QChar(u'A' + i)));
    Etiquettes &w = open();
    click(w.Etiqu_1);
    click(w.Arret_Imp);
    click(w.Apercu);
    EXPECT_EQ(printing.previews, 1);
    EXPECT_TRUE(dialogs.shown().empty());
    click(w.Imprime);
    EXPECT_EQ(printing.prints, 1);
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_TRUE(dialogs.shown().front().isQuestion);
}

TEST_F(Designer, EachFormatKeepsItsOwnCalibration) {
    settings.write(keys::decalageXEtiquette(2), QStringLiteral("1.5"));
    settings.write(keys::decalageYEtiquette(2), QStringLiteral("-0,7"));
    settings.write(keys::decalageXEtiquette(3), QStringLiteral("nonsense"));
    settings.write(keys::decalageYEtiquette(3), QStringLiteral("250"));
    Etiquettes &w = open();
    struct Case {
        QRadioButton *Etiquettes::*format;
        double x, y;
    };
    const Case stored[] = {{&Etiquettes::Etiqu_2, 1.5, -0.7},
                           {&Etiquettes::Etiqu_3, 0, offsetLimit},
                           {&Etiquettes::Etiqu_1, 0, 0}};
    for (const Case &c : stored) {
        click(w.*c.format);
        EXPECT_DOUBLE_EQ(w.Decalage_X->value(), c.x) << (w.*c.format)->objectName().toStdString();
        EXPECT_DOUBLE_EQ(w.Decalage_Y->value(), c.y) << (w.*c.format)->objectName().toStdString();
    }

    // Edited for format 4: kept under format 4 only, and used by the run and the test page.
    click(w.Etiqu_4);
    w.Decalage_X->setValue(0.3);
    w.Decalage_Y->setValue(-1.2);
    EXPECT_EQ(settings.read(keys::decalageXEtiquette(4), "?"), "0.3");
    EXPECT_EQ(settings.read(keys::decalageYEtiquette(4), "?"), "-1.2");
    EXPECT_EQ(settings.read(keys::decalageXEtiquette(2), "?"), "1.5");
    EXPECT_DOUBLE_EQ(w.currentRun().offsetXmm, 0.3);
    EXPECT_DOUBLE_EQ(w.currentRun().offsetYmm, -1.2);
    click(w.Etiqu_2);
    EXPECT_DOUBLE_EQ(w.currentRun().offsetXmm, 1.5);
    click(w.Etiqu_4);
    EXPECT_DOUBLE_EQ(w.Decalage_Y->value(), -1.2);

    click(w.Page_Test);
    EXPECT_EQ(printing.prints, 1);
    ASSERT_FALSE(printing.printer.jobs.isEmpty());
    EXPECT_FALSE(printing.printer.jobs.first().isEmpty());
    EXPECT_FALSE(settings.contains(keys::numEtiquette)) << "a test page prints no labels";
}

} // namespace
