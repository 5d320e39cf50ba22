#include "entry/EntryWindowFixture.h"

#include "core/countries/CountriesWorked.h"
#include "core/io/ProgramDirectory.h"
#include "core/log/QsoLine.h"
#include "platform/ListBox.h"
#include "platform/RecordingPrinter.h"
#include "reports/Pays_Cont.h"
#include "support/NoScratchFiles.h"
#include "support/MenuItems.h"

#include <QAction>

using namespace zep;

namespace {

QString qso(const QString &call) {
    QsoFields f;
    f.date = QStringLiteral("07/12/26");
    f.time = QStringLiteral("10:00");
    f.call = call;
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.mode = QStringLiteral("SSB");
    f.band = QStringLiteral("7");
    return buildQsoLine(f).line;
}

QByteArray fileOf(const QStringList &lines) {
    QByteArray all;
    for (const QString &l : lines)
        all += l.toLatin1() + "\r\n";
    return all;
}

QStringList itemsOf(const ListBox *list) {
    QStringList items;
    for (int row = 0; row < list->listCount(); ++row)
        items << list->listItem(row);
    return items;
}

class CountriesWindow : public zep::testing::EntryWindowTest {
protected:
    /// The entry window on `log`, wired as the program wires it.
    void openEntry(const QStringList &log) {
        put(logFile(), fileOf(log));
        open();
        connectCountriesWindow(*window, services);
    }
    /// "Afficher" > "les pays contactés"; the countries window it shows, or null.
    Pays_Cont *openCountries() {
        zep::testing::menuItem(*window, "Mnu_Pays_Contacte")->trigger();
        Pays_Cont *shown = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<Pays_Cont *>(w); p && p->isVisible())
                shown = p;
        return shown;
    }
    QString tablePath() const { return path(prefixTableFileName); }
    QString savedPath() const { return path(QStringLiteral("DFCF-21-001_Prefixes.txt")); }

    RecordingPrintService printing;
    ScriptedFileChooser files;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

const QStringList sampleLog = {qso("F5ABC"), qso("TK5XN"),     qso("DL1ABC"),
                               qso("F6KGL"), qso("EA8/F5ABC"), qso("ON4UN")};

} // namespace

TEST_F(CountriesWindow, ListsEachCountryOnceAndSavesItByteForByte) {
    openEntry(sampleLog);
    EXPECT_EQ(bytes(tablePath()), builtInPrefixTable()) << "the program's table is installed";
    Pays_Cont *countries = openCountries();
    ASSERT_NE(countries, nullptr);
    EXPECT_TRUE(window->isEnabled()) << "the entry window is not blocked";
    const QStringList listed = {"DL    Fed. Rep. of Germany", "EA8   Canary Islands",
                                "F     France", "ON    Belgium", "TK    Corsica"};
    EXPECT_EQ(itemsOf(countries->Liste_Pays), listed);
    EXPECT_EQ(countries->Nb_Pays->text(), QStringLiteral("Nombre de pays : 5"));
    EXPECT_TRUE(countries->Lignes_Ignorees->isHidden());

    // Saving twice writes the same file over the first, and names it without its directory.
    for (int round = 0; round < 2; ++round) {
        dialogs.clear();
        QTest::mouseClick(countries->Enregistrer, Qt::LeftButton);
        EXPECT_EQ(dialogs.texts(),
                  QStringList{QStringLiteral("Le fichier a été enregistré sous le nom "
                                             "DFCF-21-001_Prefixes.txt")});
        EXPECT_EQ(bytes(savedPath()), "Pays contact\xE9s activit\xE9 DFCF-21-001\r\n"
                                      "DL    Fed. Rep. of Germany\r\n"
                                      "EA8   Canary Islands\r\n"
                                      "F     France\r\n"
                                      "ON    Belgium\r\n"
                                      "TK    Corsica\r\n");
    }
}

TEST_F(CountriesWindow, ATwelveCharacterCallSignPastQso9999IsReadWhole) {
    // "9M6/PA0RRS/2" is West Malaysia in the table; cut to "9M6/PA0RRS/" it reads as East
    // Malaysia.
    QStringList log(10000, qso("F5ABC"));
    log << qso("9M6/PA0RRS/2") << qso("ON4UN");
    openEntry(log);
    Pays_Cont *countries = openCountries();
    ASSERT_NE(countries, nullptr);
    EXPECT_EQ(itemsOf(countries->Liste_Pays),
              (QStringList{"9M2   West Malaysia", "F     France", "ON    Belgium"}));
}

