// What a screen reader announces as the keyboard moves: every field, list and button of the
// entry and set-up windows has its French caption as accessible name, and Tab follows the
// fields in the order Enter visits them.

#include "EntryWindowFixture.h"

#include "entry/PartialCheckPanel.h"
#include "entry/RateLine.h"
#include "platform/Accessibility.h"
#include "platform/StatusLabel.h"
#include "setup/Setup.h"
#include "support/PartialCheckProbe.h"
#include "support/SpokenName.h"
#include "support/TryWait.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QSignalSpy>

using namespace zep;
using zep::testing::EntryWindowTest;

namespace {

struct Named {
    const char *control;
    QString name;
};

/// The controls of `chain` in the order Tab reaches them, starting from the first one.
QStringList tabOrder(QWidget *window, const QStringList &chain) {
    QStringList seen;
    QWidget *first = window->findChild<QWidget *>(chain.first());
    QWidget *w = first;
    do {
        if (chain.contains(w->objectName()) && !seen.contains(w->objectName()))
            seen.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w && w != first);
    return seen;
}

void expectNames(QWidget *window, std::initializer_list<Named> names) {
    for (const Named &n : names) {
        auto *w = window->findChild<QWidget *>(QString::fromLatin1(n.control));
        ASSERT_NE(w, nullptr) << n.control;
        EXPECT_EQ(w->accessibleName(), n.name) << n.control;
    }
}

} // namespace

using Accessibility = EntryWindowTest;

TEST_F(Accessibility, EntryWindowControlsAreNamedAndTabFollowsTheFields) {
    open();
    expectNames(window.get(), {{"Bande_Q", QStringLiteral("Bande (Mhz)")},
                               {"Mode_Q", QStringLiteral("Mode")},
                               {"Num_Q", QStringLiteral("N° QSO")},
                               {"Indi_Q", QStringLiteral("Indicatif")},
                               {"Dpt_Q", QStringLiteral("Dpt")},
                               {"Prenom_Q", QStringLiteral("Prénom")},
                               {"QRKR_Q", QStringLiteral("Rst R")},
                               {"QRKE_Q", QStringLiteral("Rst E")},
                               {"Observation_Q", QStringLiteral("Observations")},
                               {"Date_Q", QStringLiteral("Date")},
                               {"Heure_Q", QStringLiteral("Heure")},
                               {"Valide_Q", QStringLiteral("Validez")},
                               {"Annule_Q", QStringLiteral("Annuler une saisie")},
                               {"Edite_QSO", QStringLiteral("Editer un QSO")},
                               {"Efface_QSO", QStringLiteral("Supprimer un QSO")},
                               {"Recupere", QStringLiteral("Recuperer un QSO")},
                               {"Ajout_QSO", QStringLiteral("Inserer un QSO")},
                               {"Recherche", QStringLiteral("Rechercher un QSO")},
                               {"Liste_QSO", QStringLiteral("Liste des QSO")},
                               {"Tot_Ope", QStringLiteral("Opérateurs contactés")}});
    const QStringList chain = {
        QStringLiteral("Bande_Q"),   QStringLiteral("Mode_Q"),        QStringLiteral("Indi_Q"),
        QStringLiteral("Dpt_Q"),     QStringLiteral("Prenom_Q"),      QStringLiteral("QRKR_Q"),
        QStringLiteral("QRKE_Q"),    QStringLiteral("Observation_Q"), QStringLiteral("Date_Q"),
        QStringLiteral("Heure_Q"),   QStringLiteral("Valide_Q"),      QStringLiteral("Annule_Q"),
        QStringLiteral("Edite_QSO"), QStringLiteral("Efface_QSO"),    QStringLiteral("Recupere"),
        QStringLiteral("Ajout_QSO"), QStringLiteral("Recherche"),     QStringLiteral("Liste_QSO")};
    EXPECT_EQ(tabOrder(window.get(), chain), chain);

    // As the operator meets it: from the call sign, Tab reaches the department field next,
    // and each caption names the field it stands over.
    window->Dpt_Q->setEnabled(true);
    window->Indi_Q->setFocus();
    press(Qt::Key_Tab);
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->buddy()) {
            EXPECT_EQ(label->buddy()->accessibleName(), access::nameFromCaption(label->text()));
        }
    }
}

