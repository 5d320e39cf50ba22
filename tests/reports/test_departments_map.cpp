#include "entry/EntryWindowFixture.h"

#include "core/countries/MapDepartments.h"
#include "core/log/QsoLine.h"
#include "entry/DepartmentPainter.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "reports/Carte_Acti.h"
#include "reports/CountryMapMenus.h"
#include "reports/DepartmentMapView.h"
#include "reports/DepartmentShapes.h"
#include "support/MenuItems.h"

#include <QAction>
#include <QImage>
#include <QSignalSpy>

using namespace zep;

namespace {

QString qso(const QString &call, const QString &dept, const QString &band,
            const QString &mode = QStringLiteral("SSB")) {
    QsoFields f;
    f.date = QStringLiteral("07/12/26");
    f.time = QStringLiteral("14:07");
    f.call = call;
    f.department = dept;
    f.rstReceived = QStringLiteral("59");
    f.rstSent = QStringLiteral("59");
    f.mode = mode;
    f.band = band;
    const BuiltLine b = buildQsoLine(f);
    EXPECT_TRUE(b.ok);
    return b.line;
}

QByteArray fileOf(const QStringList &lines) {
    QByteArray all;
    for (const QString &l : lines)
        all += l.toLatin1() + "\r\n";
    return all;
}

std::vector<int> greenLabels(const QList<QLabel *> &labels) {
    std::vector<int> green;
    for (int i = 0; i < labels.size(); ++i)
        if (backgroundOf(labels[i]) == colors::departmentWorked())
            green.push_back(i);
    return green;
}

class DepartmentsMap : public zep::testing::EntryWindowTest {
protected:
    void TearDown() override {
        opener.reset();
        EntryWindowTest::TearDown();
    }

    /// The entry window on `log`, then the map opened from its menu "Carte".
    Carte_Acti &openMap(const QStringList &log = {}) {
        if (!window) {
            put(logFile(), fileOf(log));
            open();
            connectCountriesAndMap(*window, services);
        }
        zep::testing::menuItem(*window, "Mnu_Dpt_Cont")->trigger();
        Carte_Acti *map = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *c = qobject_cast<Carte_Acti *>(w); c && c->isVisible())
                map = c;
        EXPECT_NE(map, nullptr);
        return *map;
    }

    RecordingPrintService printing;
    ScriptedFileChooser files;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
    std::unique_ptr<MapWindowOpener> opener;
};

const QStringList sampleLog = {
    qso("F1AAA", "2A", "1.8"), qso("F1BBB", "2a", "1.8"), qso("F1CCC", "75", "1.8"),
    qso("F1DDD", "", "1.8"),   qso("F1EEE", "13", "14"),  qso("F1FFF", "33", "1.8", "CW"),
    qso("F1GGG", "00", "1.8"), qso("F1HHH", "20", "1.8"), qso("F1III", "29", "3.5"),
};

} // namespace

TEST(MapDepartmentsStore, CountsLabelsOneTo99AndTellsOnlyRealChanges) {
    MapDepartments shown;
    QSignalSpy changed(&shown, &MapDepartments::changed);
    EXPECT_FALSE(shown.painted());
    MapDepartments::Worked worked{};
    worked[0] = worked[20] = worked[75] = worked[99] = true;
    shown.show(worked, QStringLiteral("7"), QStringLiteral("SSB"));
    EXPECT_EQ(shown.count(), 3); // "00" is never counted, "20" and "99" are
    EXPECT_TRUE(shown.isWorked(75));
    EXPECT_FALSE(shown.isWorked(100));
    shown.show(worked, QStringLiteral("7"), QStringLiteral("SSB"));
    EXPECT_EQ(changed.count(), 1);
    // The same departments on another band are another picture.
    shown.show(worked, QStringLiteral("14"), QStringLiteral("SSB"));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(shown.band(), QStringLiteral("14"));
}

