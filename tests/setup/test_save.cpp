// Recording an activation with "Saisie des QSO", reopening recorded ones from the list, and
// deleting them: the activation list file and the log files are checked byte for byte.

#include "SetupDriver.h"

using namespace zep;
using namespace zep::test;

namespace {

const QString listName = QStringLiteral("Liste_Activite.txt");

QStringList savedKeys() {
    return {keys::indicatif,    keys::logger,       keys::numActivite,  keys::nomActivite,
            keys::numCanton,    keys::numCP,        keys::commune,      keys::typeActivite,
            keys::dateActivite, keys::numActivite1, keys::nomActivite1, keys::typeActivite1,
            keys::commune1,     keys::numCanton1,   keys::numCP1};
}

const QByteArray firstLine = listLine("DFCF 76054", "F5ZZZ", "Chateau de Sassenot", "7625", "76540",
                                      "Activation", "12/11/05", "Sassenot sur seine", "", "F4YYY");

TEST_F(SetupTest, ANewSingleActivationIsRecordedWithItsEmptyLogAfterOui) {
    typeFirstReference();
    settings.clearLog();
    QTest::keyClick(window->Saisie_des_QSO, Qt::Key_Return); // Enter presses the focused button

    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_TRUE(dialogs.shown()[0].isQuestion);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("Enregistrer ") +
                                           QString::fromLatin1(firstLine) + QStringLiteral(" ?"));
    EXPECT_FALSE(dialogs.shown()[1].isQuestion);
    EXPECT_EQ(dialogs.shown()[1].text,
              QStringLiteral("Nouvelle Activation, pret pour demarrer la saisie des QSO"));
    EXPECT_EQ(firstLine.size(), 143);
    EXPECT_EQ(listFile(), firstLine + "\r\n");
    EXPECT_EQ(bytesOf(path(QStringLiteral("DFCF 76054.txt"))), QByteArray());
    EXPECT_EQ(entryOpened, 1);

    EXPECT_EQ(settings.writtenKeys(), savedKeys());
    EXPECT_EQ(settings.read(keys::indicatif, {}), QStringLiteral("F5ZZZ"));
    EXPECT_EQ(settings.read(keys::typeActivite, {}), QStringLiteral("Activation"));
    EXPECT_EQ(settings.read(keys::dateActivite, {}), QStringLiteral("12/11/05"));
    for (const QString &k :
         {keys::numActivite1, keys::nomActivite1, keys::commune1, keys::numCanton1, keys::numCP1})
        EXPECT_EQ(settings.read(k, QStringLiteral("?")), QString()) << k.toStdString();
    // The new reference can be reopened at once.
    ASSERT_EQ(window->Liste_Activite->count(), 1);
    EXPECT_EQ(window->Liste_Activite->listItem(0), QStringLiteral("DFCF 76054"));
}

TEST_F(SetupTest, NonLeavesTheFileAloneAndStartsAgain) {
    typeFirstReference();
    dialogs.setNextAnswer(false);
    window->Saisie_des_QSO->click();
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(bytesOf(path(listName)), QByteArray()); // created empty at start, nothing more
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("DFCF 76054.txt"))));
    EXPECT_EQ(entryOpened, 0);
    EXPECT_TRUE(window->Activeur->text().isEmpty());
    EXPECT_EQ(focused(), window->Activeur);
    EXPECT_EQ(settings.writtenKeys().mid(2), savedKeys()); // written in every case
}

TEST_F(SetupTest, TheThreeFirstFieldsMustHoldSomethingWhenSaving) {
    typeFirstReference();
    window->Nom_Activite->clear(); // still enabled once the chain has passed it
    settings.clearLog();
    window->Saisie_des_QSO->click();
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Les trois premiers champs sont obligatoires")});
    EXPECT_TRUE(settings.writtenKeys().isEmpty());
    EXPECT_EQ(bytesOf(path(listName)), QByteArray());
    EXPECT_EQ(entryOpened, 0);
}

