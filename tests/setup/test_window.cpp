// The setup window from start-up through the Enter chain: what it shows, what it writes at
// start, and every refusal the operator can meet while typing an activation.

#include "SetupDriver.h"

using namespace zep;
using namespace zep::test;

namespace {

class StartUp : public SetupTest {
protected:
    void prepare() override {
        // An early release's line of 129 columns, and one of 130 that must stay as it is.
        writeBytes(path(QStringLiteral("Liste_Activite.txt")),
                   QByteArray("DFCF 27001").leftJustified(129, ' ') + "\r\n" +
                       QByteArray("DIFI 27-002").leftJustified(130, ' ') + "\r\n");
    }
};

TEST_F(StartUp, WritesItsSettingsNamesItselfAndListsTheUpgradedFile) {
    EXPECT_EQ(settings.writtenKeys(), (QStringList{keys::cheminRepertoire, keys::revision}));
    EXPECT_EQ(settings.read(keys::cheminRepertoire, {}), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(settings.read(keys::revision, {}), QStringLiteral(" 1.3.7b"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("  ZEP_Rozadovev    Revision  1.3.7b"));

    EXPECT_EQ(listFile(), QByteArray("DFCF 27001").leftJustified(132, ' ') + "\r\n" +
                              QByteArray("DIFI 27-002").leftJustified(130, ' ') + "\r\n");
    ASSERT_EQ(window->Liste_Activite->count(), 2);
    EXPECT_EQ(window->Liste_Activite->listItem(0), QStringLiteral("DFCF 27001"));
    EXPECT_EQ(window->Liste_Activite->listItem(1), QStringLiteral("DIFI 27-002"));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(StartUp, WaitsForRazWithEveryFieldClosed) {
    EXPECT_EQ(focused(), window->RAZ);
    EXPECT_EQ(backgroundOf(window->RAZ), colors::lightGreen());
    for (QWidget *w : std::initializer_list<QWidget *>{
             window->Activeur, window->Logger, window->Num_Activite, window->Nom_Activite,
             window->Num_Canton, window->Num_CP, window->Nom_Commune, window->Type_Activite,
             window->Date_Activite, window->Num_Activite1, window->Type_Activite1,
             window->Date_Activite1}) {
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_EQ(backgroundOf(w), colors::lightYellow()) << w->objectName().toStdString();
    }
    EXPECT_EQ(backgroundOf(window->Liste_Activite), colors::lightYellow());
    EXPECT_FALSE(window->Saisie_des_QSO->isEnabled());
    EXPECT_FALSE(window->Supprimer->isVisible());
    EXPECT_TRUE(window->Option1->isChecked());
    EXPECT_EQ(window->Type_Activite->count(), 3);
    EXPECT_EQ(window->Type_Activite->itemText(1), QStringLiteral("Réactivation"));
    EXPECT_EQ(window->Type_Activite->currentText(), QStringLiteral("Activation"));
    EXPECT_EQ(window->Type_Activite1->currentText(), QStringLiteral("Activation"));
    EXPECT_EQ(window->findChild<QWidget *>(QStringLiteral("Liste_Activite")),
              window->Liste_Activite);
}

TEST_F(SetupTest, ClosingTheWindowEndsTheProgramOnce) {
    int ended = 0;
    QObject::connect(window.get(), &zep::Setup::unloaded, [&ended] { ++ended; });
    window->close();
    EXPECT_EQ(ended, 1);
}

TEST_F(SetupTest, SpaceOnRazOpensTheActivatorFieldAndEnterWalksTheSingleChain) {
    QTest::keyClick(window->RAZ, Qt::Key_Space);
    EXPECT_EQ(focused(), window->Activeur);
    EXPECT_EQ(backgroundOf(window->Activeur), colors::lightGreen());
    EXPECT_EQ(backgroundOf(window->RAZ), colors::systemButton());

    typeEnter(window->Activeur, QStringLiteral("f5abcdefghi")); // 11 characters
    EXPECT_EQ(dialogs.last(), QStringLiteral("10 caracteres maxi"));
    EXPECT_EQ(focused(), window->Activeur);
    EXPECT_EQ(window->Activeur->text(), QStringLiteral("F5ABCDEFGHI"));
    EXPECT_FALSE(window->Logger->isEnabled());

    typeEnter(window->Activeur, QStringLiteral("f5zzz/p"));
    EXPECT_EQ(window->Activeur->text(), QStringLiteral("F5ZZZ/P"));
    EXPECT_EQ(window->Activeur1->text(), QStringLiteral("F5ZZZ/P"));
    EXPECT_EQ(backgroundOf(window->Activeur), colors::lightYellow());
    EXPECT_EQ(focused(), window->Logger);
    EXPECT_EQ(backgroundOf(window->Logger), colors::lightGreen());

    dialogs.clear();
    typeEnter(window->Logger, QString()); // no logger: accepted
    EXPECT_EQ(focused(), window->Num_Activite);

    typeEnter(window->Num_Activite, QStringLiteral("76054"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Specifiez le type d'activité ex DFCF DIFI"));
    EXPECT_EQ(focused(), window->Num_Activite);
    typeEnter(window->Num_Activite, QStringLiteral("dfcf 76054"));
    EXPECT_EQ(window->Num_Activite->text(), QStringLiteral("DFCF 76054"));
    EXPECT_EQ(focused(), window->Nom_Activite);

    // Names keep what is typed: no capitals, accents allowed.
    typeEnter(window->Nom_Activite, QStringLiteral("Château de Sassenot"));
    EXPECT_EQ(window->Nom_Activite->text(), QStringLiteral("Château de Sassenot"));
    for (QWidget *w : std::initializer_list<QWidget *>{
             window->Num_Canton, window->Num_CP, window->Type_Activite, window->Date_Activite})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(window->Nom_Commune->isEnabled());
    EXPECT_EQ(focused(), window->Num_Canton);

    typeEnter(window->Num_Canton, QString());
    EXPECT_EQ(focused(), window->Num_CP);
    typeEnter(window->Num_CP, QStringLiteral("76540"));
    EXPECT_EQ(focused(), window->Nom_Commune);
    typeEnter(window->Nom_Commune, QStringLiteral("Sassenot sur seine"));
    EXPECT_EQ(focused(), window->Type_Activite);
    typeEnter(window->Type_Activite, QStringLiteral("Réactivation"));
    EXPECT_EQ(focused(), window->Date_Activite);
    typeEnter(window->Date_Activite, QStringLiteral("12/11/05"));

    EXPECT_EQ(window->Date_Activite1->text(), QStringLiteral("12/11/05"));
    EXPECT_TRUE(window->Saisie_des_QSO->isEnabled());
    EXPECT_EQ(backgroundOf(window->Saisie_des_QSO), colors::grey());
    EXPECT_EQ(focused(), window->Saisie_des_QSO);
    EXPECT_FALSE(window->Num_Activite1->isEnabled());
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Specifiez le type d'activité ex DFCF DIFI")});
    EXPECT_EQ(entryOpened, 0);
}

TEST_F(SetupTest, DoubleActivationGoesOnToTheSecondReferenceWithTheFirstOnesDateAndCalls) {
    window->Option2->setChecked(true);
    typeFirstReference();
    EXPECT_EQ(focused(), window->Num_Activite1);
    EXPECT_EQ(backgroundOf(window->Num_Activite1), colors::lightGreen());
    EXPECT_FALSE(window->Saisie_des_QSO->isEnabled());
    EXPECT_EQ(window->Activeur1->text(), QStringLiteral("F5ZZZ"));
    EXPECT_EQ(window->Logger1->text(), QStringLiteral("F4YYY"));
    EXPECT_EQ(window->Date_Activite1->text(), QStringLiteral("12/11/05"));

    // The same reference twice would make both lines, and both logs, one.
    typeEnter(window->Num_Activite1, QStringLiteral("dfcf 76054"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Les deux numeros d'activité sont identiques"));
    EXPECT_EQ(focused(), window->Num_Activite1);

    typeSecondReference(QStringLiteral("difi 76-001"));
    EXPECT_EQ(window->Num_Activite1->text(), QStringLiteral("DIFI 76-001"));
    EXPECT_EQ(window->Type_Activite1->currentText(), QStringLiteral("Résident"));
    EXPECT_TRUE(window->Saisie_des_QSO->isEnabled());
    EXPECT_EQ(focused(), window->Saisie_des_QSO);
    EXPECT_EQ(backgroundOf(window->Saisie_des_QSO), colors::grey());

    const CurrentActivation a = window->currentActivation();
    EXPECT_TRUE(a.isDouble);
    EXPECT_EQ(a.activator, QStringLiteral("F5ZZZ"));
    EXPECT_EQ(a.logger, QStringLiteral("F4YYY"));
    EXPECT_EQ(a.reference, QStringLiteral("DFCF 76054"));
    EXPECT_EQ(a.secondReference, QStringLiteral("DIFI 76-001"));
    EXPECT_EQ(a.secondSiteName, QStringLiteral("Ile de Sassenot"));
    EXPECT_EQ(a.canton, QStringLiteral("7625"));
    EXPECT_EQ(a.secondCanton, QString());
    EXPECT_EQ(a.secondPostcode, QStringLiteral("76541"));
    EXPECT_EQ(a.town, QStringLiteral("Sassenot sur seine"));
    EXPECT_EQ(a.programme, QStringLiteral("Activation"));
    EXPECT_EQ(a.secondProgramme, QStringLiteral("Résident"));
    EXPECT_EQ(a.date, QStringLiteral("12/11/05"));
}

/// Each field of the chain, with its limit and its two messages.
struct FieldCase {
    const char *field;
    int maximum;
    const char *lengthMessage;
    const char *emptyMessage; ///< nullptr: an empty field is accepted
    const char *next;         ///< the field that gets the focus after a good entry
};

void PrintTo(const FieldCase &c, std::ostream *os) {
    *os << c.field;
}

class EachField : public SetupTest, public ::testing::WithParamInterface<FieldCase> {
protected:
    /// Walks the chain of a double activation until `name` has the focus.
    QWidget *reach(const char *name) {
        window->Option2->setChecked(true);
        QTest::keyClick(window->RAZ, Qt::Key_Space);
        const std::pair<QWidget *, QString> chain[] = {
            {window->Activeur, QStringLiteral("F5ZZZ")},
            {window->Logger, QStringLiteral("F4YYY")},
            {window->Num_Activite, QStringLiteral("DFCF 76054")},
            {window->Nom_Activite, QStringLiteral("Chateau")},
            {window->Num_Canton, QStringLiteral("7625")},
            {window->Num_CP, QStringLiteral("76540")},
            {window->Nom_Commune, QStringLiteral("Sassenot")},
            {window->Type_Activite, QStringLiteral("Activation")},
            {window->Date_Activite, QStringLiteral("12/11/05")},
            {window->Num_Activite1, QStringLiteral("DIFI 76-001")},
            {window->Nom_Activite1, QStringLiteral("Ile")},
            {window->Num_Canton1, QStringLiteral("7626")},
            {window->Num_CP1, QStringLiteral("76541")},
            {window->Nom_Commune1, QStringLiteral("Sassenot le bas")},
            {window->Type_Activite1, QStringLiteral("Activation")},
        };
        for (const auto &[field, text] : chain) {
            if (field->objectName() == QLatin1String(name))
                return field;
            typeEnter(field, text);
        }
        return nullptr;
    }
};

TEST_P(EachField, RefusesTooLongAndEmptyTextsThenMovesOn) {
    const FieldCase c = GetParam();
    QWidget *field = reach(c.field);
    ASSERT_NE(field, nullptr);
    ASSERT_EQ(focused(), field);
    ASSERT_TRUE(dialogs.shown().empty()) << dialogs.last().toStdString();

    // Outer blanks do not count towards the limit.
    const QString longest = QStringLiteral("A").repeated(c.maximum);
    typeEnter(field, QStringLiteral("  ") + longest + QStringLiteral("A "));
    EXPECT_EQ(dialogs.last(), QString::fromUtf8(c.lengthMessage));
    EXPECT_EQ(focused(), field);

    dialogs.clear();
    typeEnter(field, QString());
    if (c.emptyMessage) {
        EXPECT_EQ(dialogs.last(), QString::fromUtf8(c.emptyMessage));
        EXPECT_EQ(focused(), field);
        typeEnter(field, QStringLiteral(" ") + longest + QStringLiteral(" "));
    }
    EXPECT_EQ(dialogs.shown().size(), c.emptyMessage ? 1u : 0u);
    EXPECT_EQ(backgroundOf(field), colors::lightYellow());
    EXPECT_EQ(focused()->objectName(), QString::fromLatin1(c.next));
    EXPECT_TRUE(focused()->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Chain, EachField,
    ::testing::Values(FieldCase{"Activeur", 10, "10 caracteres maxi",
                                "Nom de l'activeur obligatoire", "Logger"},
                      FieldCase{"Logger", 10, "10 caracteres maxi", nullptr, "Num_Activite"},
                      FieldCase{"Num_Activite", 12, "12 caracteres maxi",
                                "Numero de l'activité obligatoire", "Nom_Activite"},
                      FieldCase{"Nom_Activite", 30, "30 caracteres maxi",
                                "Nom de l'activité obligatoire", "Num_Canton"},
                      FieldCase{"Num_Canton", 4, "4 caracteres maxi", nullptr, "Num_CP"},
                      FieldCase{"Num_CP", 5, "5 caracteres maxi",
                                "Numero du code postal obligatoire", "Nom_Commune"},
                      FieldCase{"Nom_Commune", 26, "26 caracteres maxi",
                                "Nom de la commune obligatoire", "Type_Activite"},
                      FieldCase{"Type_Activite", 35, "35 caracteres maxi",
                                "Type de l'activité obligatoire", "Date_Activite"},
                      FieldCase{"Date_Activite", 8, "8 caracteres pour la date JJ/MM/AA",
                                "Date de l'activité obligatoire", "Num_Activite1"},
                      FieldCase{"Num_Activite1", 12, "12 caracteres maxi",
                                "Numero de l'activité obligatoire", "Nom_Activite1"},
                      FieldCase{"Nom_Activite1", 30, "30 caracteres maxi",
                                "Nom de l'activité obligatoire", "Num_Canton1"},
                      FieldCase{"Num_Canton1", 4, "4 caracteres maxi", nullptr, "Num_CP1"},
                      FieldCase{"Num_CP1", 5, "5 caracteres maxi",
                                "Numero du code postal obligatoire", "Nom_Commune1"},
                      FieldCase{"Nom_Commune1", 26, "26 caracteres maxi",
                                "Nom de la commune obligatoire", "Type_Activite1"},
                      FieldCase{"Type_Activite1", 35, "35 caracteres maxi",
                                "Type de l'activité obligatoire", "Saisie_des_QSO"}),
    [](const ::testing::TestParamInfo<FieldCase> &p) { return std::string(p.param.field); });

TEST_F(SetupTest, UpperCaseOnlyWhereCallsNumbersCodesAndDatesAreTyped) {
    window->Option2->setChecked(true);
    typeFirstReference(QStringLiteral("difi 27-é"));
    EXPECT_EQ(window->Activeur->text(), QStringLiteral("F5ZZZ"));
    EXPECT_EQ(window->Logger->text(), QStringLiteral("F4YYY"));
    EXPECT_EQ(window->Num_Activite->text(), QStringLiteral("DIFI 27-é")); // accents stay
    EXPECT_EQ(window->Nom_Commune->text(), QStringLiteral("Sassenot sur seine"));
    typeEnter(window->Num_Activite1, QStringLiteral("dfcf x"));
    EXPECT_EQ(window->Num_Activite1->text(), QStringLiteral("DFCF X"));
    typeEnter(window->Nom_Activite1, QStringLiteral("ile"));
    EXPECT_EQ(window->Nom_Activite1->text(), QStringLiteral("ile"));
    typeEnter(window->Num_Canton1, QStringLiteral("ab"));
    EXPECT_EQ(window->Num_Canton1->text(), QStringLiteral("AB"));
    typeEnter(window->Num_CP1, QStringLiteral("cp"));
    EXPECT_EQ(window->Num_CP1->text(), QStringLiteral("CP"));
}

TEST_F(SetupTest, AReferenceNumberThatCannotNameAFileIsRefused) {
    QTest::keyClick(window->RAZ, Qt::Key_Space);
    typeEnter(window->Activeur, QStringLiteral("F5ZZZ"));
    typeEnter(window->Logger, QString());
    const QString forbidden =
        QStringLiteral("Caracteres / \\ : * ? \" < > | interdits dans le numero");
    const QString invalid = QStringLiteral("Numero de l'activité invalide");
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("DFCF/76054"), forbidden},
        {QStringLiteral("..\\ETC"), forbidden},
        {QStringLiteral("C:X"), forbidden},
        {QStringLiteral("DFCF*"), forbidden},
        {QStringLiteral("DFCF?"), forbidden},
        {QStringLiteral("A\"B"), forbidden},
        {QStringLiteral("A<B"), forbidden},
        {QStringLiteral("A>B"), forbidden},
        {QStringLiteral("A|B"), forbidden},
        {QStringLiteral("."), invalid},
        {QStringLiteral(" .. "), invalid},
        {QStringLiteral("A\tB"), invalid},
        {QStringLiteral("   "), QStringLiteral("Numero de l'activité obligatoire")},
    };
    for (const auto &[number, message] : cases) {
        dialogs.clear();
        window->Num_Activite->setText(number); // pasted, as a tab cannot be typed here
        enter(window->Num_Activite);
        EXPECT_EQ(dialogs.texts(), QStringList{message}) << number.toStdString();
        EXPECT_EQ(focused(), window->Num_Activite) << number.toStdString();
        EXPECT_FALSE(window->Nom_Activite->isEnabled()) << number.toStdString();
    }
    // Inner dots and blanks are fine; outer blanks go, as they go in the log file's name.
    dialogs.clear();
    typeEnter(window->Num_Activite, QStringLiteral("  DFCF 76.054 "));
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(window->Num_Activite->text(), QStringLiteral("DFCF 76.054"));
    EXPECT_EQ(focused(), window->Nom_Activite);
}

TEST_F(SetupTest, TextTheDataFilesCannotHoldIsRefusedInEveryField) {
    QTest::keyClick(window->RAZ, Qt::Key_Space);
    typeEnter(window->Activeur, QStringLiteral("SP5Ł"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Caractère non autorisé : Ł"));
    EXPECT_EQ(focused(), window->Activeur);
    typeEnter(window->Activeur, QStringLiteral("F5ZZZ"));
    typeEnter(window->Logger, QString());
    typeEnter(window->Num_Activite, QStringLiteral("DFCF 1"));
    typeEnter(window->Nom_Activite, QStringLiteral("Zamek → Łódź"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Caractère non autorisé : →Łź"));
    EXPECT_EQ(focused(), window->Nom_Activite);
    // The code page holds the accents, the œ and the euro sign.
    dialogs.clear();
    typeEnter(window->Nom_Activite, QStringLiteral("Cœur de Fécamp €"));
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(focused(), window->Num_Canton);
}

TEST_F(SetupTest, RazClearsTheActivationButKeepsTheLoggerAndTheOptions) {
    window->Option2->setChecked(true);
    typeFirstReference();
    typeSecondReference();
    window->RAZ->click();
    for (QLineEdit *e :
         {window->Activeur, window->Num_Activite, window->Nom_Activite, window->Num_Canton,
          window->Num_CP, window->Nom_Commune, window->Date_Activite, window->Activeur1,
          window->Num_Activite1, window->Nom_Activite1, window->Num_Canton1, window->Num_CP1,
          window->Nom_Commune1, window->Date_Activite1})
        EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
    EXPECT_EQ(window->Logger->text(), QStringLiteral("F4YYY"));
    EXPECT_EQ(window->Type_Activite1->currentText(), QStringLiteral("Résident"));
    EXPECT_TRUE(window->Option2->isChecked());
    EXPECT_FALSE(window->Saisie_des_QSO->isEnabled());
    EXPECT_EQ(backgroundOf(window->Saisie_des_QSO), colors::systemButton());
    for (QWidget *w : std::initializer_list<QWidget *>{
             window->Nom_Activite, window->Num_Canton, window->Num_CP, window->Nom_Commune,
             window->Type_Activite, window->Date_Activite, window->Nom_Activite1,
             window->Num_Canton1, window->Num_CP1, window->Nom_Commune1, window->Type_Activite1,
             window->Date_Activite1})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    // The fields the chain opened before stay open.
    EXPECT_TRUE(window->Num_Activite->isEnabled());
    EXPECT_TRUE(window->Logger->isEnabled());
    EXPECT_EQ(focused(), window->Activeur);
    EXPECT_EQ(backgroundOf(window->Activeur), colors::lightGreen());
    EXPECT_EQ(backgroundOf(window->Num_Activite), colors::lightYellow());
}

} // namespace