TEST(SvgPathData, ReadsLinesAbsoluteAndRelativeAndRefusesTheRest) {
    struct Case {
        const char *data;
        bool ok;
        QList<QPointF> points; // the path's elements in order
    };
    const Case cases[] = {
        {"m 10,20 5,0 0,5 z", true, {{10, 20}, {15, 20}, {15, 25}, {10, 20}}},
        {"M10 20L15 20 15 25Z", true, {{10, 20}, {15, 20}, {15, 25}, {10, 20}}},
        {"m 1,1 2,0 z m 10,10 1,0 z", true, {{1, 1}, {3, 1}, {1, 1}, {11, 11}, {12, 11}, {11, 11}}},
        {"M0,0h4v3H1V2z", true, {{0, 0}, {4, 0}, {4, 3}, {1, 3}, {1, 2}, {0, 0}}},
        {"m-1.5-2.5.5.5e1", true, {{-1.5, -2.5}, {-1, 2.5}}},
        {"M 0,0 C 1,1 2,2 3,3", false, {}},
        {"M 0,0 L 1", false, {}},
        {"10,10", false, {}},
    };
    for (const Case &c : cases) {
        bool ok = !c.ok;
        const QPainterPath path = parseSvgPath(QString::fromLatin1(c.data), &ok);
        EXPECT_EQ(ok, c.ok) << c.data;
        QList<QPointF> points;
        for (int i = 0; i < path.elementCount(); ++i)
            points.append(QPointF(path.elementAt(i)));
        EXPECT_EQ(points, c.points) << c.data;
    }
}

TEST(DepartmentDrawing, RefusesADamagedDocument) {
    const struct {
        const char *svg;
        const char *fault;
    } cases[] = {
        {R"(<svg viewBox="0 0 10 10"><path id="2C" d="m 0,0 1,0 z"/></svg>)", "2C"},
        {R"(<svg viewBox="0 0 10 10"><path id="00" d="m 0,0 1,0 z"/></svg>)", "00"},
        {R"(<svg viewBox="0 0 10 10"><path id="01" d="m 0,0 c 1,0 z"/></svg>)", "outline"},
        {R"(<svg viewBox="0 0 10 10"><path id="01" d="m 0,0 1,0 z"/><path id="01" d="m 0,0 1,0 z"/></svg>)",
         "twice"},
        {R"(<svg><path id="01" d="m 0,0 1,0 z"/></svg>)", "viewBox"},
        {R"(<svg viewBox="0 0 10 10"><path id="01" d="m 0,0 1,0 z">)", "end"},
    };
    for (const auto &c : cases) {
        QString error;
        const DepartmentAtlas atlas = DepartmentAtlas::fromSvg(c.svg, &error);
        EXPECT_TRUE(atlas.shapes().isEmpty()) << c.svg;
        EXPECT_TRUE(error.contains(QLatin1String(c.fault), Qt::CaseInsensitive))
            << c.svg << " -> " << error.toStdString();
    }
}

TEST(DepartmentDrawing, HasEveryMetropolitanDepartmentWithItsLabelInside) {
    const DepartmentAtlas &france = DepartmentAtlas::france();
    ASSERT_EQ(france.shapes().size(), 96);
    for (int label = 1; label <= 99; ++label)
        EXPECT_EQ(france.shape(label) != nullptr, label != 20 && label <= 97) << label;
    EXPECT_EQ(france.shape(96)->name, QStringLiteral("Corse-du-Sud"));

    // Every label lies on its own department (the Paris ones in the inset), and no two
    // labels cover each other.
    MapDepartments shown;
    DepartmentMapView view(shown);
    QList<QRect> placed;
    QList<int> placedLabels;
    for (int label = 1; label <= 97; ++label) {
        QLabel *dep = view.Dep[label];
        if (!france.shape(label)) {
            EXPECT_TRUE(dep->isHidden()) << label;
            continue;
        }
        EXPECT_FALSE(dep->isHidden()) << label;
        const QRect box = dep->geometry();
        EXPECT_TRUE(view.rect().contains(box)) << label;
        const bool inset = label == 75 || label == 92 || label == 93 || label == 94;
        EXPECT_EQ(view.insetFrame().contains(QRectF(box)), inset) << label;
        for (int other = 0; other < placed.size(); ++other)
            EXPECT_FALSE(placed[other].intersects(box))
                << label << " covers " << placedLabels[other];
        placed.append(box);
        placedLabels.append(label);
    }
    EXPECT_TRUE(view.Dep[0]->isHidden() && view.Dep[98]->isHidden() && view.Dep[99]->isHidden());
}

