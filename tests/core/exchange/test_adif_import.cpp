// ADIF records mapped to log lines, their statuses against the log, the merged log, the
// first-name memory and the report: each checked against what the rest of the program does
// (the chronological insertion, the memory's own update), not against a copy of the code.

#include "core/adif/AdifReader.h"
#include "core/aids/FirstNames.h"
#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixDxcc.h"
#include "core/countries/PrefixTable.h"
#include "core/exchange/AdifAwardExport.h"
#include "core/exchange/AdifExport.h"
#include "core/exchange/AdifImport.h"
#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "support/QStringPrint.h"
#include "support/QsoLines.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

using namespace zep;
using namespace zep::adifimport;
using zep::testfiles::bytesOf;
using zep::testfiles::put;

namespace {

const Target entryBoxes{{QStringLiteral("1.8"), QStringLiteral("3.5"), QStringLiteral("7"),
                         QStringLiteral("10"), QStringLiteral("14"), QStringLiteral("18"),
                         QStringLiteral("21"), QStringLiteral("24"), QStringLiteral("28"),
                         QStringLiteral("50"), QStringLiteral("144")},
                        {QStringLiteral("SSB"), QStringLiteral("CW")}};

struct Line {
    const char *date, *time, *call, *dept, *name, *rr, *rs, *mode, *band, *remarks;
};

QString lineOf(const Line &l) {
    QsoFields f;
    f.date = QString::fromUtf8(l.date);
    f.time = QString::fromUtf8(l.time);
    f.call = QString::fromUtf8(l.call);
    f.department = QString::fromUtf8(l.dept);
    f.firstName = QString::fromUtf8(l.name);
    f.rstReceived = QString::fromUtf8(l.rr);
    f.rstSent = QString::fromUtf8(l.rs);
    f.mode = QString::fromUtf8(l.mode);
    f.band = QString::fromUtf8(l.band);
    f.remarks = QString::fromUtf8(l.remarks);
    const BuiltLine built = buildQsoLine(f);
    EXPECT_TRUE(built.ok) << built.error.toStdString();
    return built.line;
}

Preview previewOf(const QByteArray &adi, const QByteArray &log = {}) {
    return previewImport(adif::readAdi(adi), log, entryBoxes);
}

/// A record with the usual fields, `extra` added and any field named in `drop` left out.
QByteArray record(const QByteArray &extra = {}, const QList<QByteArray> &drop = {}) {
    const QList<std::pair<QByteArray, QByteArray>> usual = {
        {"CALL", "F1ABC"}, {"QSO_DATE", "20260107"}, {"TIME_ON", "1000"}, {"BAND", "40m"},
        {"MODE", "SSB"},   {"RST_SENT", "59"},       {"RST_RCVD", "57"}};
    QByteArray out;
    for (const auto &[name, value] : usual)
        if (!drop.contains(name))
            out += '<' + name + ':' + QByteArray::number(value.size()) + '>' + value;
    return out + extra + "<EOR>\r\n";
}

} // namespace

TEST(AdifImport, MapsEachFieldToItsColumn) {
    struct Case {
        const char *what;
        QByteArray fields; ///< added to the usual record, a later field of a name losing
        QList<QByteArray> drop;
        Line expected;
        const char *note; ///< a note the item must carry, "" for none
    };
    const Case cases[] = {
        {"every field, lower-case call, seconds, submode, UTF-8 name, Corsica",
         "<MODE:3>SSB<SUBMODE:3>USB<NAME:6>Herv\xC3\xA9<STATE:2>2b<COMMENT:9>merci 73!",
         {"CALL", "TIME_ON", "MODE"},
         {"07/01/26", "10:15", "TK5ABC", "2B", "Hervé", "57", "59", "SSB", "7", "MERCI 73!"},
         ""},
        {"frequency when the band is absent",
         "<FREQ:6>14.074",
         {"BAND"},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "SSB", "14", ""},
         ""},
        {"frequency with a decimal comma",
         "<FREQ:5>7,150",
         {"BAND"},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "SSB", "7", ""},
         ""},
        {"an old program's USB as mode",
         "<MODE:3>USB",
         {"MODE"},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "SSB", "7", ""},
         ""},
        {"LSB as submode",
         "<MODE:3>SSB<SUBMODE:3>LSB",
         {"MODE"},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "SSB", "7", ""},
         ""},
        {"a mode the box takes typed, and a submode that fits the column",
         "<MODE:4>MFSK<SUBMODE:3>FT4",
         {"MODE"},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "FT4", "7", ""},
         ""},
        {"CW on 160m",
         "<MODE:2>cw<BAND:4>160M",
         {"MODE", "BAND"},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "CW", "1.8", ""},
         ""},
        {"Windows-1252 name",
         "<NAME:4>Ren\xE9",
         {},
         {"07/01/26", "10:00", "F1ABC", "", "René", "57", "59", "SSB", "7", ""},
         ""},
        {"name outside the code page",
         "<NAME:7>\xC5\x81ukasz",
         {},
         {"07/01/26", "10:00", "F1ABC", "", "Lukasz", "57", "59", "SSB", "7", ""},
         "« Łukasz » transcrit en « Lukasz »"},
        {"name too long",
         "<NAME:20>Jean-Christophe Marc",
         {},
         {"07/01/26", "10:00", "F1ABC", "", "Jean-Christophe", "57", "59", "SSB", "7", ""},
         "prénom : « Jean-Christophe Marc » coupé en « Jean-Christophe »"},
        {"remarks too long",
         "<COMMENT:35>activation du chateau de Vougeot 73",
         {},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "SSB", "7",
          "ACTIVATION DU CHATEAU DE VOUGE"},
         "coupé en « activation du chateau de Vouge »"},
        {"report too long",
         "<RST_SENT:4>5999",
         {"RST_SENT"},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "599", "SSB", "7", ""},
         "report envoyé : « 5999 » coupé en « 599 »"},
        {"department of a French station",
         "<STATE:2>75",
         {},
         {"07/01/26", "10:00", "F1ABC", "75", "", "57", "59", "SSB", "7", ""},
         ""},
        {"department 00",
         "<STATE:2>00",
         {},
         {"07/01/26", "10:00", "F1ABC", "00", "", "57", "59", "SSB", "7", ""},
         ""},
        {"state that is no department",
         "<STATE:3>971",
         {},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "SSB", "7", ""},
         "département « 971 » non repris"},
        {"state of a station abroad",
         "<CALL:6>DL1ABC<STATE:2>BY",
         {"CALL"},
         {"07/01/26", "10:00", "DL1ABC", "", "", "57", "59", "SSB", "7", ""},
         ""},
        {"entity given: a French call abroad",
         "<DXCC:3>291<STATE:2>75",
         {},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "SSB", "7", ""},
         ""},
    };
    for (const Case &c : cases) {
        QByteArray fields = c.fields;
        if (c.drop.contains("CALL") && !fields.contains("<CALL"))
            fields += "<CALL:6>tk5abc";
        if (c.drop.contains("TIME_ON"))
            fields += "<TIME_ON:6>101530";
        const Preview p = previewOf(record(fields, c.drop));
        ASSERT_EQ(p.items.size(), 1) << c.what;
        const Item &item = p.items.front();
        EXPECT_EQ(item.status, Status::ToImport) << c.what << ": " << item.reason.toStdString();
        EXPECT_EQ(item.qsoLine, lineOf(c.expected)) << c.what;
        const QString notes = item.notes.join(QLatin1Char('|'));
        if (*c.note)
            EXPECT_TRUE(notes.contains(QString::fromUtf8(c.note)))
                << c.what << ": " << notes.toStdString();
        else
            EXPECT_TRUE(notes.isEmpty()) << c.what << ": " << notes.toStdString();
    }
}