TEST_F(Accessibility, SetupWindowControlsAreNamedAndTabFollowsTheFields) {
    zep::Setup setupWindow(dir.path(), settings, dialogs);
    expectNames(&setupWindow,
                {{"Liste_Activite", QStringLiteral("Activités")},
                 {"Activeur", QStringLiteral("Indicatif de l'activeur (Activité N°1)")},
                 {"Logger", QStringLiteral("Logger (Activité N°1)")},
                 {"Num_Activite", QStringLiteral("N° de l'Activité (Activité N°1)")},
                 {"Num_Activite1", QStringLiteral("N° de l'Activité (Activité N°2)")},
                 {"Nom_Commune1", QStringLiteral("Nom de la Commune (Activité N°2)")},
                 {"Type_Activite", QStringLiteral("Type de l'Activité (Activité N°1)")},
                 {"Date_Activite", QStringLiteral("Date de l'Activité (Activité N°1)")},
                 {"Option1", QStringLiteral("Activité simple")},
                 {"Option2", QStringLiteral("Activité double")},
                 {"RAZ", QStringLiteral("RAZ pour nouvelle activation")},
                 {"Saisie_des_QSO", QStringLiteral("Saisie des QSO")}});
    // No control the keyboard reaches goes unnamed.
    for (QWidget *w : setupWindow.findChildren<QWidget *>()) {
        if ((qobject_cast<QLineEdit *>(w) && !qobject_cast<QComboBox *>(w->parentWidget())) ||
            qobject_cast<QAbstractButton *>(w)) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
    }

    const QStringList chain = {QStringLiteral("Activeur"),       QStringLiteral("Logger"),
                               QStringLiteral("Num_Activite"),   QStringLiteral("Nom_Activite"),
                               QStringLiteral("Num_Canton"),     QStringLiteral("Num_CP"),
                               QStringLiteral("Nom_Commune"),    QStringLiteral("Type_Activite"),
                               QStringLiteral("Date_Activite"),  QStringLiteral("Num_Activite1"),
                               QStringLiteral("Nom_Activite1"),  QStringLiteral("Num_Canton1"),
                               QStringLiteral("Num_CP1"),        QStringLiteral("Nom_Commune1"),
                               QStringLiteral("Type_Activite1"), QStringLiteral("Saisie_des_QSO")};
    EXPECT_EQ(tabOrder(&setupWindow, chain), chain);
}

TEST_F(Accessibility, TheBandAndModeBoxesAreAnnouncedByTheirCaptionsNotTheirValue) {
    open();
    // What holds the keyboard focus in an editable combo box is its line edit: that is what a
    // screen reader announces.
    for (QComboBox *box : {window->Bande_Q, window->Mode_Q}) {
        box->setFocus();
        QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(focused());
        ASSERT_NE(heard, nullptr);
        EXPECT_EQ(heard->text(QAccessible::Name), box->accessibleName())
            << box->objectName().toStdString();
        QAccessibleInterface *boxHeard = QAccessible::queryAccessibleInterface(box);
        EXPECT_EQ(boxHeard->text(QAccessible::Name), box->accessibleName());
        EXPECT_EQ(boxHeard->text(QAccessible::Value), box->currentText());
        EXPECT_EQ(boxHeard->role(), QAccessible::ComboBox);
    }
    EXPECT_EQ(window->Bande_Q->lineEdit()->accessibleName(), QStringLiteral("Bande (Mhz)"));
    EXPECT_EQ(window->Mode_Q->lineEdit()->accessibleName(), QStringLiteral("Mode"));
    // The set-up window's type boxes likewise.
    zep::Setup setupWindow(dir.path(), settings, dialogs);
    for (const char *name : {"Type_Activite", "Type_Activite1"}) {
        auto *box = setupWindow.findChild<QComboBox *>(QString::fromLatin1(name));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->lineEdit()->accessibleName(), box->accessibleName()) << name;
        EXPECT_FALSE(box->accessibleName().isEmpty()) << name;
    }
}

