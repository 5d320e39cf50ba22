// The QSO entry window: opening, the chain of fields and its colours, the refusals, the quick
// validation keys, the duplicate question and the first-name memory.

#include "EntryWindowFixture.h"

#include "core/log/QsoLine.h"
#include "entry/DepartmentPainter.h"
#include "entry/PartialCheckPanel.h"
#include "entry/QsoList.h"
#include "platform/ShapedTextDelegate.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>

using namespace zep;
using zep::testing::EntryWindowTest;

namespace {
QString qso(const QString &time, const QString &call, const QString &dept, const QString &first,
            const QString &band) {
    const BuiltLine b =
        buildQsoLine({QStringLiteral("07/12/26"), time, call, dept, first, QStringLiteral("59"),
                      QStringLiteral("59"), QStringLiteral("SSB"), band, QString()});
    EXPECT_TRUE(b.ok);
    return b.line;
}
const QString F6XYZ_LINE = qso(QStringLiteral("14:07"), QStringLiteral("F6XYZ"),
                               QStringLiteral("21"), QStringLiteral("Jean"), QStringLiteral("14"));
} // namespace

using EntryWindow = EntryWindowTest;

TEST_F(EntryWindow, OpensReadyForACallSignWithDefaultsAndDescriptions) {
    setup.activation.logger = QString();
    setup.activation.canton = QStringLiteral("12");
    setup.activation.isDouble = true;
    setup.activation.secondReference = QStringLiteral("DIFI-21-002");
    setup.activation.secondSiteName = QStringLiteral("Moulin");
    setup.activation.secondProgramme = QStringLiteral("DIFI");
    setup.activation.secondPostcode = QStringLiteral("21640");
    setup.activation.secondTown = QStringLiteral("Vougeot");
    open();

    EXPECT_EQ(window->windowTitle(), QStringLiteral("  ZEP_Rozadovev    Revision  1.3.7b"));
    EXPECT_EQ(window->Mode_Q->currentText(), QStringLiteral("SSB"));
    EXPECT_EQ(window->Bande_Q->currentText(), QStringLiteral("3.5"));
    EXPECT_EQ(window->Bande_Q->count(), 11);
    EXPECT_EQ(window->Bande_Q->itemText(10), QStringLiteral("144"));
    EXPECT_EQ(window->QRKR_Q->text(), QStringLiteral("59"));
    EXPECT_EQ(window->QRKE_Q->text(), QStringLiteral("59"));
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("1"));
    EXPECT_EQ(window->Tot_Ope->text(), QStringLiteral("0"));
    EXPECT_EQ(window->Label1->text(), QStringLiteral("Riduzazur d'activité de F4ABC"));
    EXPECT_EQ(window->Label4->text(), QStringLiteral("Au Log F4ABC"));
    EXPECT_EQ(window->Label3->text(),
              QStringLiteral("DFCF Château de Vougeot DFCF-21-001     21640 Vougeot  Canton 12"));
    EXPECT_EQ(window->Label23->text(), QStringLiteral("DIFI Moulin DIFI-21-002    21640 Vougeot"));
    EXPECT_EQ(window->Entete->text().left(12), QStringLiteral("   N°    Dat"));
    const QFontMetrics list(window->Liste_QSO->font());
    EXPECT_EQ(list.horizontalAdvance(QLatin1Char('i')), list.horizontalAdvance(QLatin1Char('W')));
    EXPECT_TRUE(window->Entete->font().bold());
    EXPECT_EQ(window->Entete->font().family(), window->Label1->font().family());

    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    EXPECT_EQ(backgroundOf(window->Indi_Q), colors::lightGreen());
    for (QWidget *w : std::initializer_list<QWidget *>{
             window->Dpt_Q, window->Prenom_Q, window->QRKR_Q, window->QRKE_Q, window->Observation_Q,
             window->Valide_Q, window->Recupere})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(window->Date_Q->isVisible());
    EXPECT_FALSE(window->Label10->isVisible());
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("Liste_Prenom.txt"))));

    // Controls reachable by their domain names, with their captions.
    EXPECT_EQ(child<QPushButton>(QStringLiteral("Annule_Q"))->text(),
              QStringLiteral("Annuler  une saisie"));
    EXPECT_EQ(child<QLabel>(QStringLiteral("Dpt_96"))->text(), QStringLiteral("2a"));
    EXPECT_FALSE(child<QLabel>(QStringLiteral("Dpt_20"))->isVisible());
    EXPECT_TRUE(child<QLabel>(QStringLiteral("Dpt_21"))->isVisible());
    // The menu bar, menu by menu, with each item's name and caption.
    const QList<QPair<QMenu *, QStringList>> menus = {
        {window->Mnu_Fichier,
         {"Fichiers", "Mnu_ADIF=Exporter au format ADIF",
          "Mnu_ADIF3=Exporter pour les diplômes (ADIF 3)…",
          "Mnu_C_Trafic=Exporter au format C_Trafic", "Mnu_Import_ADIF=Importer un fichier ADIF…",
          "Mnu_Archiver=Archiver les données…", "Mnu_Restaurer=Restaurer une archive…",
          "Mnu_Annonce_Cluster=Annoncer sur le cluster…", "Mnu_Quitter=Quitter"}},
        {window->Mnu_Afficher,
         {"Afficher", "Mnu_Aff_Log=le log de l'activité",
          "Mnu_Log_Alpha=le log alphanumerique de l'activité",
          "Mnu_Pays_Contacte=les pays contactés",
          "Mnu_Liste_Op=la liste des opérateurs contactés"}},
        {window->Mnu_Etique, {"Etiquettes", "Mnu_Etiquettes=Imprimer les étiquettes pour QSL"}},
        {window->Mnu_Carte, {"Carte", "Mnu_Dpt_Cont=Départements contactés"}},
        {window->Mnu_Help,
         {"Aide", "Mnu_Historique=Historique", "Mnu_Mode_Emploi=Mode d'emploi",
          "Mnu_Maj=Mise a jour du programme", "Mnu_A_Propos=A Ppropos"}},
    };
    for (const auto &[menu, expected] : menus) {
        QStringList seen{menu->title()};
        for (const QAction *a : menu->actions())
            seen.append(a->objectName() + QLatin1Char('=') + a->text());
        EXPECT_EQ(seen, expected);
    }
}