TEST(AdifImport, IgnoresWhatTheLogCannotHoldAndSaysWhy) {
    struct Case {
        const char *what;
        QByteArray fields;
        QList<QByteArray> drop;
        const char *reason;
    };
    const Case cases[] = {
        {"no call", {}, {"CALL"}, "pas d'indicatif"},
        {"call of 13 characters",
         "<CALL:13>F1ABC/P/QRPP1",
         {"CALL"},
         "indicatif de plus de 12 caractères"},
        {"blank inside the call", "<CALL:6>F1 ABC", {"CALL"}, "caractère non admis"},
        {"no date", {}, {"QSO_DATE"}, "date absente"},
        {"31 February", "<QSO_DATE:8>20260231", {"QSO_DATE"}, "date « 20260231 » impossible"},
        {"date in another shape", "<QSO_DATE:10>2026-01-07", {"QSO_DATE"}, "impossible"},
        {"year the log cannot write", "<QSO_DATE:8>19491231", {"QSO_DATE"}, "hors des années"},
        {"no time", {}, {"TIME_ON"}, "heure absente"},
        {"24:00", "<TIME_ON:4>2400", {"TIME_ON"}, "heure « 2400 » impossible"},
        {"time of three digits", "<TIME_ON:3>100", {"TIME_ON"}, "impossible"},
        {"band without a row", "<BAND:3>60m", {"BAND"}, "bande 60m absente de la liste"},
        {"band unknown to ADIF", "<BAND:3>41m", {"BAND"}, "bande « 41m » inconnue"},
        {"neither band nor frequency", {}, {"BAND"}, "bande et fréquence absentes"},
        {"frequency outside every band", "<FREQ:3>8.0", {"BAND"}, "hors des bandes"},
        {"frequency that is no number", "<FREQ:3>abc", {"BAND"}, "illisible"},
        {"mode longer than the log's column",
         "<MODE:6>OLIVIA",
         {"MODE"},
         "mode OLIVIA : le log n'en garde que 4"},
        {"no mode", {}, {"MODE"}, "mode absent"},
        {"several faults at once", {}, {"CALL", "QSO_DATE"}, "pas d'indicatif ; date absente"},
    };
    for (const Case &c : cases) {
        const Preview p = previewOf(record(c.fields, c.drop));
        ASSERT_EQ(p.items.size(), 1) << c.what;
        EXPECT_EQ(p.items[0].status, Status::Ignored) << c.what;
        EXPECT_TRUE(p.items[0].reason.contains(QString::fromUtf8(c.reason)))
            << c.what << ": " << p.items[0].reason.toStdString();
        EXPECT_TRUE(p.items[0].qsoLine.isEmpty()) << c.what;
    }
}

