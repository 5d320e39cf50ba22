#include "EntryWindowFixture.h"

#include "core/io/SysCalls.h"
#include "core/log/QsoLine.h"
#include "entry/EntryEditing.h"
#include "support/QsoLines.h"

#include <cerrno>

using namespace zep;

namespace {

QString qso(const QString &date, const QString &time, const QString &call, const QString &dpt,
            const QString &firstName, const QString &mode, const QString &band,
            const QString &remarks = QString()) {
    return zep::testing::qsoLineOf(date, time, call, dpt, firstName, mode, band, remarks);
}

const QString qso1 = qso("12/02/09", "10:00", "F5ABC", "05", "JEAN", "SSB", "7", "QRP");
const QString qso2 = qso("12/02/09", "10:05", "DL1ABC", "", "HANS", "SSB", "7");
const QString qso3 = qso("12/02/09", "10:10", "F6KGL", "75", "", "CW", "14");

QByteArray fileOf(const QStringList &lines) {
    QByteArray all;
    for (const QString &l : lines)
        all += l.toLatin1() + "\r\n";
    return all;
}

/// A rename that fails: the rewrite of the log cannot complete.
class FailingRename : public sys::Calls {
public:
    int rename(const char *, const char *) override {
        errno = EIO;
        return -1;
    }
};

class Editing : public zep::testing::EntryWindowTest {
protected:
    Saisie_QSO &openWith(const QStringList &lines) {
        put(logFile(), fileOf(lines));
        Saisie_QSO &w = open();
        editing = EntryEditing::of(w);
        EXPECT_NE(editing, nullptr);
        return w;
    }
    void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void clickItem(int row) {
        QsoList *list = window->Liste_QSO;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->rows().index(row)).center());
    }
    /// Enter from field to field until "Validez" has the focus, then Space on it.
    void enterToValidation() {
        for (int i = 0; i < 12 && focusName() != QLatin1String("Valide_Q"); ++i)
            enter();
        ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
        press(Qt::Key_Space);
    }
    QString item(int row) const { return window->Liste_QSO->itemText(row); }

    EntryEditing *editing = nullptr;
};

TEST_F(Editing, EditWithoutAClickEditsTheLastQsoAndRewritesItInPlace) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    click(w.Edite_QSO);

    EXPECT_TRUE(w.state().correcting);
    EXPECT_EQ(w.modeStatus->text(), QStringLiteral("Mode Edition d'un QSO"));
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("03"));
    EXPECT_EQ(w.Indi_Q->text(), QStringLiteral("F6KGL"));
    EXPECT_EQ(w.Dpt_Q->text(), QStringLiteral("75"));
    EXPECT_TRUE(w.Prenom_Q->text().isEmpty());
    // A CW QSO comes back in CW on 14 MHz with its 599 reports.
    EXPECT_EQ(w.Mode_Q->currentText(), QStringLiteral("CW"));
    EXPECT_EQ(w.Bande_Q->currentText(), QStringLiteral("14"));
    EXPECT_EQ(w.QRKR_Q->text(), QStringLiteral("599"));
    EXPECT_EQ(w.QRKE_Q->text(), QStringLiteral("599"));
    EXPECT_EQ(w.Date_Q->text(), QStringLiteral("12/02/09"));
    EXPECT_EQ(w.Heure_Q->text(), QStringLiteral("10:10"));
    EXPECT_TRUE(w.Date_Q->isVisible() && w.Heure_Q->isVisible() && w.dateCaption->isVisible() &&
                w.timeCaption->isVisible());
    EXPECT_TRUE(w.QRKR_Q->isEnabled() && w.Observation_Q->isEnabled() && w.Dpt_Q->isEnabled());
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    EXPECT_EQ(backgroundOf(w.Indi_Q), colors::lightGreen());

    enter(); // the same station, band and mode is in the log: no duplicate question
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    enter();
    field(QStringLiteral("PAUL"));
    enter(); // 599 passes the CW report check unchanged
    EXPECT_EQ(focusName(), QStringLiteral("QRKE_Q"));
    enterToValidation();

    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(bytes(logFile()),
              fileOf({qso1, qso2, qso("12/02/09", "10:10", "F6KGL", "75", "PAUL", "CW", "14")}));
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("4"));
    EXPECT_FALSE(w.state().correcting);
    EXPECT_TRUE(w.modeStatus->text().isEmpty()) << "edit mode is over";
    // The next QSO keeps the band and mode of the QSO just corrected.
    EXPECT_EQ(w.Mode_Q->currentText(), QStringLiteral("CW"));
    EXPECT_EQ(w.Bande_Q->currentText(), QStringLiteral("14"));
}