TEST_F(SetupTest, ANumberChangedAfterItsEnterIsCheckedAgainBeforeItNamesAFile) {
    window->Option2->setChecked(true);
    typeFirstReference();
    typeSecondReference();
    settings.clearLog();
    const std::pair<QLineEdit *, QString> cases[] = {
        {window->Num_Activite, QStringLiteral("DFCF:76054")},
        {window->Num_Activite, QStringLiteral("   ")},
        {window->Num_Activite1, QStringLiteral("..")},
    };
    for (const auto &[field, text] : cases) {
        const QString kept = field->text();
        dialogs.clear();
        field->setText(text);
        window->Saisie_des_QSO->click();
        EXPECT_EQ(dialogs.shown().size(), 1u) << text.toStdString();
        EXPECT_FALSE(dialogs.shown().front().isQuestion) << text.toStdString();
        field->setText(kept);
    }
    EXPECT_TRUE(settings.writtenKeys().isEmpty());
    EXPECT_EQ(bytesOf(path(listName)), QByteArray());
    EXPECT_EQ(entryOpened, 0);
}

TEST_F(SetupTest, ANumberRetypedTooLongOrAsTheOtherOneIsNotRecorded) {
    // A number cut to its 12 columns in the list would no longer name the log the QSOs go to.
    window->Option2->setChecked(true);
    typeFirstReference();
    typeSecondReference();
    settings.clearLog();
    struct Case {
        QLineEdit *field;
        QString typed, refusal;
    };
    const Case cases[] = {
        {window->Num_Activite, QStringLiteral("dfcf 123456789"),
         QStringLiteral("12 caracteres maxi")},
        {window->Num_Activite1, QStringLiteral("dfcf 76054"),
         QStringLiteral("Les deux numeros d'activité sont identiques")},
    };
    for (const Case &c : cases) {
        const QString kept = c.field->text();
        dialogs.clear();
        c.field->selectAll();
        type(c.field, c.typed);
        window->Saisie_des_QSO->click();
        EXPECT_EQ(dialogs.texts(), QStringList{c.refusal}) << c.typed.toStdString();
        c.field->setText(kept);
    }
    EXPECT_TRUE(settings.writtenKeys().isEmpty());
    EXPECT_EQ(bytesOf(path(listName)), QByteArray());
    EXPECT_EQ(entryOpened, 0);

    dialogs.clear();
    window->Saisie_des_QSO->click();
    EXPECT_EQ(dialogs.shown().size(), 3u); // two questions, then the ready message
    EXPECT_EQ(entryOpened, 1);
}

TEST_F(SetupTest, ATypeLongerThanTheFileHoldsIsCutWithoutShiftingTheColumns) {
    QTest::keyClick(window->RAZ, Qt::Key_Space);
    typeEnter(window->Activeur, QStringLiteral("F5ZZZ"));
    typeEnter(window->Logger, QString());
    typeEnter(window->Num_Activite, QStringLiteral("DFCF 76054"));
    typeEnter(window->Nom_Activite, QStringLiteral("Chateau"));
    typeEnter(window->Num_Canton, QString());
    typeEnter(window->Num_CP, QStringLiteral("76540"));
    typeEnter(window->Nom_Commune, QStringLiteral("Sassenot"));
    typeEnter(window->Type_Activite, QStringLiteral("Activation de printemps"));
    typeEnter(window->Date_Activite, QStringLiteral("12/11/05"));
    window->Saisie_des_QSO->click();
    EXPECT_EQ(listFile(), listLine("DFCF 76054", "F5ZZZ", "Chateau", "", "76540", "Activation d",
                                   "12/11/05", "Sassenot", "", "") +
                              "\r\n");
    EXPECT_EQ(settings.read(keys::typeActivite, {}), QStringLiteral("Activation de printemps"));
}

class SevenLines : public SetupTest {
protected:
    void prepare() override {
        QByteArray bytes;
        for (int i = 1; i <= 7; ++i)
            bytes += listLine(QByteArray("DFCF 1000" + QByteArray::number(i)).constData(), "F6OLD",
                              "Ancien", "", "76000", "Activation", "01/01/05", "Rouen", "", "") +
                     "\r\n";
        writeBytes(path(listName), bytes);
        old = bytes;
    }
    QByteArray old;
};