TEST(AdifImport, ComparesWithTheLogAndWithTheRecordsBefore) {
    const QByteArray log = zep::testing::logBytesOf(
        {lineOf({"07/01/26", "10:00", "F1ABC", "", "Jean", "59", "59", "SSB", "7", ""})});
    const QByteArray file = record() +                               // the same QSO
                            record("<TIME_ON:4>1100", {"TIME_ON"}) + // again later
                            record("<BAND:3>20m", {"BAND"}) +        // another band
                            record("<CALL:5>G4XYZ", {"CALL"}) +      // new
                            record("<CALL:5>G4XYZ", {"CALL"}) +      // twice in the file
                            record("<CALL:5>G4XYZ<TIME_ON:4>1200", {"CALL", "TIME_ON"}) +
                            record("", {"CALL"}); // no call
    const Preview p = previewOf(file, log);
    const QList<std::pair<Status, QString>> expected = {
        {Status::AlreadyInLog, QStringLiteral("même QSO dans le log")},
        {Status::Duplicate, QStringLiteral("déjà contacté le 07/01/26 à 10:00 sur 7 en SSB")},
        {Status::ToImport, QString()},
        {Status::ToImport, QString()},
        {Status::AlreadyInLog, QStringLiteral("même QSO que l'enregistrement 4")},
        {Status::Duplicate,
         QStringLiteral("déjà contacté le 07/01/26 à 10:00 (enregistrement 4) sur 7 en SSB")},
        {Status::Ignored, QStringLiteral("pas d'indicatif")},
    };
    ASSERT_EQ(p.items.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(p.items[i].status, expected[i].first) << "record " << i + 1;
        EXPECT_EQ(p.items[i].reason, expected[i].second) << "record " << i + 1;
    }
    EXPECT_EQ(p.importedCount(false), 2);
    EXPECT_EQ(p.importedCount(true), 4);
}

TEST(AdifImport, MergesAsTheChronologicalInsertionPlacesEachQso) {
    // A log out of order in places, with unreadable lines, and files of QSOs before, between,
    // at the same minute as and after its QSOs: the merge must give, byte for byte, what the
    // insertion of each QSO in time order gives.
    QRandomGenerator random(7);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    const auto stamp = [](int minute) {
        return QDateTime(QDate(2026, 1, 7), QTime(10, 0), Qt::UTC).addSecs(60 * minute);
    };
    for (int round = 0; round < 40; ++round) {
        QStringList log;
        for (int i = 0, n = random.bounded(12); i < n; ++i) {
            const QDateTime t = stamp(random.bounded(20));
            const QByteArray date = t.toString(QStringLiteral("dd/MM/yy")).toLatin1();
            const QByteArray time = t.toString(QStringLiteral("HH:mm")).toLatin1();
            const QByteArray call = "LOG" + QByteArray::number(i);
            log.append(random.bounded(8) == 0
                           ? QStringLiteral("hand-written note")
                           : lineOf({date, time, call, "", "", "59", "59", "SSB", "7", ""}));
        }
        QByteArray file;
        for (int i = 0, n = 1 + random.bounded(8); i < n; ++i) {
            const QDateTime t = stamp(random.bounded(22) - 1);
            file += record("<CALL:4>NEW" + QByteArray::number(i) + "<QSO_DATE:8>" +
                               t.toString(QStringLiteral("yyyyMMdd")).toLatin1() + "<TIME_ON:4>" +
                               t.toString(QStringLiteral("HHmm")).toLatin1(),
                           {"CALL", "QSO_DATE", "TIME_ON"});
        }
        const QByteArray logBytes = zep::testing::logBytesOf(log);
        const Preview p = previewOf(file, logBytes);

        put(path, logBytes);
        QList<Item> entered;
        for (qsizetype i = p.items.size() - 1; i >= 0; --i)
            entered.append(p.items.at(i));
        std::stable_sort(entered.begin(), entered.end(),
                         [](const Item &a, const Item &b) { return a.order < b.order; });
        for (const Item &item : entered)
            ASSERT_TRUE(ActivityLog(path).insertChronologically(item.qsoLine));
        ASSERT_EQ(mergedLog(p, false), bytesOf(path)) << "round " << round;
    }
}

TEST(AdifImport, QsosOfOneMinuteKeepTheFilesOrder) {
    const QByteArray log = zep::testing::logBytesOf(
        {lineOf({"07/01/26", "10:00", "F1LOG", "", "", "59", "59", "SSB", "7", ""})});
    const QByteArray file = record("<CALL:5>F1AAA", {"CALL"}) + record("<CALL:5>F1BBB", {"CALL"}) +
                            record("<CALL:5>F1CCC<TIME_ON:4>0959", {"CALL", "TIME_ON"});
    const QStringList merged = splitLines(cp1252::decode(mergedLog(previewOf(file, log), false)));
    ASSERT_EQ(merged.size(), 4);
    const QStringList calls = {merged[0].mid(17, 5), merged[1].mid(17, 5), merged[2].mid(17, 5),
                               merged[3].mid(17, 5)};
    EXPECT_EQ(calls, (QStringList{QStringLiteral("F1CCC"), QStringLiteral("F1AAA"),
                                  QStringLiteral("F1BBB"), QStringLiteral("F1LOG")}));
}

