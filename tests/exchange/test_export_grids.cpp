// The award export writes the locator of each station worked that the log keeps beside its
// QSO (the FT8 and FT4 QSOs), and the station's own locator from "Setup", read back by the
// independent ADIF checker.

#include "entry/EntryWindowFixture.h"

#include "core/digital/DigitalSettings.h"
#include "core/io/TextFile.h"
#include "core/log/QsoLocators.h"
#include "exchange/ExportMenus.h"
#include "exchange/Export_ADIF3.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "platform/WindowServices.h"
#include "support/AdifCheck.h"
#include "support/MenuItems.h"
#include "support/QsoLines.h"

#include <QAction>

using namespace zep;
using zep::testing::checkAdif;

namespace {

class GridExport : public zep::testing::EntryWindowTest {
protected:
    QTemporaryDir out;
    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

} // namespace

TEST_F(GridExport, EachKnownLocatorIsAGridsquareAndOursIsMyGridsquare) {
    using zep::testing::qsoLineOf;
    const QStringList lines{qsoLineOf("07/12/26", "10:00", "DL1ABC", "", "", "FT8", "14"),
                            qsoLineOf("07/12/26", "10:05", "F5ABC", "76", "Hervé", "SSB", "7"),
                            qsoLineOf("07/12/26", "10:06", "G4XYZ", "", "", "FT4", "14")};
    put(logFile(), zep::testing::logBytesOf(lines));
    ASSERT_TRUE(QsoLocators(logFile()).append(lines[0], "JO62"));
    ASSERT_TRUE(QsoLocators(logFile()).append(lines[2], "IO91wm"));
    // A locator kept for a line the log no longer holds lands on no QSO.
    ASSERT_TRUE(QsoLocators(logFile()).append(lines[1] + "X", "KN00"));
    settings.write(keys::locator, QStringLiteral("JN25ue"));

    connectExports(open(), services);
    zep::testing::menuItem(*window, "Mnu_ADIF3")->trigger();
    Export_ADIF3 *w = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<Export_ADIF3 *>(top); found && found->isVisible())
            w = found;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Locator->text(), "JN25ue");
    files.setNextAnswer(out.filePath(QStringLiteral("grids.adi")));
    QTest::mouseClick(w->Enregistrer, Qt::LeftButton);

    const auto read = checkAdif(bytes(out.filePath(QStringLiteral("grids.adi"))));
    EXPECT_TRUE(read.problems.isEmpty()) << read.problems.join('\n').toStdString();
    ASSERT_EQ(read.records.size(), 3);
    const char *grids[] = {"JO62", nullptr, "IO91wm"};
    for (int i = 0; i < 3; ++i) {
        const auto &r = read.records[i];
        EXPECT_EQ(r.value("MY_GRIDSQUARE"), "JN25ue") << i;
        if (grids[i]) {
            EXPECT_EQ(r.value("GRIDSQUARE"), grids[i]) << i;
        } else {
            EXPECT_FALSE(r.contains("GRIDSQUARE")) << i;
        }
    }
    QTest::mouseClick(w->Fermer, Qt::LeftButton);
}