TEST_F(SevenLines, ANewDoubleActivationIsTwoLinesPointingAtEachOther) {
    window->Option2->setChecked(true);
    typeFirstReference();
    typeSecondReference();
    window->Saisie_des_QSO->click();

    const QByteArray first = listLine("DFCF 76054", "F5ZZZ", "Chateau de Sassenot", "7625", "76540",
                                      "Activation", "12/11/05", "Sassenot sur seine", "9", "F4YYY");
    const QByteArray second = listLine("DIFI 76-001", "F5ZZZ", "Ile de Sassenot", "", "76541",
                                       "R\xe9sident", // the code page's byte for é
                                       "12/11/05", "Sassenot le bas", "8", "F4YYY");
    EXPECT_EQ(listFile(), old + first + "\r\n" + second + "\r\n");
    EXPECT_EQ(bytesOf(path(QStringLiteral("DFCF 76054.txt"))), QByteArray());
    EXPECT_EQ(bytesOf(path(QStringLiteral("DIFI 76-001.txt"))), QByteArray());
    EXPECT_EQ(dialogs.shown().size(), 3u);
    EXPECT_EQ(entryOpened, 1);
    EXPECT_EQ(window->Liste_Activite->count(), 9);

    // Reopening either line brings the pair back, the chosen one in the first column.
    window->RAZ->click();
    window->Liste_Activite->setListIndex(8);
    EXPECT_EQ(window->Num_Activite->text(), QStringLiteral("DIFI 76-001"));
    EXPECT_EQ(window->Num_Activite1->text(), QStringLiteral("DFCF 76054"));
    EXPECT_EQ(window->Nom_Commune1->text(), QStringLiteral("Sassenot sur seine"));
    EXPECT_EQ(window->Type_Activite->currentText(), QStringLiteral("Résident"));
    EXPECT_TRUE(window->Option2->isChecked());
}

TEST_F(SevenLines, DecliningTheSecondReferenceWritesNeitherLine) {
    window->Option2->setChecked(true);
    typeFirstReference();
    typeSecondReference();
    dialogs.setNextAnswer(true);
    dialogs.setNextAnswer(false);
    window->Saisie_des_QSO->click();
    EXPECT_EQ(dialogs.shown().size(), 2u);
    EXPECT_TRUE(dialogs.shown()[1].isQuestion);
    EXPECT_TRUE(dialogs.shown()[1].text.startsWith(QStringLiteral("Enregistrer DIFI 76-001 ")));
    EXPECT_EQ(listFile(), old);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("DFCF 76054.txt"))));
    EXPECT_EQ(entryOpened, 0);
    EXPECT_TRUE(window->Activeur->text().isEmpty());
}

TEST_F(SevenLines, AReferenceAlreadyRecordedIsNotAskedForAgain) {
    writeBytes(path(QStringLiteral("DFCF 10003.txt")), "12/11/05 10:00 F6ABC  ...qso line...\r\n");
    window->Liste_Activite->setListIndex(2);
    EXPECT_EQ(window->activiteSelectionnee(), QStringLiteral("DFCF 10003"));
    EXPECT_EQ(focused(), window->Saisie_des_QSO);
    QTest::keyClick(window->Saisie_des_QSO, Qt::Key_Space);
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral(
                                   "Activation en cours, pret pour continuer la saisie des QSO")});
    EXPECT_EQ(listFile(), old);
    EXPECT_EQ(entryOpened, 1);
    EXPECT_EQ(settings.read(keys::numActivite, {}), QStringLiteral("DFCF 10003"));
}

TEST_F(SevenLines, AReferenceWhoseLogWentMissingStartsAFreshLog) {
    window->Liste_Activite->setListIndex(0);
    window->Saisie_des_QSO->click();
    EXPECT_EQ(dialogs.last(),
              QStringLiteral("Nouvelle Activation, pret pour demarrer la saisie des QSO"));
    EXPECT_EQ(bytesOf(path(QStringLiteral("DFCF 10001.txt"))), QByteArray());
    EXPECT_EQ(entryOpened, 1);
}