TEST(AdifImport, EveryRecordReadIsImportedOrListed) {
    // Files of every kind of record, imported with and without the duplicates: the records
    // read are the QSOs added to the log plus the lines of the report, always.
    QRandomGenerator random(11);
    const QList<QByteArray> kinds = {
        record(),
        record("<TIME_ON:4>1130", {"TIME_ON"}),
        record("<CALL:5>G4XYZ", {"CALL"}),
        record("", {"CALL"}),
        record("<BAND:3>60m", {"BAND"}),
        record("<MODE:3>FT8", {"MODE"}),
        record("<MODE:6>OLIVIA", {"MODE"}),
        record("<QSO_DATE:8>20261301", {"QSO_DATE"}),
        record("<NAME:30>a name much too long for the log"),
        "<CALL:5>F5ZZZ<QSO_DATE:8>20260107<TIME_ON:4>0900<BAND:3>20m<MODE:2>CW", // no <EOR>
    };
    const QByteArray log = zep::testing::logBytesOf(
        {lineOf({"07/01/26", "10:00", "F1ABC", "", "", "59", "59", "SSB", "7", ""})});
    for (int round = 0; round < 30; ++round) {
        QByteArray file = "export\r\n<EOH>\r\n";
        const int n = 1 + random.bounded(12);
        for (int i = 0; i < n; ++i)
            file += kinds.at(random.bounded(int(kinds.size() - 1)));
        if (random.bounded(2))
            file += kinds.back();
        const adif::ReadResult read = adif::readAdi(file);
        const Preview p = previewImport(read, log, entryBoxes);
        ASSERT_EQ(p.items.size(), read.records.size());
        for (const bool withDuplicates : {false, true}) {
            const int imported = p.importedCount(withDuplicates);
            const QStringList reportLines = splitLines(cp1252::decode(
                report(p, withDuplicates, QStringLiteral("f.adi"), QStringLiteral("REF"),
                       QDateTime(QDate(2026, 1, 8), QTime(9, 5)))));
            const qsizetype listed =
                std::count_if(reportLines.cbegin(), reportLines.cend(), [](const QString &l) {
                    return l.startsWith(QStringLiteral("  n° "));
                });
            EXPECT_EQ(read.records.size(), imported + listed) << "round " << round;
            EXPECT_EQ(splitLines(cp1252::decode(mergedLog(p, withDuplicates))).size(),
                      1 + imported);
            EXPECT_TRUE(reportLines.contains(QStringLiteral("QSO importés : %1").arg(imported)));
        }
    }
}

TEST(AdifImport, GivesBackAnExportedLog) {
    // Every band and mode, departments 2A, 2B, 00, 95 and none, 12-character calls, ASCII
    // names and remarks: exported to ADIF and imported into an empty reference, the log
    // comes back line for line.
    const QStringList bands = entryBoxes.bands;
    const char *calls[] = {"F/DL1ABC/QRP", "TK5AA", "F4KJM/P", "DL1XYZ", "ON4ZZ/MM", "F5ABC"};
    const char *depts[] = {"", "2A", "00", "", "", "95"};
    const char *names[] = {"Jean", "Marie-Anne", "", "Hans", "", "Paul"};
    QStringList log;
    int n = 0;
    for (const QString &band : bands)
        for (const char *mode : {"SSB", "CW"}) {
            const int k = n % 6;
            const QString time = QStringLiteral("%1:%2")
                                     .arg(10 + n / 60, 2, 10, QLatin1Char('0'))
                                     .arg(n % 60, 2, 10, QLatin1Char('0'));
            const bool cw = QByteArrayView(mode) == "CW";
            log.append(lineOf({"07/12/26", qPrintable(time), calls[k], n == 13 ? "2B" : depts[k],
                               names[k], cw ? "599" : "57", cw ? "579" : "59", mode,
                               qPrintable(band), n % 3 ? "merci 73" : ""}));
            ++n;
        }
    const QByteArray logBytes = zep::testing::logBytesOf(log);
    const QByteArray exported = adif::document(adif::title(QStringLiteral("F4ABC")), logBytes);
    const Preview p = previewImport(adif::readAdi(exported), {}, entryBoxes);
    EXPECT_EQ(p.count(Status::ToImport), log.size());
    EXPECT_EQ(mergedLog(p, false), logBytes);
}

TEST(AdifImport, GivesBackALogExportedForTheAwardSites) {
    // The same trip through the ADIF 3 export, whose records carry the DXCC entity of the
    // station worked: the log comes back line for line, except where ADIF has no place for
    // what the log holds. USB and LSB are SSB's submodes and come back as SSB, as the mode box
    // names them; a department that is no department at all (00) is no STATE, and comes back
    // blank. A mainland call in Corsica (2A) is exported as Corsica and keeps its department.
    struct Qso {
        const char *call, *dept, *mode, *backDept, *backMode;
    } const qsos[] = {
        {"F/DL1ABC/QRP", "", "SSB", "", "SSB"}, {"TK5AA", "2A", "CW", "2A", "CW"},
        {"TK5BB/P", "2B", "USB", "2B", "SSB"},  {"F4KJM/P", "00", "LSB", "", "SSB"},
        {"F5ABC", "95", "SSB", "95", "SSB"},    {"F6XYZ", "2A", "CW", "2A", "CW"},
        {"DL1XYZ", "", "CW", "", "CW"},         {"EA8/F4ABC/MM", "", "USB", "", "SSB"},
    };
    QStringList sent, back;
    int n = 0;
    for (const QString &band : entryBoxes.bands)
        for (const Qso &q : qsos) {
            const QString time = QStringLiteral("%1:%2")
                                     .arg(8 + n / 60, 2, 10, QLatin1Char('0'))
                                     .arg(n % 60, 2, 10, QLatin1Char('0'));
            const bool cw = QByteArrayView(q.mode) == "CW";
            const char *remarks = n % 3 == 0 ? "DFCF-27-015" : n % 3 == 1 ? "merci 73" : "";
            const char *name = n % 2 ? "Marie-Anne" : "";
            for (auto [list, dept, mode] :
                 {std::tuple{&sent, q.dept, q.mode}, std::tuple{&back, q.backDept, q.backMode}})
                list->append(
                    lineOf({"07/12/26", qPrintable(time), q.call, dept, name, cw ? "599" : "57",
                            cw ? "579" : "59", mode, qPrintable(band), remarks}));
            ++n;
        }
    const prefixdxcc::EntityFinder finder(builtInPrefixTable());
    adif3::Station station;
    station.stationCall = QStringLiteral("F4ABC");
    station.operatorCall = QStringLiteral("F4ABC");
    station.programme = QStringLiteral("DFCF");
    station.reference = QStringLiteral("DFCF-21-001");
    station.created = QDateTime(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC);
    const adif3::Document exported = adif3::document(station, {}, zep::testing::logBytesOf(sent),
                                                     [&](QByteArrayView c) { return finder(c); });
    ASSERT_EQ(exported.records, sent.size());
    const Preview p = previewImport(adif::readAdi(exported.bytes()), {}, entryBoxes);
    EXPECT_EQ(p.count(Status::ToImport), sent.size());
    EXPECT_EQ(mergedLog(p, false), zep::testing::logBytesOf(back));
}