TEST_F(Editing, BandAndModeConfirmedMeanwhileKeepTheChosenQsoAndItsNumber) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    clickItem(0);
    w.Bande_Q->setFocus();
    replaceAndEnter(QStringLiteral("14"));
    replaceAndEnter(QStringLiteral("SSB"));
    EXPECT_EQ(w.Liste_QSO->currentRow(), 0);
    dialogs.setNextAnswer(false);
    click(w.Efface_QSO);
    EXPECT_EQ(dialogs.last(), QStringLiteral("Voulez vous effacer le QSO avec F5ABC ?"));

    clickItem(1);
    click(w.Edite_QSO);
    w.Bande_Q->setFocus();
    replaceAndEnter(QStringLiteral("7"));
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("02"));
    EXPECT_TRUE(w.state().correcting);
}

TEST_F(Editing, AQuickKeyBeforeTheDateAndTimeSendsTheInsertThere) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    click(w.Ajout_QSO);
    field(QStringLiteral("ON4XYZ"));
    ASSERT_EQ(focusName(), QStringLiteral("Prenom_Q"));
    type(QStringLiteral("MARC"));
    press(Qt::Key_F9);
    EXPECT_EQ(dialogs.last(), QStringLiteral("Attention le format date doit etre 'jj/mm/aa'"));
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2, qso3})) << "no QSO without a date";
    EXPECT_TRUE(w.state().inserting);
    EXPECT_EQ(focusName(), QStringLiteral("Date_Q"));
    EXPECT_EQ(backgroundOf(w.Date_Q), colors::lightGreen());
    EXPECT_EQ(backgroundOf(w.Prenom_Q), colors::lightYellow());

    field(QStringLiteral("11/02/09"));
    click(w.Valide_Q); // the time is still missing
    EXPECT_EQ(dialogs.last(), QStringLiteral("Attention le format de l'heure doit etre 'hh:mm'"));
    EXPECT_EQ(focusName(), QStringLiteral("Heure_Q"));
    field(QStringLiteral("21:30"));
    press(Qt::Key_Space);
    EXPECT_EQ(
        bytes(logFile()),
        fileOf({qso("11/02/09", "21:30", "ON4XYZ", "", "MARC", "SSB", "3.5"), qso1, qso2, qso3}));
    EXPECT_FALSE(w.state().inserting);
}

TEST_F(Editing, EditShowsTheDepartmentAsStoredOrNothing) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    clickItem(0);
    click(w.Edite_QSO);
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("01"));
    EXPECT_EQ(w.Dpt_Q->text(), QStringLiteral("05"));
    EXPECT_EQ(w.Prenom_Q->text(), QStringLiteral("JEAN"));
    EXPECT_EQ(w.Observation_Q->text(), QStringLiteral("QRP"));
    EXPECT_EQ(w.QRKR_Q->text(), QStringLiteral("59"));

    clickItem(1);
    click(w.Edite_QSO); // editing another QSO starts again from it
    EXPECT_EQ(w.Indi_Q->text(), QStringLiteral("DL1ABC"));
    EXPECT_TRUE(w.Dpt_Q->text().isEmpty());
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("02"));
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2, qso3})) << "nothing written before Validez";
}

TEST_F(Editing, AChangedTimeKeepsTheQsoAtItsPlace) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    w.Liste_QSO->setCurrentRow(0); // a selection made by the program counts as a click
    click(w.Edite_QSO);
    for (int i = 0; i < 12 && focusName() != QLatin1String("Heure_Q"); ++i)
        enter();
    replaceAndEnter(QStringLiteral("23:59"));
    ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
    press(Qt::Key_Space);
    EXPECT_EQ(
        bytes(logFile()),
        fileOf({qso("12/02/09", "23:59", "F5ABC", "05", "JEAN", "SSB", "7", "QRP"), qso2, qso3}));
}

TEST_F(Editing, AClickDuringAnEditDoesNotRedirectTheRewrite) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    click(w.Edite_QSO); // QSO 3
    clickItem(0);
    w.Indi_Q->setFocus();
    enter();
    enter();
    replaceAndEnter(QStringLiteral("PAUL"));
    enterToValidation();
    EXPECT_EQ(bytes(logFile()),
              fileOf({qso1, qso2, qso("12/02/09", "10:10", "F6KGL", "75", "PAUL", "CW", "14")}));
}