TEST_F(SevenLines, ADoubleWithOneReferenceAlreadyRecordedPointsAtThatLine) {
    window->Option2->setChecked(true);
    typeFirstReference(QStringLiteral("DFCF 10005"));
    typeSecondReference();
    window->Saisie_des_QSO->click();
    EXPECT_EQ(dialogs.shown().size(), 2u); // one question, for the new reference only
    EXPECT_EQ(listFile(), old +
                              listLine("DIFI 76-001", "F5ZZZ", "Ile de Sassenot", "", "76541",
                                       "R\xe9sident", "12/11/05", "Sassenot le bas", "5", "F4YYY") +
                              "\r\n");
}

class Recorded : public SetupTest {
protected:
    void prepare() override {
        single = listLine("DFCF 27001", "F5AAA", "Tour", "2701", "27000", "Activation", "01/05/24",
                          "Evreux", "", "");
        pairFirst = listLine("DFCF 27002", "F5AAA", "Donjon", "", "27100", "Activation", "02/05/24",
                             "Louviers", "3", "F4BBB");
        pairSecond = listLine("DIFI 27-002", "F5AAA", "Ile", "", "27101", "Activation", "02/05/24",
                              "Louviers", "2", "F4BBB");
        early = QByteArray("DFCF 27004").leftJustified(93, ' ').replace(13, 5, "F6CCC");
        all = single + "\r\n" + pairFirst + "\r\n" + pairSecond + "\r\n" + early + "\r\n";
        writeBytes(path(listName), all);
        writeBytes(path(QStringLiteral("DFCF 27001.txt")), "QSO 1\r\n");
        writeBytes(path(QStringLiteral("DFCF 27002.txt")), "QSO 2\r\n");
        writeBytes(path(QStringLiteral("DIFI 27-002.txt")), "QSO 2\r\n");
    }
    QByteArray single, pairFirst, pairSecond, early, all;
};

TEST_F(Recorded, ReopeningASingleLineShowsItAndClosesTheSecondColumn) {
    window->Option2->setChecked(true);
    window->Num_Activite1->setText(QStringLiteral("LEFTOVER"));
    window->Num_Activite1->setEnabled(true);
    window->Liste_Activite->setListIndex(0);
    EXPECT_EQ(window->Num_Activite->text(), QStringLiteral("DFCF 27001"));
    EXPECT_EQ(window->Activeur->text(), QStringLiteral("F5AAA"));
    EXPECT_EQ(window->Num_Canton->text(), QStringLiteral("2701"));
    EXPECT_EQ(window->Nom_Commune->text(), QStringLiteral("Evreux"));
    EXPECT_EQ(window->Date_Activite->text(), QStringLiteral("01/05/24"));
    EXPECT_TRUE(window->Logger->text().isEmpty());
    EXPECT_TRUE(window->Option1->isChecked());
    EXPECT_TRUE(window->Num_Activite1->text().isEmpty());
    EXPECT_FALSE(window->Num_Activite1->isEnabled());
    EXPECT_TRUE(window->Type_Activite1->currentText().isEmpty());
    for (QWidget *w : std::initializer_list<QWidget *>{
             window->Activeur, window->Num_Activite, window->Nom_Activite, window->Num_Canton,
             window->Num_CP, window->Nom_Commune, window->Type_Activite, window->Date_Activite})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(window->Saisie_des_QSO->isEnabled());
    EXPECT_EQ(backgroundOf(window->Saisie_des_QSO), colors::lightGreen());
    EXPECT_EQ(focused(), window->Saisie_des_QSO);
    EXPECT_FALSE(window->currentActivation().isDouble);
}