TEST(AdifImport, ReadsTheFilesOfOtherWriters) {
    // Written by tcadif's AdifWriter and by adif-parser-ts (tests/adif/make_import_fixtures.js):
    // the same six QSOs, names in ASCII in one and in UTF-8 in the other.
    struct Case {
        const char *file;
        const char *firstName, *secondName;
    };
    const Case cases[] = {{"tcadif.adi", "Herve", "Klaus"},
                          {"adif-parser-ts.adi", "Hervé", "Jürgen"}};
    for (const Case &c : cases) {
        const QString path = QStringLiteral(ZEP_ADIF_FIXTURES "/") + QString::fromUtf8(c.file);
        const FileBytes file = readFileBytes(path);
        ASSERT_TRUE(file.status) << file.status.message.toStdString();
        const adif::ReadResult read = adif::readAdif(file.bytes);
        EXPECT_TRUE(read.notes.isEmpty()) << c.file;
        const Preview p = previewImport(read, {}, entryBoxes);
        ASSERT_EQ(p.items.size(), 6) << c.file;
        const QList<std::pair<Status, QString>> statuses = {
            {Status::ToImport, QString()},
            {Status::ToImport, QString()},
            {Status::ToImport, QString()},
            {Status::Ignored, QStringLiteral("bande 60m absente de la liste des bandes")},
            {Status::ToImport, QString()}, // FT8, as the mode box takes it typed
            {Status::AlreadyInLog, QStringLiteral("même QSO que l'enregistrement 1")},
        };
        for (qsizetype i = 0; i < statuses.size(); ++i) {
            EXPECT_EQ(p.items[i].status, statuses[i].first) << c.file << " record " << i + 1;
            EXPECT_EQ(p.items[i].reason, statuses[i].second) << c.file << " record " << i + 1;
        }
        EXPECT_EQ(
            mergedLog(p, false),
            zep::testing::logBytesOf(
                {lineOf({"07/12/26", "09:15", "F4ABC", "21", c.firstName, "57", "59", "SSB", "7",
                         "FIRST OF THE DAY"}),
                 lineOf({"07/12/26", "09:20", "TK5XY", "2A", "", "59", "59", "SSB", "14", ""}),
                 lineOf({"07/12/26", "09:30", "DL1ABC/P", "", c.secondName, "579", "599", "CW",
                         "14", ""}),
                 lineOf({"07/12/26", "10:00", "EA3XYZ", "", "", "-12", "-10", "FT8", "14", ""})}))
            << c.file;
    }
}

TEST(AdifImport, WindowsTextIsStorable) {
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"Fran\xC3\xA7ois", QStringLiteral("François")}, // UTF-8
        {"Fran\xE7ois", QStringLiteral("François")},     // Windows-1252
        {"\x80 \x9C", QStringLiteral("€ œ")},            // Windows-1252 only
        {"\xC5\x90rs \xC4\x91uro", QStringLiteral("Ors duro")},
        {"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", QStringLiteral("????")}, // no near form
        {"a\tb\x01", QStringLiteral("a b ")},
        {"\xF0\x9F\x93\xBB radio", QStringLiteral("? radio")},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(windows1252Text(c.bytes), c.text) << c.bytes.toStdString();
        EXPECT_TRUE(cp1252::canEncode(windows1252Text(c.bytes)));
    }
}

namespace {

/// The memory after each entry is remembered in turn, as validations remember them.
QByteArray rememberedOneByOne(const QString &path, const QList<FirstNameMemory::Entry> &entries) {
    FirstNameMemory memory(path);
    for (const FirstNameMemory::Entry &e : entries) {
        const FirstNameLookup known = memory.find(e.call);
        const QString dept =
            e.department.isEmpty() && known.known ? known.department : e.department;
        const QString name = e.firstName.isEmpty() && known.known ? known.firstName : e.firstName;
        EXPECT_TRUE(memory.remember(e.call, dept, name, !known.known));
    }
    return bytesOf(path);
}

} // namespace