TEST_F(Editing, DeleteAnsweredNonChangesNothingButResetsTheEntry) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    clickItem(1);
    click(w.Edite_QSO);
    dialogs.setNextAnswer(false);
    click(w.Efface_QSO);
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Voulez vous effacer le QSO avec DL1ABC ?")});
    EXPECT_TRUE(dialogs.shown().back().isQuestion);
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2, qso3}));
    EXPECT_FALSE(w.Recupere->isEnabled());
    EXPECT_FALSE(w.state().correcting);
    EXPECT_TRUE(w.modeStatus->text().isEmpty());
    EXPECT_TRUE(w.Indi_Q->text().isEmpty());
    EXPECT_TRUE(w.Dpt_Q->text().isEmpty());
    EXPECT_FALSE(w.Dpt_Q->isEnabled());
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("4"));
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    EXPECT_EQ(w.Liste_QSO->currentRow(), 2);
}

TEST_F(Editing, DeleteThenRestorePutsTheQsoBackAtItsTime) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    EXPECT_FALSE(w.Recupere->isEnabled());
    clickItem(1);
    click(w.Efface_QSO);
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso3}));
    EXPECT_EQ(w.state().deletedLine, qso2);
    EXPECT_TRUE(w.Recupere->isEnabled());
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("3"));
    EXPECT_EQ(w.Liste_QSO->count(), 2);
    EXPECT_TRUE(item(1).endsWith(qso3));

    dialogs.clear();
    click(w.Recupere);
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Voulez vous recuperer le QSO avec DL1ABC a 10:05 sur 7 "
                                         "Mhz en SSB")});
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2, qso3}));
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("4"));
    EXPECT_EQ(item(1), QStringLiteral("   2  ") + qso2);
    EXPECT_FALSE(w.Recupere->isEnabled());
    EXPECT_EQ(w.state().deletedLine, qso2) << "the deleted line is still held";
}

TEST_F(Editing, ADoubleActivationsSecondLogFollowsADeletionAndARestoreAtOnce) {
    setup.activation.isDouble = true;
    setup.activation.secondReference = QStringLiteral("DIFI-21-002");
    const QString second = path(QStringLiteral("DIFI-21-002.txt"));
    put(second, fileOf({qso1, qso2, qso3}));
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    click(w.Efface_QSO); // the last QSO, chosen without a click
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2}));
    EXPECT_EQ(bytes(second), bytes(logFile())) << "a kill now would leave the logs apart";
    click(w.Recupere);
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2, qso3}));
    EXPECT_EQ(bytes(second), bytes(logFile()));
}

TEST_F(Editing, RestoreAnsweredNonEndsTheOffer) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    click(w.Efface_QSO); // the last QSO, chosen without a click
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2}));
    dialogs.setNextAnswer(false);
    click(w.Recupere);
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2}));
    EXPECT_FALSE(w.Recupere->isEnabled());
}

TEST_F(Editing, TwoIdenticalLinesAreAnnouncedDeletedTogetherAndOneComesBack) {
    Saisie_QSO &w = openWith({qso1, qso2, qso2, qso3});
    clickItem(2);
    click(w.Efface_QSO);
    EXPECT_EQ(dialogs.last(),
              QStringLiteral("Voulez vous effacer le QSO avec DL1ABC ?\nCe QSO figure 2 fois dans "
                             "le log : les 2 seront effacés"));
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso3}));
    click(w.Recupere);
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2, qso3}));
}

TEST_F(Editing, InsertModePutsAnEarlierQsoFirst) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    click(w.Ajout_QSO);
    EXPECT_TRUE(w.state().inserting);
    EXPECT_EQ(w.modeStatus->text(), QStringLiteral("Mode Ajout d'un QSO"));
    EXPECT_TRUE(w.Date_Q->isVisible() && w.Heure_Q->isVisible());
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));

    field(QStringLiteral("on4xyz"));
    replaceAndEnter(QStringLiteral("marc"));
    enter();
    enter();
    field(QString());
    ASSERT_EQ(focusName(), QStringLiteral("Date_Q"));
    replaceAndEnter(QStringLiteral("11/02/09"));
    replaceAndEnter(QStringLiteral("21:30"));
    ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
    press(Qt::Key_Space);

    const QString inserted = qso("11/02/09", "21:30", "ON4XYZ", "", "MARC", "SSB", "3.5");
    EXPECT_EQ(bytes(logFile()), fileOf({inserted, qso1, qso2, qso3}));
    EXPECT_EQ(item(0), QStringLiteral("   1  ") + inserted);
    EXPECT_EQ(item(3), QStringLiteral("   4  ") + qso3);
    EXPECT_EQ(w.Liste_QSO->currentRow(), 3);
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("5"));
    EXPECT_FALSE(w.state().inserting);
    EXPECT_TRUE(w.modeStatus->text().isEmpty());
}