TEST_F(Accessibility, StatusLinesAreHeardByWhatTheyShowAndTheRadioLostIsAnnounced) {
    open();
    using zep::testing::spokenName;
    StatusLabel *poste = window->radioLine;
    QSignalSpy announced(poste, &StatusLabel::announced);
    EXPECT_EQ(spokenName(poste), QStringLiteral("Poste")) << "nothing shown: the caption";

    // Each state the line shows is its name; the radio going silent is announced, and so is
    // its return, the other states are not.
    const struct {
        const char *shown;
        bool announced;
    } steps[] = {{"Poste : 14 285,00 kHz USB", false},
                 {"Poste : pas de réponse", true},
                 {"Poste : 7 030,00 kHz CW hors bande", true},
                 {"Poste : 7 031,00 kHz CW hors bande", false},
                 {"Poste : pas de réponse", true}};
    for (const auto &step : steps) {
        const QString shown = QString::fromUtf8(step.shown);
        announced.clear();
        const QString before = access::lastAnnouncement(poste);
        poste->setText(shown);
        EXPECT_EQ(spokenName(poste), shown);
        EXPECT_EQ(poste->accessibleName(), shown);
        EXPECT_EQ(announced.count(), step.announced ? 1 : 0) << step.shown;
        EXPECT_EQ(access::lastAnnouncement(poste), step.announced ? shown : before) << step.shown;
    }
    // However the text is set, a screen reader reads the text shown.
    static_cast<QLabel *>(poste)->setText(QStringLiteral("Poste : 3 650,00 kHz LSB"));
    EXPECT_EQ(spokenName(poste), QStringLiteral("Poste : 3 650,00 kHz LSB"));

    // The rate lines, and the other lines of the window whose text changes as the operator
    // works (the clocks), are heard by their text too.
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("21"), QStringLiteral("Jean"));
    for (const char *name : {"Cadence", "Label37", "Label34", "Label33"}) {
        auto *label = window->findChild<QLabel *>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_FALSE(label->text().isEmpty()) << name;
        EXPECT_EQ(spokenName(label), label->text().simplified()) << name;
    }
    EXPECT_TRUE(spokenName(window->findChild<QLabel *>(QStringLiteral("Cadence")))
                    .startsWith(QStringLiteral("Cadence : ")));
    // The band's count does not say what it is: its caption comes first.
    auto *onBand = window->findChild<QLabel *>(QStringLiteral("QSO_Bande"));
    EXPECT_EQ(spokenName(onBand), QStringLiteral("QSO sur la bande : ") + onBand->text());
    for (StatusLabel *line : window->findChildren<StatusLabel *>())
        EXPECT_TRUE(spokenName(line).startsWith(line->caption()))
            << line->objectName().toStdString();
}

TEST_F(Accessibility, AValidationIsHeardAndTheFocusLandsOnceOnTheCallSign) {
    open();
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("21"), QStringLiteral("Jean"));
    EXPECT_EQ(access::lastAnnouncement(window.get()), QStringLiteral("QSO 1 F5XYZ enregistré"));

    type(QStringLiteral("F6ABC"));
    enter();
    replaceAndEnter(QStringLiteral("21"));
    replaceAndEnter(QStringLiteral("Paul"));
    enter();
    enter();
    enter();
    ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
    QList<QWidget *> moves;
    QObject watching;
    QObject::connect(qApp, &QApplication::focusChanged, &watching,
                     [&](QWidget *, QWidget *now) { moves.append(now); });
    press(Qt::Key_Space);
    EXPECT_EQ(moves, QList<QWidget *>{window->Indi_Q}) << "the focus went through other controls";
    EXPECT_EQ(access::lastAnnouncement(window.get()), QStringLiteral("QSO 2 F6ABC enregistré"));
}

TEST_F(Accessibility, TheKnownCallsAreReadWhenAskedNotWhileTyping) {
    open();
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("21"), QStringLiteral("Jean"));
    PartialCheckPanel *panel = window->Controle_Partiel;
    ZEP_TRY_VERIFY(PartialCheckProbe::ready(*panel), 10000);
    type(QStringLiteral("F5X"));
    ZEP_TRY_VERIFY(panel->known()->count() > 0, 5000);
    press(Qt::Key_Down); // the highlight moves, the focus stays in the field
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));

    // Ctrl+L goes into the list at its highlighted row, Down reads the next, and Escape goes
    // back to the field. (What a screen reader hears of it is checked with Orca itself.)
    const int highlighted = panel->known()->highlighted();
    press(Qt::Key_L, Qt::ControlModifier);
    ASSERT_EQ(focused(), panel->known());
    EXPECT_EQ(panel->known()->highlighted(), highlighted);
    press(Qt::Key_Down);
    EXPECT_EQ(panel->known()->highlighted(), highlighted + 1);
    press(Qt::Key_Escape);
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
}