TEST(AdifImport, AFieldExactlyAsWideAsItsColumnIsKeptWhole) {
    // Each value fills its columns to the last one: nothing is cut and no note says so.
    struct Case {
        const char *what;
        QByteArray fields;
        QList<QByteArray> drop;
        Line expected;
    };
    const Case cases[] = {
        {"CW reports of three digits",
         "<MODE:2>CW<RST_SENT:3>599<RST_RCVD:3>579",
         {"MODE", "RST_SENT", "RST_RCVD"},
         {"07/01/26", "10:00", "F1ABC", "", "", "579", "599", "CW", "7", ""}},
        {"first name of 15 characters",
         "<NAME:15>Jean-Christophe",
         {},
         {"07/01/26", "10:00", "F1ABC", "", "Jean-Christophe", "57", "59", "SSB", "7", ""}},
        {"first name of 15 characters with accents, counted in bytes",
         "<NAME:18>Fran\xC3\xA7ois-J\xC3\xA9r\xC3\xB4me",
         {},
         {"07/01/26", "10:00", "F1ABC", "", "François-Jérôme", "57", "59", "SSB", "7", ""}},
        {"remarks of 30 characters",
         "<COMMENT:30>activation du chateau de Vouge",
         {},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "SSB", "7",
          "ACTIVATION DU CHATEAU DE VOUGE"}},
        {"call of 12 characters",
         "<CALL:12>F1ABC/P/QRPP",
         {"CALL"},
         {"07/01/26", "10:00", "F1ABC/P/QRPP", "", "", "57", "59", "SSB", "7", ""}},
        {"mode of 4 characters",
         "<MODE:4>C4FM",
         {"MODE"},
         {"07/01/26", "10:00", "F1ABC", "", "", "57", "59", "C4FM", "7", ""}},
    };
    for (const Case &c : cases) {
        const Preview p = previewOf(record(c.fields, c.drop));
        ASSERT_EQ(p.items.size(), 1) << c.what;
        const Item &item = p.items.front();
        EXPECT_EQ(item.status, Status::ToImport) << c.what << ": " << item.reason.toStdString();
        EXPECT_EQ(item.qsoLine, lineOf(c.expected)) << c.what;
        EXPECT_TRUE(item.notes.isEmpty())
            << c.what << ": " << item.notes.join(QLatin1Char('|')).toStdString();
    }
}

TEST(AdifImport, NotesAndReasonsQuoteAtMostEightyCharactersOfAValue) {
    const QByteArray huge(1024 * 1024, 'x');
    const QByteArray wideName = QByteArray("\xC5\x81").repeated(5000); // "Ł" five thousand times
    struct Case {
        const char *what;
        QByteArray fields;
        QList<QByteArray> drop;
        Status status;
    };
    const auto field = [](const char *name, const QByteArray &value) {
        return "<" + QByteArray(name) + ":" + QByteArray::number(value.size()) + ">" + value;
    };
    const Case cases[] = {
        {"a comment of one megabyte", field("COMMENT", huge), {}, Status::ToImport},
        {"a first name to transcribe and cut", field("NAME", wideName), {}, Status::ToImport},
        {"a date of one megabyte", field("QSO_DATE", huge), {"QSO_DATE"}, Status::Ignored},
        {"a time of one megabyte", field("TIME_ON", huge), {"TIME_ON"}, Status::Ignored},
        {"a band of one megabyte", field("BAND", huge), {"BAND"}, Status::Ignored},
        {"a frequency of one megabyte", field("FREQ", huge), {"BAND"}, Status::Ignored},
        {"a mode of one megabyte", field("MODE", huge), {"MODE"}, Status::Ignored},
        {"a call of one megabyte", field("CALL", huge), {"CALL"}, Status::Ignored},
        {"a department of one megabyte", field("STATE", huge), {}, Status::ToImport},
    };
    for (const Case &c : cases) {
        const Preview p = previewOf(record(c.fields, c.drop));
        ASSERT_EQ(p.items.size(), 1) << c.what;
        const Item &item = p.items.front();
        EXPECT_EQ(item.status, c.status) << c.what;
        // The label, the value quoted, what was kept: a few hundred characters at most.
        EXPECT_LE(item.reason.size(), 300) << c.what;
        for (const QString &note : item.notes)
            EXPECT_LE(note.size(), 300) << c.what << ": " << note.left(120).toStdString();
        for (const QString &shown : {item.fields.call, item.fields.date, item.fields.time,
                                     item.fields.band, item.fields.mode})
            EXPECT_LE(shown.size(), adif::quotedCharacters + 1) << c.what;
        EXPECT_TRUE(item.status == Status::Ignored || !item.notes.isEmpty())
            << c.what << ": what was changed is still said";
    }
}