TEST_F(CountriesWindow, EmptyLogSavesTheHeadingOnly) {
    openEntry({});
    Pays_Cont *countries = openCountries();
    ASSERT_NE(countries, nullptr);
    EXPECT_EQ(countries->Liste_Pays->listCount(), 0);
    EXPECT_TRUE(countries->Enregistrer_Click());
    EXPECT_EQ(bytes(savedPath()), "Pays contact\xE9s activit\xE9 DFCF-21-001\r\n");
}

TEST_F(CountriesWindow, TheOperatorsOwnTableIsReadInItsOrderAndKept) {
    // A specific line before the general one wins; one after it is never reached. The unusable
    // lines are named under the list, and unknown call signs gathered in one entry.
    const QByteArray own = "TK;Corse;TK;EU\r\n"
                           "F;France;F;EU\r\n"
                           "F6;Jamais atteint;F6;EU\r\n"
                           "ON Belgique\r\n"
                           "EA;Espagne;EA;EU\r\n";
    put(tablePath(), own);
    openEntry(sampleLog);
    Pays_Cont *countries = openCountries();
    ASSERT_NE(countries, nullptr);
    EXPECT_EQ(itemsOf(countries->Liste_Pays),
              (QStringList{"?     Indicatifs sans pays dans la table (2) : DL1ABC, ON4UN",
                           "EA    Espagne", "F     France", "TK    Corse"}));
    EXPECT_EQ(countries->Nb_Pays->text(), QStringLiteral("Nombre de pays : 3"));
    EXPECT_FALSE(countries->Lignes_Ignorees->isHidden());
    EXPECT_TRUE(countries->Lignes_Ignorees->text().endsWith(QStringLiteral("ligne(s) 4")));
    EXPECT_EQ(bytes(tablePath()), own);
}

TEST_F(CountriesWindow, TableThatCannotBeReadOrInstalledIsReported) {
    // A table that is there but cannot be read: told, and no list from another table.
    QDir(dir.path()).mkdir(prefixTableFileName);
    openEntry(sampleLog);
    EXPECT_EQ(openCountries(), nullptr);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.last().contains(prefixTableFileName)) << dialogs.last().toStdString();

    // No table, and none can be written (no scratch file can be made): told, then listed with
    // the program's table.
    QDir(dir.path()).rmdir(prefixTableFileName);
    dialogs.clear();
    Pays_Cont *countries = nullptr;
    {
        NoScratchFiles noScratch;
        sys::ScopedCalls seam(noScratch);
        countries = openCountries();
    }
    EXPECT_EQ(bytes(tablePath()), "<absent>");
    ASSERT_NE(countries, nullptr);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.last().startsWith(
        QStringLiteral("La table des préfixes \"Continents_DXCC.csv\" est introuvable")));
    EXPECT_EQ(countries->Liste_Pays->listCount(), 5);
}

TEST_F(CountriesWindow, AskingAgainRebuildsTheOneWindowFromTheLogAsItStands) {
    openEntry({qso("F5ABC")});
    Pays_Cont *first = openCountries();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Liste_Pays->listCount(), 1);
    logQso(QStringLiteral("ON4UN"));
    EXPECT_EQ(openCountries(), first);
    EXPECT_EQ(itemsOf(first->Liste_Pays), (QStringList{"F     France", "ON    Belgium"}));

    // A failed save is told and leaves the earlier file as it was.
    put(savedPath(), "ancien\r\n");
    dialogs.clear();
    {
        NoScratchFiles noScratch;
        sys::ScopedCalls seam(noScratch);
        EXPECT_FALSE(first->Enregistrer_Click());
    }
    EXPECT_EQ(dialogs.texts().size(), 1);
    EXPECT_FALSE(dialogs.last().startsWith(QStringLiteral("Le fichier a été enregistré")));
    EXPECT_EQ(bytes(savedPath()), "ancien\r\n");
}