TEST(DepartmentDrawing, FillsWorkedDepartmentsLightGreenOnThePicture) {
    MapDepartments shown;
    MapDepartments::Worked worked{};
    worked[29] = worked[75] = worked[96] = true;
    shown.show(worked, QStringLiteral("7"), QStringLiteral("SSB"));
    DepartmentMapView view(shown);
    // The picture alone, without the labels over it.
    QImage image(view.size(), QImage::Format_RGB32);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    for (int label : {29, 75, 96, 13, 67, 22}) {
        const QPoint at = view.departmentCentre(label).toPoint();
        EXPECT_EQ(QColor(image.pixel(at)),
                  worked[size_t(label)] ? colors::departmentWorked() : QColor(Qt::white))
            << label;
    }
}

TEST_F(DepartmentsMap, OpensOnTheSavedBandAndModeWithTheReference) {
    struct Case {
        const char *band, *mode; // saved indexes, null when never saved
        const char *shownBand, *shownMode;
    };
    // In this order: nothing saved yet comes first.
    const Case cases[] = {
        {nullptr, nullptr, "3.5", "SSB"}, {"4", "1", "14", "CW"}, {"8", "0", "28", "SSB"},
        {"9", "0", "1.8", "SSB"}, // 50 MHz, chosen last in the entry window
        {"10", "7", "1.8", "SSB"},
    };
    for (const Case &c : cases) {
        if (c.band)
            settings.write(keys::bandeActivite, QString::fromLatin1(c.band));
        if (c.mode)
            settings.write(keys::modeActivite, QString::fromLatin1(c.mode));
        MapWindowOpener mapOpener(*(window ? window.get() : &open()), services);
        Carte_Acti *map = mapOpener.open();
        EXPECT_EQ(map->Bande_A->currentText(), QLatin1String(c.shownBand)) << c.band;
        EXPECT_EQ(map->Mode_AX->currentText(), QLatin1String(c.shownMode)) << c.mode;
        EXPECT_EQ(map->Bande_A->count(), 9);
        EXPECT_EQ(map->Label4->text(), QStringLiteral("DFCF-21-001"));
        EXPECT_EQ(map->windowTitle(), QStringLiteral("Carte des départements contactés"));
    }
}

