#include "core/AdifAwardExport.h"
#include "core/AdifData.h"
#include "core/CountriesWorked.h"
#include "core/PrefixDxcc.h"
#include "core/PrefixTable.h"
#include "core/Settings.h"
#include "core/TextFile.h"
#include "support/AdifCheck.h"
#include "support/QsoLines.h"

#include <gtest/gtest.h>

using namespace zep;
using zep::testing::AdifFields;
using zep::testing::checkAdif;

namespace {

QByteArray bytesOf(const QString &line) {
    QByteArray b;
    EXPECT_TRUE(cp1252::encode(line, b));
    return b + "\r\n";
}

QByteArray logLine(const char *date, const char *time, const char *call, const char *dpt,
                   const char *mode, const char *band, const QString &remarks = {},
                   const QString &firstName = {}) {
    return bytesOf(zep::testing::qsoLineOf(QString::fromLatin1(date), QString::fromLatin1(time),
                                           QString::fromLatin1(call), QString::fromLatin1(dpt),
                                           firstName, QString::fromLatin1(mode),
                                           QString::fromLatin1(band), remarks));
}

adif3::Station station() {
    adif3::Station s;
    s.headerText = QStringLiteral("Log de F4ABC/P <DFCF 76054>, château");
    s.stationCall = QStringLiteral("f4abc/p");
    s.operatorCall = QStringLiteral("F1XYZ");
    s.programme = QStringLiteral("DFCF");
    s.reference = QStringLiteral("DFCF 76054");
    s.gridSquare = QStringLiteral("jn18DU");
    s.created = QDateTime(QDate(2026, 12, 7), QTime(10, 5, 9), Qt::UTC);
    return s;
}

/// The countries through the program's own prefix table, as the window finds them.
struct Countries {
    prefixdxcc::EntityFinder finder{builtInPrefixTable()};
    adif3::EntityOf entityOf = [this](QByteArrayView call) { return finder(call); };
};

adif3::Document exportOf(const QByteArray &log, const adif3::Contents &contents = {},
                         const adif3::FrequencyOf &frequencies = {}) {
    static Countries countries;
    return adif3::document(station(), contents, log, countries.entityOf, frequencies);
}

} // namespace

TEST(AdifAwardExport, EachRecordNamesTheStationWorkedItsPlaceAndOurReference) {
    struct Case {
        const char *what;
        QByteArray line;
        AdifFields expected;
        QList<QByteArray> absent;
    };
    const Case cases[] = {
        {"French station, department of France",
         logLine("14/01/26", "08:35", "F5ABC", "76", "SSB", "7", "", QStringLiteral("Hervé")),
         {{"CALL", "F5ABC"},
          {"QSO_DATE", "20260114"},
          {"TIME_ON", "0835"},
          {"BAND", "40m"},
          {"MODE", "SSB"},
          {"NAME", "Herve"},
          {"DXCC", "227"},
          {"COUNTRY", "FRANCE"},
          {"STATE", "76"}},
         {"SUBMODE", "COMMENT", "SIG", "FREQ"}},
        {"Corsican station, 2A, year 99",
         logLine("31/12/99", "23:59", "TK5AA", "2a", "CW", "144"),
         {{"QSO_DATE", "19991231"},
          {"BAND", "2m"},
          {"MODE", "CW"},
          {"RST_SENT", "599"},
          {"DXCC", "214"},
          {"COUNTRY", "CORSICA"},
          {"STATE", "2A"}},
         {"NAME"}},
        {"2A is no department of France",
         logLine("01/02/26", "10:00", "F5ABC", "2A", "SSB", "1.8"),
         {{"BAND", "160m"}, {"DXCC", "227"}},
         {"STATE"}},
        {"department 00",
         logLine("01/02/26", "10:00", "F5ABC", "00", "SSB", "3.5"),
         {{"BAND", "80m"}},
         {"STATE"}},
        {"12-character call, partner reference in the remarks",
         logLine("01/02/26", "10:00", "EA8/F4ABC/MM", "", "SSB", "50",
                 QStringLiteral("s2s dfcf27015 73")),
         {{"CALL", "EA8/F4ABC/MM"},
          {"DXCC", "29"},
          {"SIG", "DFCF"},
          {"SIG_INFO", "DFCF 27015"},
          {"COMMENT", "S2S DFCF27015 73"}},
         {"STATE"}},
        {"our own reference in the remarks is no partner",
         logLine("01/02/26", "10:00", "DL1ABC", "", "CW", "28", QStringLiteral("DFCF 76054")),
         {{"DXCC", "230"}, {"COUNTRY", "FEDERAL REPUBLIC OF GERMANY"}},
         {"SIG", "SIG_INFO"}},
    };
    const AdifFields ours = {{"STATION_CALLSIGN", "F4ABC/P"},
                             {"OPERATOR", "F1XYZ"},
                             {"MY_SIG", "DFCF"},
                             {"MY_SIG_INFO", "DFCF 76054"},
                             {"MY_GRIDSQUARE", "JN18du"}};
    for (const Case &c : cases) {
        const auto read = checkAdif(exportOf(c.line).bytes());
        EXPECT_TRUE(read.problems.isEmpty())
            << c.what << ": " << read.problems.join('\n').toStdString();
        ASSERT_EQ(read.records.size(), 1) << c.what;
        const AdifFields &r = read.records.front();
        for (auto it = c.expected.begin(); it != c.expected.end(); ++it)
            EXPECT_EQ(r.value(it.key()), it.value()) << c.what << " " << it.key().constData();
        for (auto it = ours.begin(); it != ours.end(); ++it)
            EXPECT_EQ(r.value(it.key()), it.value()) << c.what << " " << it.key().constData();
        for (const QByteArray &name : c.absent)
            EXPECT_FALSE(r.contains(name)) << c.what << " " << name.constData();
    }
}