TEST(AdifImport, RefusesWholeFilesItCannotTake) {
    QByteArray brokenFile = "Journal\r\n<EOH>\r\n";
    for (int i = 0; i < 40; ++i)
        brokenFile += "CALL:5>F1ABC QSO_DATE:8>20260107 TIME_ON:4>1000 BAND:3>40m MODE:3>SSB "
                      "EOR>\r\n";
    brokenFile.replace("\r\nCALL", "\r\n<CALL"); // only the first tag kept its "<"
    QByteArray tooMany;
    tooMany.reserve(qsizetype(adif::maxRecords + 1) * 14);
    for (qsizetype i = 0; i <= adif::maxRecords; ++i)
        tooMany += "<CALL:1>A<EOR>";
    QByteArray lowerCase = tooMany; // the bound reads the tags as ADIF does, in any case
    lowerCase.replace("<EOR>", "<eor>");
    QByteArray asMany = tooMany;
    asMany.chop(14 * 2); // one record without <EOR> too: exactly the bound
    asMany += "<CALL:1>A";
    struct Case {
        const char *what;
        QByteArray file;
        const char *refusal; ///< "" when the preview is shown
        qsizetype items;
    };
    const Case cases[] = {
        {"broken tags", brokenFile,
         "Le fichier \"f.adi\" n'est pas un fichier ADIF : ses balises sont abîmées (des « < » "
         "ou des <EOR> manquent). Rien n'est importé.",
         0},
        {"no record at all", "no ADIF here\r\n",
         "Le fichier \"f.adi\" ne contient aucun QSO ADIF : rien n'est importé.", 0},
        {"one record more than the bound", tooMany,
         "Le fichier \"f.adi\" compte plus de 500 000 enregistrements : l'import ADIF en prend "
         "500 000 au plus. Rien n'est importé.",
         0},
        {"one record more than the bound, in lower case", lowerCase,
         "Le fichier \"f.adi\" compte plus de 500 000 enregistrements : l'import ADIF en prend "
         "500 000 au plus. Rien n'est importé.",
         0},
        {"as many records as the bound", asMany, "", adif::maxRecords},
        {"a sound file", record() + record("<CALL:5>G4XYZ", {"CALL"}), "", 2},
    };
    for (const Case &c : cases) {
        const FilePreview made = previewFile(c.file, QStringLiteral("f.adi"), {}, entryBoxes);
        EXPECT_EQ(made.refusal, QString::fromUtf8(c.refusal)) << c.what;
        EXPECT_EQ(made.preview.items.size(), c.items) << c.what;
    }
    EXPECT_EQ(sizeRefusal(QStringLiteral("f.adi"), adif::maxFileBytes), QString());
    EXPECT_EQ(sizeRefusal(QStringLiteral("f.adi"), adif::maxFileBytes + 1),
              QStringLiteral("Le fichier \"f.adi\" fait 65 Mo : l'import ADIF prend des fichiers "
                             "de 64 Mo au plus. Rien n'est importé."));
}

TEST(AdifImport, AProgressFollowsTheWorkAndACancelStopsTheReading) {
    QByteArray adi = "<EOH>\r\n";
    for (int i = 0; i < 50; ++i)
        adi += record();
    const QByteArray adx = "<?xml version=\"1.0\"?><ADX><HEADER/><RECORDS>" +
                           QByteArray("<RECORD><CALL>F1ABC</CALL></RECORD>").repeated(50) +
                           "</RECORDS></ADX>";
    for (const QByteArray &file : {adi, adx}) {
        PreviewProgress followed;
        const FilePreview whole =
            previewFile(file, QStringLiteral("f.adi"), {}, entryBoxes, &followed);
        EXPECT_FALSE(whole.cancelled);
        EXPECT_EQ(whole.preview.items.size(), 50);
        EXPECT_EQ(followed.done, 50);
        EXPECT_GE(followed.total, 50);

        // Cancelled before it starts: one record read, then nothing more, and no preview.
        PreviewProgress stopped;
        stopped.cancel = true;
        const FilePreview none =
            previewFile(file, QStringLiteral("f.adi"), {}, entryBoxes, &stopped);
        EXPECT_TRUE(none.cancelled);
        EXPECT_TRUE(none.preview.items.isEmpty());
        EXPECT_TRUE(none.refusal.isEmpty()) << "a cancel is no refusal";
        EXPECT_EQ(stopped.done, 1);
    }
}

TEST(AdifImport, AnXmlRecordNestedDeeperThanAdxAllowsIsIgnoredWithItsReason) {
    const QByteArray file =
        "<?xml version=\"1.0\"?><ADX><RECORDS><RECORD><CALL>F1ABC</CALL><QSO_DATE>20260107"
        "</QSO_DATE><TIME_ON>1000</TIME_ON><BAND>40m</BAND><MODE>SSB</MODE><COMMENT><b><i>73"
        "</i></b></COMMENT></RECORD><RECORD><CALL>G4XYZ</CALL><QSO_DATE>20260107</QSO_DATE>"
        "<TIME_ON>1000</TIME_ON><BAND>40m</BAND><MODE>SSB</MODE></RECORD></RECORDS></ADX>";
    const FilePreview made = previewFile(file, QStringLiteral("f.adx"), {}, entryBoxes);
    ASSERT_EQ(made.refusal, QString());
    ASSERT_EQ(made.preview.items.size(), 2);
    EXPECT_EQ(made.preview.items[0].status, Status::Ignored);
    EXPECT_TRUE(made.preview.items[0].reason.contains(QStringLiteral("imbriqué")))
        << made.preview.items[0].reason.toStdString();
    EXPECT_EQ(made.preview.items[0].fields.call, QStringLiteral("F1ABC"));
    EXPECT_EQ(made.preview.items[1].status, Status::ToImport);
}

TEST(AdifImport, MemoryLearnsTheBatchAsValidationsWould) {
    QRandomGenerator random(5);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString one = dir.filePath(QStringLiteral("one.txt"));
    const QString all = dir.filePath(QStringLiteral("all.txt"));
    const QStringList calls = {QStringLiteral("F1ABC"), QStringLiteral("F1AB"),
                               QStringLiteral("DL2XY"), QStringLiteral("G4AAA"),
                               QStringLiteral("F5ABCDEFGHIJ")};
    const QStringList names = {QString(), QStringLiteral("Jean"), QStringLiteral("Zoé")};
    const QStringList depts = {QString(), QStringLiteral("75"), QStringLiteral("2A")};
    for (int round = 0; round < 60; ++round) {
        QByteArray memory;
        for (int i = 0, n = random.bounded(6); i < n; ++i)
            memory += FirstNameMemory::entry(calls[random.bounded(int(calls.size()))],
                                             depts[random.bounded(3)], names[random.bounded(3)])
                          .toLatin1() +
                      (random.bounded(5) ? "\r\n" : "\n");
        if (random.bounded(4) == 0)
            memory.chop(memory.endsWith("\r\n") ? 2 : 1); // a last line without its end
        QList<FirstNameMemory::Entry> entries;
        for (int i = 0, n = 1 + random.bounded(6); i < n; ++i)
            entries.append({calls[random.bounded(int(calls.size()))], depts[random.bounded(3)],
                            names[random.bounded(3)]});
        put(one, memory);
        put(all, memory);
        const QByteArray expected = rememberedOneByOne(one, entries);
        ASSERT_TRUE(FirstNameMemory(all).rememberAll(entries));
        EXPECT_EQ(bytesOf(all), expected) << "round " << round << "\n" << memory.toStdString();
    }
}

