#include "core/adif/ReferenceShapes.h"
#include "core/station/ClusterFeed.h"
#include "core/station/PotaSpots.h"
#include "core/station/SpotLine.h"
#include "core/station/SpotList.h"

#include <gtest/gtest.h>

#include "support/QStringPrint.h"

#include <QFile>
#include <QTimeZone>

using namespace zep;
using namespace zep::spots;

namespace {

QByteArrayList sampleLines() {
    QFile file(QStringLiteral(ZEP_SPOT_SAMPLES "/nodes.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().split('\n');
}

} // namespace

TEST(SpotLine, NodeProgramsLinesAreReadInTheirColumnVariants) {
    struct Case {
        const char *spotter;
        double kHz;
        const char *call, *comment;
        int minutes;
        const char *locator;
    };
    // The lines of tests/data/spots/nodes.txt, in order; the last four are no spots.
    const Case cases[] = {
        {"JE7ETY", 3525.0, "E51DWC", "cq up", 9 * 60 + 17, ""},
        {"W3LPL", 3525.1, "E51DWC", "Heard in WA", 9 * 60 + 19, "FM19"},
        {"BG8NUD", 7014.2, "CX2AQ", "QSX 7015.20 CW", 9 * 60 + 23, "OL36"},
        {"PA5XMM", 18082.0, "A61Q", "", 9 * 60 + 22, ""},
        {"EI55WAW", 7046.5, "EI55WAW", "ses rtty", 16 * 60 + 4, ""},
        {"ON7WN", 7093.0, "OT6V/P", "onff 0230 : Rene", 10 * 60 + 1, ""},
        {"HL2WA", 7026.0, "9M2PUL", "tnx QSO", 10 * 60 + 2, ""},
        {"EA5WU-#", 14049.6, "G4LEM", "CW    14 dB  18 WPM  CQ", 9 * 60 + 16, ""},
        {"ON5KQ-1-#", 7019.0, "IZ5CPK", "CW    20 dB  26 WPM  CQ", 9 * 60 + 15, ""},
        // The spotter's state after the time is no locator; the spotted's in the comment stays.
        {"K5TDA-#", 7043.7, "KA4EET", "CW 13 dB 17 WPM CQ          FL", 36, ""},
        {"NO1D-#", 7028.0, "N5DY", "CW 27 dB 27 WPM CQ       OK-OK", 24, ""},
    };
    const QByteArrayList lines = sampleLines();
    ASSERT_GE(lines.size(), std::size(cases) + 4);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(lines[qsizetype(i)].toStdString());
        const std::optional<Spot> spot = parseSpotLine(lines[qsizetype(i)]);
        ASSERT_TRUE(spot);
        EXPECT_EQ(spot->spotter, QLatin1String(cases[i].spotter));
        EXPECT_DOUBLE_EQ(spot->kHz, cases[i].kHz);
        EXPECT_EQ(spot->call, QLatin1String(cases[i].call));
        EXPECT_EQ(spot->comment, QLatin1String(cases[i].comment));
        EXPECT_EQ(spot->utcMinutes, cases[i].minutes);
        EXPECT_EQ(spot->locator, QLatin1String(cases[i].locator));
    }
    for (qsizetype i = qsizetype(std::size(cases)); i < lines.size(); ++i)
        EXPECT_FALSE(parseSpotLine(lines[i])) << lines[i].toStdString();
}

TEST(SpotLine, DamagedOrForeignLinesAreNoSpots) {
    const char *lines[] = {
        "",
        "DX de",
        "DX de F4ABC:",
        "DX de F4ABC:  abc  F5XYZ  cq  1200Z",      // no frequency
        "DX de F4ABC:  14.285.0  F5XYZ  cq  1200Z", // two points
        "DX de F4ABC:  99.0  F5XYZ  cq  1200Z",     // below 100 kHz
        "DX de F4ABC:  14285.0  HELLO  cq  1200Z",  // no call sign
        "DX de F4ABC:  14285.0  F5XYZ  cq  2460Z",  // no time of day
        "DX de F4ABC:  14285.0  F5XYZ  cq",         // no time at all
        "DXde F4ABC:  14285.0  F5XYZ  cq  1200Z",
        "DX de F4ABC\f:  14285.0  F5XYZ  cq  1200Z",        // a control in the spotter
        "To ALL de F4ABC: DX de F5XYZ 14285.0 F6ABC 1200Z", // talk quoting a spot
    };
    for (const char *line : lines)
        EXPECT_FALSE(parseSpotLine(line)) << line;
    // Bells and a glued colon, as some nodes send them; a six-character locator is ADIF's case.
    const std::optional<Spot> spot =
        parseSpotLine("\aDX de W3LPL-2:14025.0 ja1abc  up 2  2359Z jn18DU\a\a\r");
    ASSERT_TRUE(spot);
    EXPECT_EQ(spot->spotter, QStringLiteral("W3LPL-2"));
    EXPECT_EQ(spot->call, QStringLiteral("JA1ABC"));
    EXPECT_EQ(spot->comment, QStringLiteral("up 2"));
    EXPECT_EQ(spot->locator, QStringLiteral("JN18du"));
}

TEST(SpotLine, ModeComesFromTheCommentElseTheSubBand) {
    const std::tuple<const char *, double, const char *> cases[] = {
        {"CW 14 dB 18 WPM CQ", 7019.0, "CW"},
        {"FT8 -12 dB", 14074.0, "FT8"},
        {"usb 59", 14074.0, "SSB"},
        {"ses rtty", 7046.5, "RTTY"},
        {"tnx qso", 14025.0, "CW"},       // CW part of 20 m
        {"tnx qso", 14285.0, "SSB"},      // phone part of 20 m
        {"tnx qso", 145500.0, "FM"},      // FM part of 2 m
        {"tnx qso", 14074.0, ""},         // digital window: no word, no mode
        {"JN18CW2 nice", 14285.0, "SSB"}, // "CW" inside a word is no mode
        {"", 10115.0, "CW"},
    };
    for (const auto &[comment, kHz, mode] : cases)
        EXPECT_EQ(modeOf(QString::fromLatin1(comment), kHz), QLatin1String(mode))
            << comment << " " << kHz;
}

TEST(ReferenceShapes, CommentsNameReferencesOfEveryProgramme) {
    const QStringList programmes{QStringLiteral("DFCF"), QStringLiteral("DIFM")};
    const std::pair<const char *, std::vector<std::pair<adif::Scheme, const char *>>> cases[] = {
        {"POTA K-0817 cq", {{adif::Scheme::Pota, "K-0817"}}},
        {"pota us-12345 p2p", {{adif::Scheme::Pota, "US-12345"}}},
        {"wwff onff-0230 : Rene", {{adif::Scheme::Wwff, "ONFF-0230"}}},
        {"SOTA F/AM-001 and FFF-0123",
         {{adif::Scheme::Sota, "F/AM-001"}, {adif::Scheme::Wwff, "FFF-0123"}}},
        {"DFCF 76054 SSB", {{adif::Scheme::Other, "DFCF 76054"}}},
        {"dfcf76054 + difm-ma-012", {{adif::Scheme::Other, "DFCF 76054"}}},
        {"DIFM MA-012", {}}, // the number is digits
        {"DFCF-21-001", {{adif::Scheme::Other, "DFCF-21-001"}}},
        {"F-0123 F-0123", {{adif::Scheme::Pota, "F-0123"}}}, // once
        {"F5XYZ K-0817/P", {}},                              // call signs, not references
        {"onff 0230", {}},                                   // the hyphen is the shape
        {"DFCF 7", {}},                                      // one digit is no number
        {"XDFCF 76054", {}},                                 // inside a longer word
        {"éK-0817", {{adif::Scheme::Pota, "K-0817"}}},
    };
    for (const auto &[text, expected] : cases) {
        QList<adif::FoundReference> want;
        for (const auto &[scheme, reference] : expected)
            want.append({scheme, QString::fromLatin1(reference)});
        EXPECT_EQ(adif::findReferences(QString::fromUtf8(text), programmes), want) << text;
    }
    // Whatever the comment's length, a bounded number of references.
    EXPECT_EQ(adif::findReferences(QStringLiteral("K-0001 ").repeated(100)).size(), 1);
    QString many;
    for (int i = 0; i < 50; ++i)
        many += QStringLiteral("K-%1 ").arg(1000 + i);
    EXPECT_EQ(adif::findReferences(many).size(), adif::maxFoundReferences);
}

TEST(LineSplitter, LinesAreCutAnywhereAndLongOnesSkippedToTheirEnd) {
    const QByteArray stream = "one\r\ntwo\n\r\n" + QByteArray(1500, 'x') + "\r\nthree\rfour";
    for (qsizetype piece : {1, 2, 7, 4096}) {
        LineSplitter splitter(1024);
        QByteArrayList lines;
        qsizetype mostHeld = 0;
        for (qsizetype at = 0; at < stream.size(); at += piece) {
            splitter.feed(QByteArrayView(stream).sliced(at, std::min(piece, stream.size() - at)),
                          [&lines](QByteArrayView l) { lines.append(l.toByteArray()); });
            mostHeld = std::max(mostHeld, splitter.held());
        }
        EXPECT_EQ(lines, (QByteArrayList{"one", "two", "three"})) << piece;
        EXPECT_EQ(splitter.skipped(), 1);
        EXPECT_LE(mostHeld, 1024);
        EXPECT_EQ(splitter.held(), 4); // "four", waiting for its end
    }
}

TEST(SpotList, KeepsTheNewestWithinItsBoundsAndOneSpotPerStation) {
    SpotList list(3, 60'000);
    const auto spot = [](const char *call, double kHz, qint64 seen, const char *reference = "") {
        Spot s;
        s.call = QLatin1String(call);
        s.kHz = kHz;
        s.seenMs = seen;
        s.reference = QLatin1String(reference);
        return s;
    };
    list.add(spot("F4AAA", 14285, 1000, "K-0817"));
    list.add(spot("F4BBB", 7100, 2000));
    list.add(spot("F4AAA", 14287, 3000)); // again, 2 kHz up: one station, its reference kept
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.spots().back().call, QStringLiteral("F4AAA"));
    EXPECT_EQ(list.spots().back().reference, QStringLiteral("K-0817"));
    list.add(spot("F4BBB", 7100, 2000, "K-0001")); // read again, no newer: nothing changes
    EXPECT_EQ(list.spots().front().reference, QString());
    list.add(spot("F4AAA", 7150, 4000)); // another band: another spot
    list.add(spot("F4CCC", 3650, 5000));
    list.add(spot("F4DDD", 3660, 3500)); // older than the last: in its place by time
    list.add(spot("F4EEE", 3670, 6000));
    ASSERT_EQ(list.size(), 3); // the oldest went
    QStringList order;
    for (const Spot &s : list.spots())
        order.append(s.call);
    EXPECT_EQ(order, (QStringList{"F4AAA", "F4CCC", "F4EEE"}));
    EXPECT_DOUBLE_EQ(list.spots().front().kHz, 7150);
    EXPECT_FALSE(list.expire(64'000));
    EXPECT_TRUE(list.expire(64'001));
    EXPECT_EQ(list.size(), 2);
    EXPECT_TRUE(list.expire(1'000'000));
    EXPECT_EQ(list.size(), 0);
}

TEST(SpotList, RowsShowStateAgainstTheLogAndFollowTheFilters) {
    const QStringList bands{"1.8", "3.5", "7", "10", "14", "18", "21", "24", "28", "50", "144"};
    SpotList list;
    const auto add = [&list](const char *call, double kHz, const char *mode, const char *ref) {
        Spot s;
        s.call = QLatin1String(call);
        s.kHz = kHz;
        s.mode = QLatin1String(mode);
        s.reference = QLatin1String(ref);
        list.add(s);
    };
    add("F4AAA", 14285, "SSB", "");
    add("F4BBB", 14025, "CW", "K-0817");
    add("F4CCC", 7100, "SSB", "DFCF 76054");
    add("F4DDD", 14074, "", "");
    add("F4EEE", 5000, "", ""); // outside every band of the box
    const WorkedSet worked{workedKey("F4AAA", "14", "SSB"), workedKey("F4CCC", "7", "CW"),
                           workedKey("F4DDD", "14", "CW")};
    const auto calls = [&](const SpotFilter &f, const QString &mode = QStringLiteral("CW")) {
        QStringList out;
        for (const SpotRow &r : visibleRows(list, f, worked, bands, mode))
            out.append(r.spot.call + QLatin1Char(':') + QString::number(int(r.state)) +
                       QLatin1Char(':') + r.band);
        return out;
    };
    // Newest first; worked on the same band and mode only; a spot without a mode takes the
    // mode box's; an activator shows as one until worked.
    EXPECT_EQ(calls({}),
              (QStringList{"F4EEE:0:", "F4DDD:1:14", "F4CCC:2:7", "F4BBB:2:14", "F4AAA:1:14"}));
    EXPECT_EQ(calls({}, QStringLiteral("SSB"))[1], QStringLiteral("F4DDD:0:14"));
    EXPECT_EQ(calls({QStringLiteral("14"), false, {}}),
              (QStringList{"F4DDD:1:14", "F4BBB:2:14", "F4AAA:1:14"}));
    EXPECT_EQ(calls({{}, true, {}}), (QStringList{"F4CCC:2:7", "F4BBB:2:14"}));
    EXPECT_EQ(calls({QStringLiteral("14"), true, QStringLiteral("cw")}),
              (QStringList{"F4BBB:2:14"}));
}

TEST(ClusterFeed, LogsInListensAndAnswersAnnouncementsWhateverTheCuts) {
    const QByteArray node =
        "Welcome\r\n\xff\xfb\x01login: F4ABC\r\nHello F4ABC\r\n"
        "F4ABC de GB7XYZ 10-Dec-2026 1200Z dxspider >\r\n"
        "DX de W3LPL:      3525.1  E51DWC       Heard in WA   0919Z FM19\a\a\r\n"
        "To ALL de F5XYZ: hello\r\n"
        "DX de EA5WU-#:   14049.6  G4LEM   CW 14 dB 18 WPM CQ  0916Z\r\n";
    for (qsizetype piece : {1, 3, 16, 1024}) {
        cluster::FeedSession session(QStringLiteral("f4abc "));
        QByteArray sent;
        QStringList calls;
        for (qsizetype at = 0; at < node.size(); at += piece) {
            const auto step = session.received(
                QByteArrayView(node).sliced(at, std::min(piece, node.size() - at)));
            sent += step.send;
            EXPECT_FALSE(step.failure);
            for (const Spot &s : step.spots)
                calls.append(s.call);
        }
        EXPECT_EQ(sent, QByteArray("\xff\xfe\x01"
                                   "F4ABC\r\n",
                                   10))
            << piece;
        EXPECT_TRUE(session.loggedIn());
        EXPECT_EQ(calls, (QStringList{"E51DWC", "G4LEM"}));
        QByteArray dx;
        ASSERT_TRUE(session.announce({14285.0, "F4ABC", "DFCF 76054 SSB"}, dx));
        EXPECT_EQ(dx, "DX 14285.0 F4ABC DFCF 76054 SSB\r\n");
        const auto echo = session.received("DX 14285.0 F4ABC DFCF 76054 SSB\r\nDX de F4ABC:  "
                                           "14285.0  F4ABC  DFCF 76054 SSB  1201Z\a\a\r\n");
        ASSERT_TRUE(echo.answer);
        EXPECT_TRUE(echo.answer->answered);
        EXPECT_TRUE(echo.answer->text.startsWith(QStringLiteral("DX de F4ABC")));
        EXPECT_FALSE(echo.answer->text.contains(QLatin1Char('\a')));
        EXPECT_EQ(echo.spots.size(), 1);
    }
}

TEST(ClusterFeed, PasswordsAndFloodsAreRefusedOrBounded) {
    cluster::FeedSession asked(QStringLiteral("F4ABC"));
    EXPECT_EQ(asked.received("call: ").send, "F4ABC\r\n");
    const auto refused = asked.received("password: ");
    ASSERT_TRUE(refused.failure);
    EXPECT_EQ(*refused.failure, QStringLiteral("le cluster demande un mot de passe"));

    // Not logged in: nothing is announced.
    QByteArray dx;
    EXPECT_FALSE(
        cluster::FeedSession(QStringLiteral("F4ABC")).announce({14285.0, "F4ABC", ""}, dx));

    cluster::FeedSession flooded(QStringLiteral("F4ABC"));
    flooded.received("login:");
    const QByteArray line = "DX de W3LPL:  3525.1  E51DWC  x  0919Z\r\n";
    qsizetype spots = 0, mostKept = 0;
    for (int i = 0; i < 2000; ++i) {
        spots += flooded.received(line + QByteArray(3000, 'y')).spots.size();
        mostKept = std::max(mostKept, flooded.keptLength());
    }
    EXPECT_EQ(spots, 1); // the endless line after the first spot is skipped
    EXPECT_LE(mostKept, cluster::maxLineLength);
}

TEST(ClusterFeed, BackOffDoublesFromTwoSecondsToTwoMinutes) {
    const int expected[] = {2, 4, 8, 16, 32, 64, 120, 120, 120};
    for (int attempt = 1; attempt <= 9; ++attempt)
        EXPECT_EQ(cluster::reconnectDelaySeconds(attempt), expected[attempt - 1]);
    EXPECT_EQ(cluster::reconnectText(8), QStringLiteral("Cluster : reconnexion dans 8 s"));
}

TEST(PotaSpots, TheSpotListIsReadAndDamagedAnswersRefused) {
    const QByteArray body = R"([
      {"spotId": 24573134, "activator": "k8abc", "frequency": "7061.0", "mode": "CW",
       "reference": "US-1234", "parkName": "A park", "spotTime": "2026-12-10T12:52:16",
       "spotter": "WE9V-#", "comments": "RBN 19 dB 21 WPM via WE9V-#", "source": "RBN",
       "invalid": null, "name": "A park", "locationDesc": "US-OH", "grid4": "EN80"},
      {"activator": "F4ABC", "frequency": 14285, "mode": "USB", "reference": "FR-0001",
       "spotTime": "garbage", "spotter": "F5XYZ", "comments": "qrt\u0007soon"},
      {"activator": "", "frequency": "7061.0"},
      {"activator": "F4ABC", "frequency": "vingt"},
      "not an object"
    ])";
    const qint64 now =
        QDateTime(QDate(2026, 12, 10), QTime(13, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    QString error;
    const std::optional<QList<Spot>> spots = parsePotaSpots(body, now, &error);
    ASSERT_TRUE(spots) << error.toStdString();
    ASSERT_EQ(spots->size(), 2);
    const Spot &a = spots->at(0);
    EXPECT_EQ(a.source, Source::Pota);
    EXPECT_EQ(a.call, QStringLiteral("K8ABC"));
    EXPECT_DOUBLE_EQ(a.kHz, 7061.0);
    EXPECT_EQ(a.mode, QStringLiteral("CW"));
    EXPECT_EQ(a.reference, QStringLiteral("US-1234"));
    EXPECT_EQ(a.spotter, QStringLiteral("WE9V-#"));
    EXPECT_EQ(a.utcMinutes, 12 * 60 + 52);
    EXPECT_EQ(a.seenMs, now - (7 * 60 + 44) * 1000);
    const Spot &b = spots->at(1);
    EXPECT_EQ(b.mode, QStringLiteral("SSB"));
    EXPECT_EQ(b.seenMs, now);
    EXPECT_EQ(b.comment, QStringLiteral("qrt soon"));

    for (const QByteArray &bad : {QByteArray("{\"a\": 1}"), QByteArray("[{\"activator\": "),
                                  QByteArray(), QByteArray("[") + QByteArray(potaMaxAnswer, ' ')}) {
        error.clear();
        EXPECT_FALSE(parsePotaSpots(bad, now, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(PotaSpots, SelfSpotBodyAndAnswersAndAddress) {
    const SelfSpot spot{" f4abc/p", "F4ABC", 14285.04, "fr-0001", "ssb", " DFCF 76054 "};
    const std::optional<SelfSpot> back = readSelfSpotBody(selfSpotBody(spot));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, (SelfSpot{"F4ABC/P", "F4ABC", 14285.0, "FR-0001", "SSB", "DFCF 76054"}));

    EXPECT_EQ(selfSpotAnswer(200, "[]", {}), QStringLiteral("POTA : annonce reçue"));
    EXPECT_EQ(selfSpotAnswer(400, "Invalid reference\nmore", {}),
              QStringLiteral("POTA : erreur 400 (Invalid reference)"));
    EXPECT_EQ(selfSpotAnswer(0, {}, QStringLiteral("connexion refusée")),
              QStringLiteral("POTA : connexion refusée"));

    const std::pair<const char *, const char *> addresses[] = {
        {"https://api.pota.app", "https://api.pota.app"},
        {" http://127.0.0.1:8080/ ", "http://127.0.0.1:8080"},
        {"ftp://api.pota.app", nullptr},
        {"api.pota.app", nullptr},
        {"https://api.pota.app/?x=1", nullptr},
        {"", nullptr},
    };
    for (const auto &[setting, base] : addresses) {
        const std::optional<QString> got = potaBaseAddress(QLatin1String(setting));
        EXPECT_EQ(got.value_or(QStringLiteral("-")),
                  base ? QLatin1String(base) : QLatin1String("-"))
            << setting;
    }
}
