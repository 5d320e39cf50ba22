// An open operator list follows the log: every change made from the entry window shows in its
// rows and its count at once, without the list being made anew.

#include "entry/EntryWindowFixture.h"

#include "platform/RecordingPrinter.h"
#include "reports/Liste_Operateurs.h"
#include "reports/ListingMenus.h"
#include "support/MenuItems.h"
#include "support/QStringPrint.h"
#include "support/QsoLines.h"

#include <QAction>

#include <functional>

using namespace zep;

namespace {

QString qso(const QString &time, const QString &call) {
    return zep::testing::qsoLineOf("12/02/09", time, call, {}, {}, "SSB", "7");
}

class OperatorList : public zep::testing::EntryWindowTest {
protected:
    /// Enter from field to field until `name` has the focus.
    void enterTo(const QString &name) {
        for (int i = 0; i < 12 && focusName() != name; ++i)
            enter();
        ASSERT_EQ(focusName(), name);
    }
    void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

    RecordingPrintService printing;
    ScriptedFileChooser files;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

TEST_F(OperatorList, AnOpenListFollowsEveryChangeOfTheLog) {
    QByteArray log;
    for (const QString &line : {qso("10:00", "F5ABC"), qso("10:05", "DL1ABC"),
                                qso("10:10", "F5ABC"), qso("10:15", "ON4UN")})
        log += line.toLatin1() + "\r\n";
    put(logFile(), log);
    open();
    connectListingWindows(*window, services);
    zep::testing::menuItem(*window, "Mnu_Liste_Op")->trigger();
    Liste_Operateurs *list = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *shown = qobject_cast<Liste_Operateurs *>(w); shown && shown->isVisible())
            list = shown;
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Label1->text(), QStringLiteral(" 3 opérateurs"));
    // The rows made when the list opened stay: only the operators that come or go change.
    list->Liste_Op->item(1)->setData(Qt::UserRole, true);
    // Back to the entry window, as the operator clicks it.
    QApplication::setActiveWindow(window.get());
    window->Indi_Q->setFocus();

    const struct {
        const char *what;
        std::function<void()> change;
        QStringList operators;
    } steps[] = {
        {"a new station logged",
         [&] { logQso(QStringLiteral("G4XYZ")); },
         {"DL1ABC", "F5ABC", "G4XYZ", "ON4UN"}},
        {"the last QSO deleted", [&] { click(window->Efface_QSO); }, {"DL1ABC", "F5ABC", "ON4UN"}},
        {"the deleted QSO restored",
         [&] { click(window->Recupere); },
         {"DL1ABC", "F5ABC", "G4XYZ", "ON4UN"}},
        {"its call sign corrected",
         [&] {
             click(window->Edite_QSO);
             replaceAndEnter(QStringLiteral("EA1AA"));
             enterTo(QStringLiteral("Valide_Q"));
             press(Qt::Key_Space);
         },
         {"DL1ABC", "EA1AA", "F5ABC", "ON4UN"}},
        {"a forgotten QSO inserted before the others",
         [&] {
             click(window->Ajout_QSO);
             field(QStringLiteral("9A1A"));
             enterTo(QStringLiteral("Date_Q"));
             replaceAndEnter(QStringLiteral("11/02/09"));
             replaceAndEnter(QStringLiteral("21:30"));
             press(Qt::Key_Space);
         },
         {"9A1A", "DL1ABC", "EA1AA", "F5ABC", "ON4UN"}},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        QStringList rows;
        for (int row = 0; row < list->Liste_Op->count(); ++row)
            rows.append(list->Liste_Op->item(row)->text());
        EXPECT_EQ(rows, step.operators);
        EXPECT_EQ(list->Label1->text(),
                  QStringLiteral(" %1 opérateurs").arg(step.operators.size()));
        const QListWidgetItem *kept = list->Liste_Op->findItems("F5ABC", Qt::MatchExactly).value(0);
        ASSERT_NE(kept, nullptr);
        EXPECT_TRUE(kept->data(Qt::UserRole).toBool()) << "the list was made anew";
    }
}

} // namespace