namespace {

/// Writes fail from the first one on, as on a full disk.
class FullDisk : public sys::Calls {
public:
    ssize_t write(int, const void *, size_t) override {
        errno = ENOSPC;
        return -1;
    }
};

class ImportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        files.log = dir.filePath(QStringLiteral("REF-1.txt"));
        files.secondLog = dir.filePath(QStringLiteral("REF-2.txt"));
        files.firstNames = dir.filePath(QStringLiteral("Liste_Prenom.txt"));
        files.report = dir.filePath(reportFileName(QStringLiteral("REF-1"), when));
        put(files.log, log);
        put(files.secondLog, log);
        put(files.firstNames, "F1ABC        75 Jean\r\n");
    }
    Outcome import(const Preview &p, bool withDuplicates = false) {
        return applyImport(p, withDuplicates, files, QStringLiteral("/tmp/f.adi"),
                           QStringLiteral("REF-1"), when);
    }

    QTemporaryDir dir;
    Files files;
    const QDateTime when{QDate(2026, 1, 8), QTime(9, 5)};
    const QByteArray log = zep::testing::logBytesOf(
        {lineOf({"07/01/26", "10:00", "F1ABC", "75", "Jean", "59", "59", "SSB", "7", ""})});
    const QByteArray file = record("<TIME_ON:4>1100<NAME:3>Jo\xEB", {"TIME_ON"}) +
                            record("<CALL:5>DL2XY<STATE:2>BY<NAME:4>Hans", {"CALL"}) +
                            record("", {"CALL"});
};

} // namespace

TEST_F(ImportFiles, WritesTheLogsTheMemoryAndTheReport) {
    const Preview p = previewOf(file, log);
    const Outcome done = import(p, true);
    EXPECT_TRUE(done.imported);
    EXPECT_EQ(done.count, 2);
    EXPECT_TRUE(done.messages.isEmpty()) << done.messages.join(QLatin1Char('\n')).toStdString();
    // DL2XY at 10:00 goes before the logged QSO of 10:00, as an inserted QSO does.
    const QByteArray expected =
        zep::testing::logBytesOf(
            {lineOf({"07/01/26", "10:00", "DL2XY", "", "Hans", "57", "59", "SSB", "7", ""})}) +
        log +
        zep::testing::logBytesOf(
            {lineOf({"07/01/26", "11:00", "F1ABC", "", "Joë", "57", "59", "SSB", "7", ""})});
    EXPECT_EQ(bytesOf(files.log), expected);
    EXPECT_EQ(bytesOf(files.secondLog), expected);
    // A name given replaces the one remembered; the department not given is kept.
    EXPECT_EQ(
        bytesOf(files.firstNames),
        zep::testing::logBytesOf(
            {FirstNameMemory::entry(QStringLiteral("F1ABC"), QStringLiteral("75"),
                                    QStringLiteral("Joë")),
             FirstNameMemory::entry(QStringLiteral("DL2XY"), QString(), QStringLiteral("Hans"))}));
    EXPECT_EQ(QFileInfo(files.report).fileName(), QStringLiteral("REF-1_import_20260108_0905.txt"));
    const QByteArray report = bytesOf(files.report);
    EXPECT_TRUE(report.startsWith("Import ADIF dans le log REF-1 le 08/01/2026 \xE0 09:05\r\n"));
    EXPECT_TRUE(report.contains("  n\xB0 3 (ligne 3) - 07/01/26 10:00 7 SSB : ignor\xE9, pas "
                                "d'indicatif\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4) << "no scratch file left";
}

TEST_F(ImportFiles, WritesNothingWhenTheLogChangedOrCannotBeWritten) {
    const Preview p = previewOf(file, log);
    const QByteArray changed = log + log;
    put(files.log, changed);
    Outcome done = import(p);
    EXPECT_FALSE(done.imported);
    EXPECT_TRUE(done.messages.join(QString()).contains(QStringLiteral("a changé depuis l'aperçu")));
    EXPECT_EQ(bytesOf(files.log), changed);

    put(files.log, log);
    FullDisk full;
    {
        sys::ScopedCalls failing(full);
        done = import(p);
    }
    EXPECT_FALSE(done.imported);
    EXPECT_EQ(done.count, 0);
    EXPECT_TRUE(done.messages.join(QString()).contains(QStringLiteral("le disque est plein")));
    EXPECT_EQ(bytesOf(files.log), log);
    EXPECT_EQ(bytesOf(files.secondLog), log);
    EXPECT_EQ(bytesOf(files.firstNames), QByteArray("F1ABC        75 Jean\r\n"));
    EXPECT_FALSE(QFile::exists(files.report));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3) << "no scratch file left";
}
