// Ctrl+Z in the entry window takes back the corrections one after the other; the live QSOs
// logged since stay and the window follows the log.

#include "EntryWindowFixture.h"

#include "support/QsoLines.h"

#include <QAction>
#include <QMenu>

using namespace zep;

namespace {

QString qso(const char *time, const char *call, const char *firstName) {
    return zep::testing::qsoLineOf(QStringLiteral("12/02/09"), QString::fromLatin1(time),
                                   QString::fromLatin1(call), {}, QString::fromLatin1(firstName),
                                   QStringLiteral("SSB"), QStringLiteral("7"));
}

const QString qso1 = qso("10:00", "DL1ABC", "HANS"), qso2 = qso("10:05", "G4XYZ", "JOHN"),
              qso3 = qso("10:10", "EA3AAA", "JOSE");

class Undo : public zep::testing::EntryWindowTest {
protected:
    Saisie_QSO &openWith(const QStringList &lines) {
        put(logFile(), zep::testing::logBytesOf(lines));
        return open();
    }
    void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void choose(int row) { window->Liste_QSO->setCurrentRow(row); }
    void ctrlZ() { press(Qt::Key_Z, Qt::ControlModifier); }
    /// Edits the chosen QSO's first name, Enter from field to field, then Space on "Validez".
    void editFirstName(const QString &firstName) {
        click(window->Edite_QSO);
        enter();
        ASSERT_EQ(focusName(), QStringLiteral("Prenom_Q"));
        replaceAndEnter(firstName);
        for (int i = 0; i < 8 && focusName() != QLatin1String("Valide_Q"); ++i)
            enter();
        ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
        press(Qt::Key_Space);
    }
};

} // namespace

TEST_F(Undo, CtrlZTakesBackAnEditAndADeletionAndKeepsTheLiveQso) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    QAction *item = w.undoCorrectionItem;
    EXPECT_TRUE(w.editMenu->actions().contains(item));
    EXPECT_EQ(item->text(), QStringLiteral("Annuler la dernière correction"));
    EXPECT_FALSE(item->isEnabled());
    const QByteArray original = bytes(logFile());

    choose(0);
    editFirstName(QStringLiteral("HEINZ"));
    choose(1);
    click(w.Efface_QSO);
    ASSERT_EQ(logLines(), (QStringList{qso("10:00", "DL1ABC", "HEINZ"), qso3}));
    logQso(QStringLiteral("ON4LIV"), {}, QStringLiteral("LUC"));
    const QString live = logLines().last();
    dialogs.clear();

    ASSERT_EQ(focusName(), QStringLiteral("Indi_Q")) << "Ctrl+Z typed in an entry field";
    ctrlZ();
    EXPECT_EQ(w.modeStatus->text(), QStringLiteral("Correction annulée : QSO 2 G4XYZ rétabli"));
    EXPECT_FALSE(w.Recupere->isEnabled()) << "the deleted QSO is back: nothing to restore";
    ctrlZ();
    EXPECT_EQ(w.modeStatus->text(), QStringLiteral("Correction annulée : QSO 1 DL1ABC rétabli"));
    EXPECT_EQ(bytes(logFile()), original + live.toLatin1() + "\r\n");
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
    ASSERT_EQ(w.Liste_QSO->count(), 4);
    EXPECT_EQ(w.Liste_QSO->itemText(1), QStringLiteral("   2  ") + qso2);
    EXPECT_EQ(w.Liste_QSO->itemText(3), QStringLiteral("   4  ") + live);
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("5"));
    EXPECT_FALSE(item->isEnabled()) << "a live QSO is not a correction";
}

TEST_F(Undo, NothingIsTakenBackDuringAnEditNorForAnotherActivation) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    click(w.Efface_QSO);
    const QByteArray deleted = bytes(logFile());
    click(w.Edite_QSO);
    ctrlZ();
    EXPECT_EQ(dialogs.last(),
              QStringLiteral("Un QSO est en cours de correction : validez-le ou cliquez sur "
                             "\"Annuler  une saisie\" avant d'annuler la dernière correction."));
    click(w.Annule_Q);
    w.showCurrentActivation(); // an activation opened again from the setup window
    EXPECT_FALSE(w.undoCorrectionItem->isEnabled());
    EXPECT_EQ(bytes(logFile()), deleted);
}
