#include "entry/EntryWindowFixture.h"

#include "core/log/QsoLine.h"
#include "reports/Recherche_Indicatif.h"

#include <QRadioButton>

using namespace zep;

namespace {

QString qso(const QString &time, const QString &call, const QString &dpt) {
    QsoFields f;
    f.date = QStringLiteral("12/02/09");
    f.time = time;
    f.call = call;
    f.department = dpt;
    f.rstReceived = QStringLiteral("59");
    f.rstSent = QStringLiteral("59");
    f.mode = QStringLiteral("SSB");
    f.band = QStringLiteral("7");
    return buildQsoLine(f).line;
}

const QStringList sampleLog = {qso("10:00", "F5ABC", "05"), qso("10:05", "DL1ABC", ""),
                               qso("10:10", "F6KGL", "2A"), qso("10:15", "ON4XYZ", "")};

QByteArray fileOf(const QStringList &lines) {
    QByteArray all;
    for (const QString &l : lines)
        all += l.toLatin1() + "\r\n";
    return all;
}

class SearchFromEntry : public zep::testing::EntryWindowTest {
protected:
    /// Clicks "Rechercher un QSO" and returns the search window it shows.
    static Recherche_Indicatif *clickSearch(Saisie_QSO &entry) {
        QTest::mouseClick(entry.Recherche, Qt::LeftButton);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<Recherche_Indicatif *>(w); found && w->isVisible())
                return found;
        return nullptr;
    }
};

TEST_F(SearchFromEntry, APickedQsoIsTheOneEditedOrDeleted) {
    put(logFile(), fileOf(sampleLog));
    open();
    connectSearchWindow(*window, dialogs);
    Recherche_Indicatif *search = clickSearch(*window);
    ASSERT_NE(search, nullptr);
    EXPECT_TRUE(search->isVisible());
    EXPECT_TRUE(window->isEnabled()) << "the entry window is not blocked";

    search->Indica->setFocus();
    QTest::keyClicks(search->Indica, QStringLiteral("dl"));
    QTest::keyClick(search->Indica, Qt::Key_Return);
    ASSERT_EQ(search->QSO_Effectues->count(), 1);
    search->Indica->setFocus();
    QTest::keyClick(search->Indica, Qt::Key_Down);
    QTest::keyClick(search->QSO_Effectues, Qt::Key_Return);
    EXPECT_FALSE(search->isVisible());
    EXPECT_EQ(window->Liste_QSO->currentRow(), 1);

    QTest::mouseClick(window->Edite_QSO, Qt::LeftButton);
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("DL1ABC"));
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("02"));
    QTest::mouseClick(window->Annule_Q, Qt::LeftButton);

    // Found by department, then deleted.
    search = clickSearch(*window);
    ASSERT_NE(search, nullptr);
    QTest::mouseClick(search->Option1_3, Qt::LeftButton);
    QTest::keyClicks(search->Depa, QStringLiteral("2A"));
    QTest::keyClick(search->Depa, Qt::Key_Return);
    ASSERT_EQ(search->QSO_Effectues->count(), 1);
    QListWidgetItem *found = search->QSO_Effectues->item(0);
    QTest::mouseClick(search->QSO_Effectues->viewport(), Qt::LeftButton, {},
                      search->QSO_Effectues->visualItemRect(found).center());
    QTest::mouseClick(window->Efface_QSO, Qt::LeftButton);
    EXPECT_EQ(dialogs.last(), QStringLiteral("Voulez vous effacer le QSO avec F6KGL ?"));
    EXPECT_EQ(bytes(logFile()), fileOf({sampleLog[0], sampleLog[1], sampleLog[3]}));
}

} // namespace