TEST(AdifAwardExport, ModesFrequenciesAndOptionalFields) {
    QByteArray usb = logLine("01/02/26", "10:00", "F5ABC", "75", "SSB", "14", "DFCF 27015",
                             QStringLiteral("Zoë"));
    usb.replace(60, 3, "USB");
    QByteArray unknown = usb;
    unknown.replace(60, 3, "XYZ");
    const auto frequency = [](QByteArrayView line) -> std::optional<double> {
        return line.contains("F5ABC") ? 14.074 : 7.1; // 7.1 lies outside 20 m
    };
    const adif3::Document doc = exportOf(usb + unknown.replace("F5ABC", "F5ABD"), {}, frequency);
    const auto read = checkAdif(doc.bytes());
    ASSERT_EQ(read.records.size(), 2);
    EXPECT_EQ(read.records[0].value("MODE"), "SSB");
    EXPECT_EQ(read.records[0].value("SUBMODE"), "USB");
    EXPECT_EQ(read.records[0].value("FREQ"), "14.074");
    EXPECT_EQ(read.records[1].value("MODE"), "XYZ") << "written as typed";
    EXPECT_FALSE(read.records[1].contains("FREQ"));
    EXPECT_EQ(doc.unknownModes, 1);
    EXPECT_EQ(read.problems, QStringList{QStringLiteral("MODE \"XYZ\": not an ADIF mode")});

    adif3::Contents none;
    none.names = none.comments = none.partnerReferences = none.countries = false;
    const AdifFields bare = checkAdif(exportOf(usb, none).bytes()).records.value(0);
    for (const char *name : {"NAME", "COMMENT", "SIG", "SIG_INFO", "DXCC", "COUNTRY", "STATE"})
        EXPECT_FALSE(bare.contains(name)) << name;
    EXPECT_EQ(bare.value("MY_SIG_INFO"), "DFCF 76054");
}