TEST_F(EntryWindow, StoredChoicesAreRestoredAndTheOldModeTextIsReset) {
    settings.write(keys::modeActivite, QStringLiteral("CW"));
    settings.write(keys::bandeActivite, QStringLiteral("6"));
    open();
    EXPECT_EQ(settings.read(keys::modeActivite, {}), QStringLiteral("0"));
    EXPECT_EQ(settings.read(keys::bandeActivite, {}), QStringLiteral("1"));
    EXPECT_EQ(window->Mode_Q->currentText(), QStringLiteral("SSB"));
    window.reset();

    settings.write(keys::modeActivite, QStringLiteral("1"));
    settings.write(keys::bandeActivite, QStringLiteral("4"));
    open();
    EXPECT_EQ(window->Mode_Q->currentText(), QStringLiteral("CW"));
    EXPECT_EQ(window->Bande_Q->currentText(), QStringLiteral("14"));
    EXPECT_EQ(window->QRKR_Q->text(), QStringLiteral("599"));
}

TEST_F(EntryWindow, BandAndModeAreConfirmedWithEnterAndStored) {
    open();
    window->Bande_Q->setFocus();
    replaceAndEnter(QStringLiteral("1440"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("3 caracteres maxi"));
    EXPECT_EQ(focusName(), QStringLiteral("Bande_Q"));

    replaceAndEnter(QStringLiteral("14"));
    EXPECT_EQ(settings.read(keys::bandeActivite, {}), QStringLiteral("4"));
    EXPECT_EQ(focusName(), QStringLiteral("Mode_Q"));
    EXPECT_EQ(backgroundOf(window->Mode_Q), colors::lightGreen());
    EXPECT_EQ(backgroundOf(window->Indi_Q), colors::lightYellow());

    dialogs.clear();
    replaceAndEnter(QStringLiteral("PSK31"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("3 caracteres maxi"));
    replaceAndEnter(QStringLiteral("RTTY")); // four characters are accepted
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    EXPECT_EQ(window->QRKR_Q->text(), QStringLiteral("599"));

    window->Mode_Q->setFocus();
    replaceAndEnter(QStringLiteral("CW"));
    EXPECT_EQ(settings.read(keys::modeActivite, {}), QStringLiteral("1"));
    EXPECT_EQ(window->QRKE_Q->text(), QStringLiteral("599"));
    EXPECT_EQ(backgroundOf(window->Indi_Q), colors::lightGreen());
}

TEST_F(EntryWindow, FieldChainForFrenchAndForeignCallSigns) {
    open();
    type(QStringLiteral("f6xyz"));
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("F6XYZ"));
    enter();
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    EXPECT_TRUE(window->Valide_Q->isEnabled());
    EXPECT_EQ(backgroundOf(window->Indi_Q), colors::lightYellow());
    EXPECT_EQ(backgroundOf(window->Dpt_Q), colors::lightGreen());
    field(QStringLiteral("21"));
    EXPECT_EQ(focusName(), QStringLiteral("Prenom_Q"));
    field(QStringLiteral("Jean"));
    EXPECT_EQ(focusName(), QStringLiteral("QRKR_Q"));
    enter();
    EXPECT_EQ(focusName(), QStringLiteral("QRKE_Q"));
    enter();
    EXPECT_EQ(focusName(), QStringLiteral("Observation_Q"));
    EXPECT_EQ(backgroundOf(window->QRKE_Q), colors::lightYellow());
    enter();
    EXPECT_EQ(focusName(), QStringLiteral("Valide_Q"));
    EXPECT_TRUE(dialogs.shown().empty());

    // A foreign station skips the department.
    window->Indi_Q->clear();
    window->Indi_Q->setFocus();
    field(QStringLiteral("on4ab"));
    EXPECT_EQ(focusName(), QStringLiteral("Prenom_Q"));
    window->Indi_Q->clear();
    window->Indi_Q->setFocus();
    field(QStringLiteral("TM5A"));
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
}

TEST_F(EntryWindow, AnActivationIsLoggedWithoutTheMouse) {
    open();
    press(Qt::Key_Backtab);
    press(Qt::Key_Backtab);
    ASSERT_EQ(focusName(), QStringLiteral("Bande_Q"));
    replaceAndEnter(QStringLiteral("14"));
    replaceAndEnter(QStringLiteral("CW"));
    ASSERT_EQ(focusName(), QStringLiteral("Indi_Q"));
    logQso(QStringLiteral("F6XYZ"), QStringLiteral("21"), QStringLiteral("Jean"));
    logQso(QStringLiteral("DL1XX"));
    ASSERT_EQ(logLines().size(), 2);
    EXPECT_EQ(logLines()[1].mid(52, 22), QStringLiteral("599 599 CW     14 Mhz "));
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("3"));
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
}