TEST_F(DepartmentsMap, AfficherPaintsTheChosenBandAndModeOnlyAndCounts) {
    settings.write(keys::bandeActivite, QStringLiteral("4")); // the entry window is on 14 MHz
    Carte_Acti &map = openMap(sampleLog);
    // The entry window painted its band when it opened: the map shows that painting.
    EXPECT_EQ(greenLabels(map.Dep), (std::vector<int>{13}));
    EXPECT_EQ(map.NB_Dep->text(), QStringLiteral("1"));

    map.Bande_A->setCurrentIndex(0); // 1.8
    QTest::mouseClick(map.Afficher, Qt::LeftButton);
    // 2A and 2a are one label; "00" paints nothing that shows and is not counted; "20" is.
    EXPECT_EQ(greenLabels(map.Dep), (std::vector<int>{20, 75, 96}));
    EXPECT_EQ(map.NB_Dep->text(), QStringLiteral("3"));
    EXPECT_EQ(map.Bande_Affichee->text(), QStringLiteral("1.8 MHz"));
    // The entry window's strip keeps its own band.
    EXPECT_EQ(backgroundOf(child<QLabel>(QStringLiteral("Dpt_13"))), colors::departmentWorked());
    EXPECT_NE(backgroundOf(child<QLabel>(QStringLiteral("Dpt_75"))), colors::departmentWorked());

    map.Mode_AX->setCurrentIndex(1);
    QTest::mouseClick(map.Afficher, Qt::LeftButton);
    EXPECT_EQ(greenLabels(map.Dep), (std::vector<int>{33}));

    // A band typed into the box and confirmed with Enter is shown too.
    map.Mode_AX->setCurrentIndex(0);
    map.Bande_A->setEditText(QString());
    QTest::keyClicks(map.Bande_A->lineEdit(), QStringLiteral("3.5"));
    QTest::keyClick(map.Bande_A->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(greenLabels(map.Dep), (std::vector<int>{29}));
    map.Mode_AX->setCurrentIndex(1);
    map.Bande_A->setCurrentIndex(0);
    map.Afficher->click();

    // An emptied band box is refused and nothing changes.
    map.Bande_A->setEditText(QString());
    QTest::mouseClick(map.Afficher, Qt::LeftButton);
    EXPECT_EQ(dialogs.last(), QStringLiteral("Selectionnez une bande"));
    EXPECT_EQ(greenLabels(map.Dep), (std::vector<int>{33}));
    EXPECT_EQ(map.NB_Dep->text(), QStringLiteral("1"));
    EXPECT_EQ(dialogs.shown().size(), 1u);
}

TEST_F(DepartmentsMap, EmptyLogCountsNothing) {
    Carte_Acti &map = openMap();
    QTest::mouseClick(map.Afficher, Qt::LeftButton);
    EXPECT_EQ(map.NB_Dep->text(), QStringLiteral("0"));
    EXPECT_TRUE(greenLabels(map.Dep).empty());
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DepartmentsMap, FollowsEveryChangeOfTheLogOpenOrClosed) {
    settings.write(keys::bandeActivite, QStringLiteral("4"));
    Carte_Acti *map = &openMap(sampleLog);
    Carte_Acti *first = map;
    EXPECT_EQ(&openMap(), first); // asked again: the same window, in front

    // A QSO validated in the entry window shows on the open map at once.
    window->activateWindow();
    window->Indi_Q->setFocus();
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("67"));
    EXPECT_EQ(greenLabels(map->Dep), (std::vector<int>{13, 67}));
    EXPECT_EQ(map->NB_Dep->text(), QStringLiteral("2"));

    // Closed, the map is still kept up to date, and shows it when opened again.
    map->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->Indi_Q->setFocus();
    logQso(QStringLiteral("F4AAA"), QStringLiteral("2b"));
    EXPECT_EQ(window->departments().mapDepartments().count(), 3);
    map = &openMap();
    EXPECT_EQ(greenLabels(map->Dep), (std::vector<int>{13, 67, 97}));
    EXPECT_EQ(map->NB_Dep->text(), QStringLiteral("3"));
}

TEST_F(DepartmentsMap, SavesThePictureAsPngOrSaysWhyNot) {
    Carte_Acti &map = openMap(sampleLog);
    map.Bande_A->setCurrentIndex(0);
    map.Afficher->click();

    const QString target = path(QStringLiteral("carte.png"));
    files.setNextAnswer(target);
    QTest::mouseClick(map.Enregistre_Image, Qt::LeftButton);
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].proposedPath,
              path(QStringLiteral("DFCF-21-001_Departements_1.8_SSB.png")));
    EXPECT_EQ(files.requests[0].caption, QStringLiteral("Enregistrer l'image"));
    QImage saved;
    ASSERT_TRUE(saved.load(target, "PNG"));
    EXPECT_EQ(saved.width(), map.Picture1->width());
    EXPECT_GT(saved.height(), map.Picture1->height());
    EXPECT_EQ(saved.copy(0, saved.height() - map.Picture1->height(), saved.width(),
                         map.Picture1->height()),
              map.picture().copy(0, saved.height() - map.Picture1->height(), saved.width(),
                                 map.Picture1->height()));
    EXPECT_TRUE(dialogs.shown().empty());

    // A cancelled dialog writes nothing; a folder that cannot be written to is reported and
    // the picture saved before stays as it was.
    const QByteArray before = bytes(target);
    EXPECT_FALSE(map.Enregistre_Image_Click());
    files.setNextAnswer(path(QStringLiteral("absent/carte.png")));
    EXPECT_FALSE(map.Enregistre_Image_Click());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_FALSE(dialogs.last().isEmpty());
    EXPECT_EQ(bytes(target), before);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("absent/carte.png"))));
}