TEST(AdifAwardExport, HeaderThenOnlyTheQsosThatMakeValidRecords) {
    QByteArray log = logLine("01/02/26", "10:00", "F5ABC", "75", "SSB", "14");
    QByteArray noCall = log, badDate = log, badTime = log, badBand = log;
    noCall.replace(17, 5, "     ");
    badDate.replace(0, 2, "32");
    badTime.replace(10, 2, "25");
    badBand.replace(66, 3, "432");
    log += "   \r\n" + noCall + badDate + badTime + badBand + log;
    const adif3::Document doc = exportOf(log);
    EXPECT_EQ(doc.records, 2);
    EXPECT_EQ(doc.skippedLines, (QList<int>{3, 4, 5, 6})) << "blank line 2 is no QSO";
    EXPECT_EQ(adif3::skippedNote(doc.skippedLines),
              QStringLiteral("\n4 QSO n'ont pas été exportés (indicatif vide, date, heure ou "
                             "bande illisible dans le log) : lignes 3, 4, 5, 6."));

    const QByteArray header = "Log de F4ABC/P (DFCF 76054), chateau\r\n<ADIF_VER:5>3.1.6\r\n"
                              "<PROGRAMID:13>ZEP_Rozadovev\r\n<PROGRAMVERSION:" +
                              QByteArray::number(revisionText.trimmed().size()) + '>' +
                              revisionText.trimmed().toLatin1() +
                              "\r\n<CREATED_TIMESTAMP:15>20261207 100509\r\n<EOH>\r\n";
    EXPECT_TRUE(doc.bytes().startsWith(header)) << doc.bytes().left(200).constData();
    EXPECT_TRUE(doc.bytes().endsWith("<EOR>\r\n"));
    EXPECT_EQ(doc.bytes().count("\r\n"), 6 + 2);
    const auto read = checkAdif(doc.bytes());
    EXPECT_TRUE(read.problems.isEmpty()) << read.problems.join('\n').toStdString();
    EXPECT_EQ(read.header.value("PROGRAMID"), "ZEP_Rozadovev");

    adif3::Station blank = station();
    blank.headerText = QStringLiteral("  ");
    EXPECT_TRUE(adif3::header(blank).startsWith(
        "Log de f4abc/p pour DFCF 76054, exporte par ZEP_Rozadovev\r\n"));
}

TEST(AdifAwardExport, ALargeLogKeepsItsOrderAndLineNumbers) {
    // Over a megabyte: written in stretches side by side, joined in the log's order.
    QByteArray log;
    QList<int> skipped;
    QList<QByteArray> calls;
    const QByteArray base = logLine("07/12/26", "10:00", "F0", "76", "SSB", "7");
    for (int i = 0; i < 12000; ++i) {
        const QByteArray call = "F" + QByteArray::number(i);
        QByteArray line = base;
        line.replace(17, call.size(), call);
        if (i % 997 == 0) {
            line.replace(0, 2, "00"); // no such day
            skipped << i + 1;
        } else {
            calls << call;
        }
        log += line;
    }
    ASSERT_GT(log.size(), 1 << 20);
    const adif3::Document doc = exportOf(log);
    EXPECT_EQ(doc.skippedLines, skipped);
    const auto read = checkAdif(doc.bytes());
    EXPECT_TRUE(read.problems.isEmpty()) << read.problems.mid(0, 3).join('\n').toStdString();
    QList<QByteArray> written;
    for (const AdifFields &r : read.records)
        written << r.value("CALL");
    EXPECT_EQ(written, calls);
    EXPECT_EQ(doc.records, calls.size());

    // Handed on piece by piece while it is made, the file is the same; a sink that refuses a
    // piece gets no more of them.
    static Countries countries;
    QList<QByteArray> pieces;
    const adif3::Document streamed =
        adif3::document(station(), {}, log, countries.entityOf, {}, [&](QByteArray piece) {
            pieces << piece;
            return true;
        });
    EXPECT_GT(pieces.size(), 2);
    EXPECT_EQ(pieces.join(), doc.bytes());
    EXPECT_EQ(streamed.records, doc.records);
    EXPECT_EQ(streamed.skippedLines, doc.skippedLines);
    EXPECT_TRUE(streamed.pieces.isEmpty());
    int handed = 0;
    adif3::document(station(), {}, log, countries.entityOf, {},
                    [&](const QByteArray &) { return ++handed < 2; });
    EXPECT_EQ(handed, 2);
}