TEST_F(EntryWindow, RefusalsShowTheirMessageAndClearOrKeepTheField) {
    open();
    enter();
    EXPECT_EQ(dialogs.last(), QStringLiteral("Entrez un indicatif"));
    field(QStringLiteral("TM123456789AB"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("12 caracteres maxi"));
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("TM123456789AB"));
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    press(Qt::Key_Backspace);
    enter();
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));

    field(QStringLiteral("96"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("N° département de 00 à 95"));
    EXPECT_TRUE(window->Dpt_Q->text().isEmpty());
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    field(QStringLiteral("2b"));
    EXPECT_EQ(window->Dpt_Q->text(), QStringLiteral("2b")); // stored as typed
    field(QStringLiteral("Marie-Christelle"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("15 caracteres maxi"));
    EXPECT_EQ(window->Prenom_Q->text(), QStringLiteral("Marie-Christelle"));
    replaceAndEnter(QStringLiteral("Łucja"));
    EXPECT_TRUE(dialogs.last().contains(QStringLiteral("Ł")));
    EXPECT_EQ(focusName(), QStringLiteral("Prenom_Q"));
    replaceAndEnter(QStringLiteral("Lucie"));
    replaceAndEnter(QStringLiteral("10"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("RST reçu 11 mini 59 maxi"));
    EXPECT_TRUE(window->QRKR_Q->text().isEmpty());
    enter();
    EXPECT_EQ(dialogs.last(), QStringLiteral("Le report reçu est obligatoire"));
    field(QStringLiteral("57"));
    EXPECT_EQ(focusName(), QStringLiteral("QRKE_Q"));
}

TEST_F(EntryWindow, QuickKeysValidateAfterTheFieldCheckButNotInDeferredEntry) {
    open();
    field(QStringLiteral("F6XYZ"));
    type(QStringLiteral("9"));
    press(Qt::Key_F9);
    EXPECT_EQ(dialogs.last(), QStringLiteral("2 caractères pour le département"));
    EXPECT_EQ(window->Dpt_Q->text(), QStringLiteral("9")); // kept before a quick key
    EXPECT_TRUE(logLines().isEmpty() || !QFile::exists(logFile()));
    type(QStringLiteral("1"));
    press(Qt::Key_F12);
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_EQ(logLines().first().mid(17, 12), QStringLiteral("F6XYZ       "));
    EXPECT_EQ(logLines().first().mid(31, 2), QStringLiteral("91"));
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));

    // The keypad "+" validates from a report field, a plain "+" does not exist there.
    field(QStringLiteral("ON4AB"));
    enter();
    press(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(logLines().size(), 2);
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("3"));

    // Deferred entry: the quick keys do nothing.
    window->Mnu_Diff_Oui->trigger();
    field(QStringLiteral("DL1XX"));
    enter();
    press(Qt::Key_F10);
    press(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(logLines().size(), 2);
    EXPECT_EQ(window->QRKR_Q->text(), QStringLiteral("59"));
    EXPECT_EQ(focusName(), QStringLiteral("QRKR_Q"));
}

TEST_F(EntryWindow, DuplicateQuestionDropsTheEntryOnOuiAndGoesOnOnNon) {
    put(logFile(), (F6XYZ_LINE + QStringLiteral("\r\n")).toLatin1());
    settings.write(keys::bandeActivite, QStringLiteral("4")); // 14 MHz
    open();
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("2"));

    dialogs.setNextAnswer(true);
    field(QStringLiteral("F6XYZ"));
    ASSERT_EQ(dialogs.shown().size(), 1U);
    EXPECT_TRUE(dialogs.shown().front().isQuestion);
    EXPECT_EQ(dialogs.last(), QStringLiteral("F6XYZ Jean Deja contacté le 07/12/26 a 14:07 sur "
                                             "14 Mhz. Annuler la saisie ?"));
    EXPECT_TRUE(window->Indi_Q->text().isEmpty());
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    EXPECT_FALSE(window->Valide_Q->isEnabled());

    dialogs.setNextAnswer(false);
    field(QStringLiteral("F6XYZ"));
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));

    // Another band: no question.
    dialogs.clear();
    window->Indi_Q->clear();
    window->Bande_Q->setCurrentText(QStringLiteral("7"));
    window->Indi_Q->setFocus();
    field(QStringLiteral("F6XYZ"));
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
}