TEST_F(Recorded, ReopeningTheFirstLineOfAPairBringsBothReferences) {
    QTest::mouseClick(
        window->Liste_Activite->viewport(), Qt::LeftButton, {},
        window->Liste_Activite->visualItemRect(window->Liste_Activite->item(1)).center());
    EXPECT_EQ(window->activiteSelectionnee(), QStringLiteral("DFCF 27002"));
    EXPECT_EQ(window->Num_Activite->text(), QStringLiteral("DFCF 27002"));
    EXPECT_EQ(window->Logger->text(), QStringLiteral("F4BBB"));
    EXPECT_EQ(window->Num_Activite1->text(), QStringLiteral("DIFI 27-002"));
    EXPECT_EQ(window->Activeur1->text(), QStringLiteral("F5AAA"));
    EXPECT_EQ(window->Logger1->text(), QStringLiteral("F4BBB"));
    EXPECT_EQ(window->Num_CP1->text(), QStringLiteral("27101"));
    EXPECT_EQ(window->Date_Activite1->text(), QStringLiteral("02/05/24"));
    EXPECT_TRUE(window->Option2->isChecked());
    EXPECT_TRUE(window->currentActivation().isDouble);
    EXPECT_EQ(focused(), window->Saisie_des_QSO);
}

TEST_F(Recorded, AnEarlyShortLineLoadsWithoutCommune) {
    window->Liste_Activite->setListIndex(3);
    EXPECT_EQ(window->Num_Activite->text(), QStringLiteral("DFCF 27004"));
    EXPECT_EQ(window->Activeur->text(), QStringLiteral("F6CCC"));
    EXPECT_TRUE(window->Nom_Commune->text().isEmpty());
    EXPECT_TRUE(window->Option1->isChecked());
}

TEST_F(Recorded, DeletingWithoutChoosingAsksForAChoice) {
    window->Supprimer_Click();
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Cliquez sur une activité pour la selectionner")});
    EXPECT_EQ(listFile(), all);
}

TEST_F(Recorded, DeletingASingleActivationMarksItAndSetsItsLogAside) {
    window->Liste_Activite->setListIndex(0);
    window->Supprimer->click();
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Voulez vous effacer l'activité DFCF 27001 ?")});
    QByteArray marked = single;
    marked[12] = '*';
    EXPECT_EQ(listFile(),
              marked + "\r\n" + pairFirst + "\r\n" + pairSecond + "\r\n" + early + "\r\n");
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("DFCF 27001.txt"))));
    EXPECT_EQ(bytesOf(path(QStringLiteral("DFCF 27001.bak"))), QByteArray("QSO 1\r\n"));
    // The window starts afresh and still lists the deleted reference.
    EXPECT_TRUE(window->Activeur->text().isEmpty());
    EXPECT_EQ(focused(), window->Activeur);
    EXPECT_EQ(window->Liste_Activite->count(), 4);
}

TEST_F(Recorded, DecliningADeletionChangesNothing) {
    window->Liste_Activite->setListIndex(1);
    dialogs.setNextAnswer(false);
    window->Supprimer_Click();
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Activation double, éffacer les deux activités ?")});
    EXPECT_EQ(listFile(), all);
    EXPECT_EQ(bytesOf(path(QStringLiteral("DFCF 27002.txt"))), QByteArray("QSO 2\r\n"));
}

TEST_F(Recorded, DeletingAPairFromItsSecondLineIsRefused) {
    window->Liste_Activite->setListIndex(2);
    window->Supprimer_Click();
    EXPECT_EQ(dialogs.last(),
              QStringLiteral("Selectionnez la premiere reference de la double activité"));
    EXPECT_EQ(listFile(), all);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("DIFI 27-002.txt"))));
}

TEST_F(Recorded, DeletingAPairFromItsFirstLineMarksBoth) {
    window->Liste_Activite->setListIndex(1);
    window->Supprimer_Click();
    QByteArray a = pairFirst, b = pairSecond;
    a[12] = '*';
    b[12] = '*';
    EXPECT_EQ(listFile(), single + "\r\n" + a + "\r\n" + b + "\r\n" + early + "\r\n");
    EXPECT_EQ(bytesOf(path(QStringLiteral("DIFI 27-002.bak"))), QByteArray("QSO 2\r\n"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("DFCF 27002.txt"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("DIFI 27-002.txt"))));
}

} // namespace