TEST(AdifAwardExport, ReferencesLocatorsDatesAndFileNames) {
    EXPECT_EQ(adif3::programmeOf(QStringLiteral(" dfcf-21-001")), QStringLiteral("DFCF"));
    EXPECT_EQ(adif3::programmeOf(QStringLiteral("3A-001")), QString());

    struct Partner {
        const char *remarks, *own;
        std::optional<QByteArray> found;
    } partners[] = {
        {"S2S DFCF 27015", "DFCF 76054", "DFCF 27015"},
        {"DFCF-27-015, 73", "DFCF-21-001", "DFCF-27-015"},
        {"DFCF27015-", "DFCF 76054", "DFCF 27015"},
        {"XDFCF 27015 DFCF", "DFCF 76054", std::nullopt},
        {"DFCF 76054 DFCF 12", "DFCF 76054", "DFCF 12"},
        {"DIFI 83002", "DFCF 76054", std::nullopt},
    };
    for (const Partner &p : partners)
        EXPECT_EQ(adif3::partnerReference(p.remarks, "DFCF", p.own), p.found) << p.remarks;

    struct Grid {
        const char *typed;
        std::optional<QString> written;
    } grids[] = {{"jn18du", QStringLiteral("JN18du")},
                 {" JN 18 ", QStringLiteral("JN18")},
                 {"JN18DU55", QStringLiteral("JN18du55")},
                 {"JN1", std::nullopt},
                 {"SN18", std::nullopt},
                 {"JN18YA", std::nullopt}};
    for (const Grid &g : grids)
        EXPECT_EQ(adif3::gridSquare(QString::fromLatin1(g.typed)), g.written) << g.typed;

    EXPECT_EQ(adif3::activationDay(QStringLiteral("07/12/26")), QDate(2026, 12, 7));
    EXPECT_EQ(adif3::activationDay(QStringLiteral("07/12/1999")), QDate(1999, 12, 7));
    EXPECT_FALSE(adif3::activationDay(QStringLiteral("31/02/26")).isValid());
    EXPECT_EQ(adif3::proposedFileName(QStringLiteral("F4ABC/P"), QStringLiteral("DFCF 76054"),
                                      QDate(2026, 12, 7)),
              QStringLiteral("F4ABC-P @ DFCF 76054 20261207.adi"));
    EXPECT_EQ(
        adif3::proposedFileName(QStringLiteral("F4ABC"), QStringLiteral("A:B*C?\"<>|\\"), QDate()),
        QStringLiteral("F4ABC @ A-B-C------.adi"));
}

TEST(PrefixDxcc, EveryCodeOfTheShippedTableIsAnAdifEntity) {
    EXPECT_EQ(prefixdxcc::dxccOfCode(u"F"), 227);
    EXPECT_EQ(prefixdxcc::dxccOfCode(u"TK"), 214);
    EXPECT_EQ(prefixdxcc::dxccOfCode(u"3D2/c"), 489);
    EXPECT_EQ(prefixdxcc::dxccOfCode(u"f"), 0);
    EXPECT_EQ(prefixdxcc::dxccOfCode(u"ZZZ"), 0);
    const PrefixTable table = PrefixTable::parse(builtInPrefixTable());
    ASSERT_FALSE(table.isEmpty());
    const prefixdxcc::EntityFinder finder(table);
    for (const PrefixLine &line : table.lines()) {
        ASSERT_FALSE(adif::entityName(prefixdxcc::dxccOfCode(line.code)).isEmpty())
            << line.code.toStdString() << " " << line.name.toStdString();
        // The finder answers as the table's own look-up does, for the prefix and for a call
        // that starts with it.
        for (const QString &call : {line.prefix, line.prefix + QStringLiteral("1AB/P")})
            ASSERT_EQ(finder(call.toLatin1()), prefixdxcc::dxccOfCode(table.lookup(call).code))
                << call.toStdString();
    }
}