TEST_F(EntryWindow, FirstNameMemoryFillsInAndIsRewrittenInPlace) {
    put(path(QStringLiteral("Liste_Prenom.txt")),
        QByteArray("G3ABC           Ann\r\nF6XYZ        21 Jean\r\nON4AB           Luc\r\n"));
    open();
    field(QStringLiteral("F6XYZ"));
    EXPECT_EQ(window->Dpt_Q->text(), QStringLiteral("21"));
    EXPECT_EQ(window->Prenom_Q->text(), QStringLiteral("Jean"));
    enter();
    replaceAndEnter(QStringLiteral("Jean-Luc"));
    enter();
    enter();
    enter();
    press(Qt::Key_Space);
    // A known call sign's entry is rewritten where it stands, not appended.
    EXPECT_EQ(
        bytes(path(QStringLiteral("Liste_Prenom.txt"))),
        QByteArray("G3ABC           Ann\r\nF6XYZ        21 Jean-Luc\r\nON4AB           Luc\r\n"));

    // A station met for the first time is appended, without department when it has none.
    logQso(QStringLiteral("DL1XX"), {}, QStringLiteral("Jürgen"));
    EXPECT_TRUE(bytes(path(QStringLiteral("Liste_Prenom.txt")))
                    .endsWith(QByteArray("DL1XX           J\xFCrgen\r\n")));
    // A call sign corrected after its Enter is looked up again before the memory is written:
    // one entry per station.
    field(QStringLiteral("ON4XX"));
    window->Indi_Q->setText(QStringLiteral("ON4AB"));
    window->Valide_Q->click();
    EXPECT_EQ(QString::fromLatin1(bytes(path(QStringLiteral("Liste_Prenom.txt"))))
                  .count(QStringLiteral("ON4AB")),
              1);
    EXPECT_FALSE(bytes(path(QStringLiteral("Liste_Prenom.txt"))).contains("ON4XX"));
    // A foreign call sign gets no department from the memory.
    field(QStringLiteral("G3ABC"));
    EXPECT_TRUE(window->Dpt_Q->text().isEmpty());
    EXPECT_EQ(window->Prenom_Q->text(), QStringLiteral("Ann"));
    EXPECT_EQ(focusName(), QStringLiteral("Prenom_Q"));
}