TEST_F(Editing, AnnulerLeavesEditModeAndResetsTheFields) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    click(w.Edite_QSO);
    ASSERT_EQ(w.Num_Q->text(), QStringLiteral("03"));
    click(w.Annule_Q);
    EXPECT_FALSE(w.state().correcting);
    EXPECT_EQ(w.Num_Q->text(), QStringLiteral("4")) << "the next QSO's number again";
    EXPECT_FALSE(w.state().inserting);
    EXPECT_TRUE(w.modeStatus->text().isEmpty());
    EXPECT_FALSE(w.Date_Q->isVisible());
    for (QLineEdit *f : {w.Indi_Q, w.Dpt_Q, w.Prenom_Q, w.Observation_Q})
        EXPECT_TRUE(f->text().isEmpty()) << f->objectName().toStdString();
    for (QWidget *f : std::initializer_list<QWidget *>{w.Dpt_Q, w.Prenom_Q, w.QRKR_Q, w.QRKE_Q,
                                                       w.Observation_Q, w.Valide_Q})
        EXPECT_FALSE(f->isEnabled()) << f->objectName().toStdString();
    EXPECT_EQ(w.QRKR_Q->text(), QStringLiteral("599")) << "the mode left by the edit is CW";
    EXPECT_EQ(backgroundOf(w.QRKR_Q), colors::lightYellow());
    EXPECT_EQ(backgroundOf(w.Indi_Q), colors::lightGreen());
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2, qso3}));

    w.Mode_Q->setCurrentIndex(0);
    click(w.Ajout_QSO);
    click(w.Annule_Q);
    EXPECT_FALSE(w.state().inserting);
    EXPECT_EQ(w.QRKE_Q->text(), QStringLiteral("59"));
}

TEST_F(Editing, AnEmptyLogOrAVanishedQsoIsSaidAndNothingChanges) {
    Saisie_QSO &w = openWith({});
    click(w.Edite_QSO);
    click(w.Efface_QSO);
    EXPECT_EQ(dialogs.texts(), QStringList({QStringLiteral("Aucun QSO dans le log"),
                                            QStringLiteral("Aucun QSO dans le log")}));
    EXPECT_FALSE(w.state().correcting);
    EXPECT_EQ(bytes(logFile()), QByteArray());

    // The log changed behind the window's back: the chosen QSO is gone from the file.
    window.reset();
    dialogs.clear();
    openWith({qso1, qso2, qso3});
    put(logFile(), fileOf({qso1, qso2}));
    click(window->Edite_QSO);
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Ce QSO n'est plus dans le log")});
    EXPECT_FALSE(window->state().correcting);
    click(window->Efface_QSO);
    EXPECT_EQ(dialogs.last(), QStringLiteral("Ce QSO n'est plus dans le log"));
    EXPECT_EQ(dialogs.shown().size(), 2u) << "no deletion question";
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2}));
}

TEST_F(Editing, AFailedRewriteKeepsTheLogAndSaysWhy) {
    Saisie_QSO &w = openWith({qso1, qso2, qso3});
    {
        FailingRename failing;
        sys::ScopedCalls seam(failing);
        click(w.Efface_QSO);
    }
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_FALSE(dialogs.last().isEmpty());
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2, qso3}));
    EXPECT_FALSE(w.Recupere->isEnabled()) << "nothing was deleted, nothing to restore";

    clickItem(1); // a QSO in the middle: restoring it rewrites the whole log
    click(w.Efface_QSO);
    ASSERT_TRUE(w.Recupere->isEnabled());
    dialogs.clear();
    {
        FailingRename failing;
        sys::ScopedCalls seam(failing);
        click(w.Recupere);
    }
    EXPECT_EQ(dialogs.shown().size(), 2u); // the question, then the reason
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso3}));
    EXPECT_TRUE(w.Recupere->isEnabled()) << "the QSO can still be restored";
    click(w.Recupere);
    EXPECT_EQ(bytes(logFile()), fileOf({qso1, qso2, qso3}));
}

TEST_F(Editing, TheSearchButtonRunsWhatTheProgramGaveIt) {
    Saisie_QSO &w = openWith({qso1});
    int opened = 0;
    editing->setSearchHandler([&] { ++opened; });
    click(w.Recherche);
    EXPECT_EQ(opened, 1);
}

} // namespace