TEST(PrefixDxcc, TheFinderMadeFromTheFileAnswersAsTheTableReadsIt) {
    // The export indexes the table straight from its bytes: every oddity the table's reading
    // takes must give the same answers.
    const QByteArray odd = "\r\n"
                           "  F ;France;F;EU\r\n"   // blanks around the prefix
                           "TK;Corse; TK ;EU\n"     // blanks around the code, a lone LF
                           "F;Not France;ON;EU\r\n" // a repeated prefix: the first line answers
                           "EA8;Canaries\r\n"       // too few fields
                           " ;Everything;G;EU\r\n"  // an empty prefix would take every call
                           "\xA0"
                           "DL\xA0;Allemagne;DL;EU\r\n" // no-break spaces are blanks too
                           "\xC9Z;Pays \xE9;EA;EU\r\n"  // a prefix outside ASCII begins no call
                           "EA;Espagne;EA;EU\r\n"
                           "ON4;Belgique;ON;EU"; // no line end at the end
    const QByteArray utf8 = "\xEF\xBB\xBF"
                            "G;Angleterre;G;EU\r\n\xC2\xA0GM ;\xC3\x89"
                            "cosse;GM;EU\r\n";
    const QStringList calls = {"F5ABC",  "TK5XX", "EA8AB",  "DL1ABC", "EZ1A", "EA3AA",
                               "ON4AAA", "G4KKK", "GM3ABC", "ZZ9ZZ",  "F"};
    for (const QByteArray &file : {odd, utf8, builtInPrefixTable()}) {
        const PrefixTable table = PrefixTable::parse(file);
        const prefixdxcc::EntityFinder fromTable(table), fromFile(file);
        QStringList all = calls;
        for (const PrefixLine &line : table.lines())
            all << line.prefix << line.prefix + QStringLiteral("1AB");
        for (const QString &call : std::as_const(all))
            ASSERT_EQ(fromFile(call.toLatin1()), fromTable(call.toLatin1())) << call.toStdString();
    }
    const prefixdxcc::EntityFinder fromFile(odd);
    EXPECT_EQ(fromFile("F5ABC"), 227);
    EXPECT_EQ(fromFile("TK5XX"), 214);
    EXPECT_EQ(fromFile("DL1ABC"), 230);
    EXPECT_EQ(fromFile("EA8AB"), 281); // Spain: the Canaries line is no line
}

TEST(AdifCheck, FindsEachKindOfFault) {
    const QByteArray head = "x\r\n<ADIF_VER:5>3.1.6<EOH>\r\n";
    const QByteArray rest = "<QSO_DATE:8>20260101<TIME_ON:4>1000";
    struct Case {
        QByteArray file;
        const char *problem;
    } cases[] = {
        {head + "<CALL:5>F1AB" + rest + "<MODE:2>CW<EOR>", "text between fields"},
        {head + "<CALL:4>F1AB<COLOR:3>red" + rest + "<MODE:2>CW<EOR>", "unknown field COLOR"},
        {head + "<CALL:5>F1AB\xe9" + rest + "<MODE:2>CW<EOR>", "not ASCII"},
        {head + "<CALL:4>F1AB" + rest + "<MODE:3>USB<EOR>", "not an ADIF mode"},
        {head + "<CALL:4>F1AB" + rest + "<MODE:2>CW<SUBMODE:3>USB<EOR>", "no submode of MODE"},
        {head + "<CALL:4>F1AB<BAND:3>41m" + rest + "<MODE:2>CW<EOR>", "not an ADIF band"},
        {head + "<CALL:4>F1AB<QSO_DATE:8>20260230<TIME_ON:4>1000<MODE:2>CW<EOR>", "not a date"},
        {head + "<CALL:4>F1AB<QSO_DATE:8>20260201<TIME_ON:4>2460<MODE:2>CW<EOR>", "not a time"},
        {head + "<CALL:4>F1AB" + rest + "<MODE:2>CW<DXCC:3>227<STATE:2>2A<EOR>", "no subdivision"},
        {head + "<CALL:4>F1AB" + rest + "<MODE:2>CW", "without <EOR>"},
        {head + "<CALL:4>F1AB" + rest + "<MODE:9>CW<EOR>", "runs past the end"},
        {head + rest + "<MODE:2>CW<EOR>", "without CALL"},
    };
    for (const Case &c : cases) {
        const QStringList problems = checkAdif(c.file).problems;
        EXPECT_TRUE(problems.join('\n').contains(QLatin1String(c.problem)))
            << c.problem << " <- " << problems.join('\n').toStdString();
    }
    EXPECT_TRUE(checkAdif(head + "<CALL:4>F1AB" + rest + "<MODE:2>CW<EOR>").problems.isEmpty());
}