TEST_F(EntryWindow, DepartmentStripFollowsTheBandAndModeAndCountsOperators) {
    const QString other = qso(QStringLiteral("14:09"), QStringLiteral("F5AAA"),
                              QStringLiteral("2A"), QStringLiteral("Paul"), QStringLiteral("7"));
    put(logFile(), (F6XYZ_LINE + QStringLiteral("\r\n") + other + QStringLiteral("\r\n") +
                    F6XYZ_LINE + QStringLiteral("\r\n"))
                       .toLatin1());
    settings.write(keys::bandeActivite, QStringLiteral("4"));
    open();
    EXPECT_EQ(window->Tot_Ope->text(), QStringLiteral("2"));
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("4"));
    EXPECT_EQ(window->Liste_QSO->count(), 3);
    EXPECT_EQ(window->Liste_QSO->currentRow(), 2);
    EXPECT_EQ(window->Liste_QSO->itemText(0), QStringLiteral("   1  ") + F6XYZ_LINE);
    QLabel *cote = child<QLabel>(QStringLiteral("Dpt_21"));
    QLabel *corse = child<QLabel>(QStringLiteral("Dpt_96"));
    EXPECT_EQ(backgroundOf(cote), colors::departmentWorked());
    EXPECT_NE(backgroundOf(corse), colors::departmentWorked());

    window->Bande_Q->setFocus();
    replaceAndEnter(QStringLiteral("7"));
    EXPECT_NE(backgroundOf(cote), colors::departmentWorked());
    EXPECT_EQ(backgroundOf(corse), colors::departmentWorked());

    // The map window registers its labels and is painted for the band it asks for.
    QWidget map;
    QList<QLabel *> dep;
    for (int i = 0; i < 100; ++i)
        dep.append(new QLabel(DepartmentPainter::caption(i), &map));
    int told = -1;
    window->departments().registerMapLabels(dep);
    window->departments().onMapCount([&](int n) { told = n; });
    EXPECT_EQ(window->Colore_Departements(QStringLiteral("14"), QStringLiteral("SSB")), 1);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(backgroundOf(dep[21]), colors::departmentWorked());
    EXPECT_EQ(backgroundOf(corse), colors::departmentWorked()); // the strip keeps 7 MHz
    dep.clear();
}

TEST_F(EntryWindow, ReopeningAnotherActivationShowsItsDescriptionAndLog) {
    Saisie_QSO &w = open();
    logQso(QStringLiteral("F6ABC"), QStringLiteral("76"));
    ASSERT_EQ(w.Liste_QSO->count(), 1);

    // The setup window now holds another reference, whose log already has two QSOs.
    put(path(QStringLiteral("DIFI 44-002.txt")),
        "01/12/26  10:00  ON4XX             Luc              59  59  SSB   3.5 Mhz          "
        "                     \r\n"
        "01/12/26  10:05  F5ZZZ         44  Paul             59  59  SSB   3.5 Mhz          "
        "                     \r\n");
    setup.activation.reference = QStringLiteral("DIFI 44-002");
    setup.activation.siteName = QStringLiteral("Ile de Noirmoutier");
    w.showCurrentActivation();

    EXPECT_EQ(w.Liste_QSO->count(), 2);
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("3"));
    EXPECT_EQ(w.Tot_Ope->text(), QStringLiteral("2"));
    EXPECT_TRUE(w.Label3->text().contains(QStringLiteral("Ile de Noirmoutier DIFI 44-002")));
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
}

// A log of years met at the opening is counted on a worker: the window shows its list at once,
// then the operators, the departments and the QSOs on the band; a QSO logged meanwhile is in
// the counts, which then follow the log by its changes without counting it whole again.
TEST_F(EntryWindow, ALargeLogIsCountedOnAWorkerAndAQsoLoggedMeanwhileCounts) {
    QByteArray log;
    for (int i = 0; i < 6000; ++i)
        log +=
            qso(QStringLiteral("%1:%2").arg(10 + i / 600).arg(i / 10 % 60, 2, 10, QLatin1Char('0')),
                QStringLiteral("F%1AB").arg(i % 3000), QStringLiteral("21"), QStringLiteral("Jean"),
                QStringLiteral("14"))
                .toLatin1() +
            "\r\n";
    put(logFile(), log);
    settings.write(keys::bandeActivite, QStringLiteral("4"));
    open();
    EXPECT_EQ(window->Liste_QSO->count(), 6000);
    EXPECT_EQ(window->logCounter().started(), 1);

    logQso(QStringLiteral("TK5XY"), QStringLiteral("2A"));
    QLabel *corse = child<QLabel>(QStringLiteral("Dpt_96"));
    QLabel *cote = child<QLabel>(QStringLiteral("Dpt_21"));
    QLabel *onBand = window->findChild<QLabel *>(QStringLiteral("QSO_Bande"));
    ASSERT_NE(onBand, nullptr);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window->Tot_Ope->text() == QStringLiteral("3001"); }, 10000))
        << qPrintable(window->Tot_Ope->text());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return onBand->text().startsWith(QStringLiteral("6001 QSO")); }, 10000))
        << qPrintable(onBand->text());
    EXPECT_EQ(backgroundOf(cote), colors::departmentWorked());
    EXPECT_EQ(backgroundOf(corse), colors::departmentWorked());

    // The next QSOs follow by the log's changes: no second count.
    logQso(QStringLiteral("F1NEW"), QStringLiteral("76"));
    EXPECT_EQ(window->Tot_Ope->text(), QStringLiteral("3002"));
    EXPECT_TRUE(onBand->text().startsWith(QStringLiteral("6002 QSO")));
    EXPECT_EQ(window->logCounter().started(), 1);
}

// A small log is counted at once, on the window's thread.
TEST_F(EntryWindow, ASmallLogIsCountedAtOnce) {
    put(logFile(), (F6XYZ_LINE + QStringLiteral("\r\n")).toLatin1());
    open();
    EXPECT_EQ(window->Tot_Ope->text(), QStringLiteral("1"));
    EXPECT_EQ(window->logCounter().started(), 0);
}

namespace {
/// Two pictures of the same size whose pixels differ by at most a shade: a highlight's rounded
/// corner blends its edge pixels over the base colour a unit apart, nothing else may differ.
::testing::AssertionResult alike(const QImage &a, const QImage &b) {
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes differ";
    const QImage x = a.convertToFormat(QImage::Format_RGB32),
                 y = b.convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            if (std::abs(qRed(p) - qRed(q)) > 2 || std::abs(qGreen(p) - qGreen(q)) > 2 ||
                std::abs(qBlue(p) - qBlue(q)) > 2)
                return ::testing::AssertionFailure() << "pixel " << col << "," << row;
        }
    return ::testing::AssertionSuccess();
}
} // namespace

// The QSO list keeps each row drawn as an image: what it shows must be what drawing the rows
// afresh shows, after a row changed, a row chosen and the choice moved on.
TEST(QsoListRows, KeptRowImagesShowExactlyWhatDrawingAfreshShows) {
    QsoList list;
    list.resize(700, 200);
    QStringList lines;
    for (int i = 0; i < 12; ++i)
        lines << qso(QStringLiteral("10:%1").arg(i, 2, 10, QLatin1Char('0')),
                     QStringLiteral("F%1ABC").arg(i), QStringLiteral("21"), QStringLiteral("Jean"),
                     QStringLiteral("14"));
    list.rows().setLines(lines);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    auto *kept = qobject_cast<ShapedTextDelegate *>(list.itemDelegate());
    ASSERT_NE(kept, nullptr);
    const auto afresh = [&] {
        kept->keepRowImages(false);
        const QImage image = list.viewport()->grab().toImage();
        kept->keepRowImages(true);
        return image;
    };
    const auto shown = [&] { return list.viewport()->grab().toImage(); };

    const QImage first = shown();
    EXPECT_GT(kept->keptImages(), 0);
    EXPECT_TRUE(alike(first, afresh()));

    list.rows().setLine(3, lines.at(3).left(20) + QStringLiteral("CHANGED"));
    EXPECT_FALSE(alike(shown(), first));
    EXPECT_TRUE(alike(shown(), afresh()));
    list.setCurrentRow(5);
    EXPECT_TRUE(alike(shown(), afresh()));
    list.setCurrentRow(6);
    EXPECT_TRUE(alike(shown(), afresh()));
    list.rows().setLine(3, lines.at(3));
    EXPECT_TRUE(alike(shown(), afresh()));
}

// The rate lines change at every QSO: they show their whole text, and keep their place and size
// whatever their figures, so that the window is not laid out again at each QSO.
TEST_F(EntryWindow, TheRateLinesShowTheirWholeTextAndKeepTheirSize) {
    Saisie_QSO &w = open();
    w.show();
    auto *rate = w.findChild<QLabel *>(QStringLiteral("Cadence"));
    auto *onBand = w.findChild<QLabel *>(QStringLiteral("QSO_Bande"));
    ASSERT_NE(rate, nullptr);
    ASSERT_NE(onBand, nullptr);
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("21"), QStringLiteral("Jean"));
    QApplication::processEvents();
    const QRect rateAt = rate->geometry(), onBandAt = onBand->geometry();
    for (const QString &call : {QStringLiteral("F6ABC"), QStringLiteral("F4DEF")})
        logQso(call, QStringLiteral("76"), QStringLiteral("Paul"));
    QApplication::processEvents();
    EXPECT_EQ(rate->geometry(), rateAt);
    EXPECT_EQ(onBand->geometry(), onBandAt);
    // Five-figure counts still fit.
    static const QRegularExpression count(QStringLiteral("\\d+(?= QSO)"));
    for (QLabel *line : {rate, onBand}) {
        const QString widest = QString(line->text()).replace(count, QStringLiteral("99999"));
        EXPECT_GE(line->contentsRect().width(), line->fontMetrics().horizontalAdvance(widest))
            << widest.toStdString();
    }
}

TEST_F(EntryWindow, WholeQsoLinesShowBesideTheKnownCalls) {
    Saisie_QSO &w = open();
    w.show();
    ASSERT_TRUE(w.Controle_Partiel->isVisible());
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("21"), QStringLiteral("Jean"));
    QApplication::processEvents();
    ASSERT_EQ(w.Liste_QSO->count(), 1);
    // Every column of the line is in view: nothing lies past the list's right edge.
    EXPECT_EQ(w.Liste_QSO->horizontalScrollBar()->maximum(), 0);
    EXPECT_LE(w.Liste_QSO->columnWidth(0), w.Liste_QSO->viewport()->width());
}
