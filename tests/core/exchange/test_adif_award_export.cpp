#include "core/adif/AdifData.h"
#include "core/adif/AdifReader.h"
#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixDxcc.h"
#include "core/countries/PrefixTable.h"
#include "core/exchange/AdifAwardExport.h"
#include "core/exchange/AdifImport.h"
#include "core/io/Settings.h"
#include "core/io/TextFile.h"
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
        {"department 2B of a French call: Corsica",
         logLine("01/02/26", "10:00", "F5ABC", "2B", "SSB", "1.8"),
         {{"BAND", "160m"}, {"DXCC", "214"}, {"COUNTRY", "CORSICA"}, {"STATE", "2B"}},
         {}},
        {"department 00",
         logLine("01/02/26", "10:00", "F5ABC", "00", "SSB", "3.5"),
         {{"BAND", "80m"}},
         {"STATE"}},
        {"12-character call, partner reference in the remarks",
         logLine("01/02/26", "10:00", "EA8/F4ABC/MM", "", "SSB", "50",
                 QStringLiteral("s2s dfcf27015 73")),
         {{"CALL", "EA8/F4ABC/MM"},
          {"DXCC", "0"},
          {"SIG", "DFCF"},
          {"SIG_INFO", "DFCF 27015"},
          {"COMMENT", "S2S DFCF27015 73"}},
         {"STATE", "COUNTRY"}},
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
        // Each programme finds its own shape, past a partner of another programme.
        {"P2P KFF-1234 K-0817", "K-4567", "K-0817"},
        {"P2P K-0817 KFF-1234", "FFF-0123", "KFF-1234"},
        {"KFF-1234", "K-4567", std::nullopt},
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

TEST(PrefixDxcc, TheFinderReadsTheOperatorsTableAsTheCountriesWindowDoes) {
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
    struct Case {
        const QByteArray &table;
        const char *call;
        int dxcc;
    };
    const Case cases[] = {
        {odd, "F5ABC", 227},  {odd, "TK5XX", 214},   {odd, "DL1ABC", 230},
        {odd, "EA8AB", 281}, // Spain: the Canaries line is no line
        {odd, "ON4AAA", 209}, {odd, "ZZ9ZZ", 0},     {odd, "\xC9Z1A", 0},
        {utf8, "G4KKK", 223}, {utf8, "GM3ABC", 223}, // the earlier line answers, though a later one
                                                     // is longer
    };
    for (const Case &c : cases)
        EXPECT_EQ(prefixdxcc::EntityFinder(c.table)(c.call), c.dxcc) << c.call;
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

namespace {

/// One record of the file a station makes of one QSO line.
struct Claim {
    const char *what;
    const char *reference, *programme, *operatorCall;
    QByteArray line;
    AdifFields expected;
    QList<QByteArray> absent;
};

} // namespace

TEST(AdifAwardExport, RecordsClaimOnlyWhatIsTrue) {
    const char *dfcf = "DFCF 76054";
    const Claim cases[] = {
        // Our own reference, however spelt, is no partner; a partner has one spelling, ours.
        {"own reference hyphenated",
         dfcf,
         "DFCF",
         "F4ABC",
         logLine("01/02/26", "10:00", "F5ABC", "76", "SSB", "7", "DFCF-76-054 MERCI"),
         {{"MY_SIG_INFO", "DFCF 76054"}},
         {"SIG", "SIG_INFO"}},
        {"partner hyphenated",
         dfcf,
         "DFCF",
         "F4ABC",
         logLine("01/02/26", "10:00", "F5ABC", "27", "SSB", "7", "DFCF-27-015"),
         {{"SIG", "DFCF"}, {"SIG_INFO", "DFCF 27015"}},
         {"WWFF_REF", "POTA_REF", "SOTA_REF"}},
        {"partner run together",
         dfcf,
         "DFCF",
         "F4ABC",
         logLine("01/02/26", "10:00", "F5ABC", "27", "SSB", "7", "DFCF27015"),
         {{"SIG_INFO", "DFCF 27015"}},
         {}},
        // A call sign in the remarks is no park, even with a one-letter programme.
        {"call signs beside a park reference",
         "F-0123",
         "POTA",
         "F4ABC",
         logLine("01/02/26", "10:00", "F5XYZ", "76", "SSB", "7", "QSO AVEC F5XYZ ET FR5AB"),
         {{"MY_SIG", "POTA"}, {"MY_POTA_REF", "F-0123"}},
         {"SIG", "SIG_INFO", "POTA_REF"}},
        {"park to park",
         "F-0123",
         "POTA",
         "F4ABC",
         logLine("01/02/26", "10:00", "K1ABC", "", "SSB", "14", "P2P k-0817 f-0123"),
         {{"SIG", "POTA"}, {"SIG_INFO", "K-0817"}, {"POTA_REF", "K-0817"}},
         {"WWFF_REF"}},
        // Maritime and aeronautical mobiles are in no entity.
        {"maritime mobile",
         dfcf,
         "DFCF",
         "F4ABC",
         logLine("01/02/26", "10:00", "EA8/F4ABC/MM", "76", "SSB", "7"),
         {{"DXCC", "0"}},
         {"COUNTRY", "STATE"}},
        {"aeronautical mobile",
         dfcf,
         "DFCF",
         "F4ABC",
         logLine("01/02/26", "10:00", "F5ABC/AM", "2A", "SSB", "7"),
         {{"DXCC", "0"}},
         {"COUNTRY", "STATE"}},
        // The department says where a French or Corsican station is.
        {"French call in Corsica",
         dfcf,
         "DFCF",
         "F4ABC",
         logLine("01/02/26", "10:00", "F5ABC", "2A", "SSB", "7"),
         {{"DXCC", "214"}, {"COUNTRY", "CORSICA"}, {"STATE", "2A"}},
         {}},
        {"Corsican call on the mainland",
         dfcf,
         "DFCF",
         "F4ABC",
         logLine("01/02/26", "10:00", "TK5AA/P", "06", "SSB", "7"),
         {{"DXCC", "227"}, {"COUNTRY", "FRANCE"}, {"STATE", "06"}},
         {}},
        {"Corsican call, no department",
         dfcf,
         "DFCF",
         "F4ABC",
         logLine("01/02/26", "10:00", "TK5AA", "00", "SSB", "7"),
         {{"DXCC", "214"}},
         {"STATE"}},
        // OPERATOR is the home call; STATION_CALLSIGN the call used on the air.
        {"portable operator",
         dfcf,
         "DFCF",
         "F4ABC/P",
         logLine("01/02/26", "10:00", "F5ABC", "76", "SSB", "7"),
         {{"OPERATOR", "F4ABC"}, {"STATION_CALLSIGN", "F4ABC/P"}},
         {}},
        {"operator abroad",
         dfcf,
         "DFCF",
         "EA8/F4ABC",
         logLine("01/02/26", "10:00", "F5ABC", "76", "SSB", "7"),
         {{"OPERATOR", "F4ABC"}},
         {}},
        // The programmes that name themselves get their own fields.
        {"WWFF",
         "FFF-0123",
         "WWFF",
         "F4ABC",
         logLine("01/02/26", "10:00", "ON4ABC", "", "SSB", "7", "ff2ff ONFF-0001 73"),
         {{"MY_SIG", "WWFF"},
          {"MY_SIG_INFO", "FFF-0123"},
          {"MY_WWFF_REF", "FFF-0123"},
          {"SIG", "WWFF"},
          {"SIG_INFO", "ONFF-0001"},
          {"WWFF_REF", "ONFF-0001"}},
         {"MY_POTA_REF", "POTA_REF"}},
        {"SOTA",
         "F/AM-001",
         "SOTA",
         "F4ABC",
         logLine("01/02/26", "10:00", "F5ABC", "06", "CW", "7", "S2S F/AL-002 F/AM-001"),
         {{"MY_SOTA_REF", "F/AM-001"}, {"SOTA_REF", "F/AL-002"}, {"SIG_INFO", "F/AL-002"}},
         {"MY_POTA_REF", "MY_WWFF_REF"}},
        {"other programmes keep their letters",
         "DIFI-21-002",
         "DIFI",
         "F4ABC",
         logLine("01/02/26", "10:00", "F5ABC", "21", "CW", "7", "DIFI 83-002"),
         {{"MY_SIG", "DIFI"}, {"SIG", "DIFI"}, {"SIG_INFO", "DIFI-83-002"}},
         {"MY_POTA_REF", "MY_WWFF_REF", "MY_SOTA_REF", "POTA_REF"}},
    };
    static Countries countries;
    for (const Claim &c : cases) {
        adif3::Station s = station();
        s.reference = QString::fromLatin1(c.reference);
        s.programme = QString::fromLatin1(c.programme);
        s.operatorCall = QString::fromLatin1(c.operatorCall);
        s.stationCall = s.operatorCall;
        const auto read = checkAdif(adif3::document(s, {}, c.line, countries.entityOf).bytes());
        EXPECT_TRUE(read.problems.isEmpty())
            << c.what << ": " << read.problems.join('\n').toStdString();
        ASSERT_EQ(read.records.size(), 1) << c.what;
        const AdifFields &r = read.records.front();
        for (auto it = c.expected.begin(); it != c.expected.end(); ++it)
            EXPECT_EQ(r.value(it.key()), it.value()) << c.what << " " << it.key().constData();
        for (const QByteArray &name : c.absent)
            EXPECT_FALSE(r.contains(name)) << c.what << " " << name.constData();
    }
}

TEST(AdifAwardExport, ProgrammesAndHomeCalls) {
    struct Programme {
        const char *reference;
        adif3::Scheme scheme;
        const char *proposed;
    } const programmes[] = {
        {"FFF-0123", adif3::Scheme::Wwff, "WWFF"},    {" onff-0001 ", adif3::Scheme::Wwff, "WWFF"},
        {"F-0123", adif3::Scheme::Pota, "POTA"},      {"K-10817", adif3::Scheme::Pota, "POTA"},
        {"F/AM-001", adif3::Scheme::Sota, "SOTA"},    {"DFCF 76054", adif3::Scheme::Other, "DFCF"},
        {"DFCF-76054", adif3::Scheme::Other, "DFCF"}, {"DIFI-21-002", adif3::Scheme::Other, "DIFI"},
        {"FFF-012", adif3::Scheme::Other, "FFF"},     {"F-012345", adif3::Scheme::Other, "F"},
        {"F/AM-0012", adif3::Scheme::Other, "F"},     {"", adif3::Scheme::Other, ""},
    };
    for (const Programme &p : programmes) {
        const QString reference = QString::fromLatin1(p.reference);
        EXPECT_EQ(adif3::schemeOf(reference), p.scheme) << p.reference;
        EXPECT_EQ(adif3::defaultProgramme(reference), QString::fromLatin1(p.proposed))
            << p.reference;
    }

    struct Home {
        const char *call, *home;
    } const homes[] = {
        {"F4ABC/P", "F4ABC"},     {"EA8/F4ABC", "F4ABC"}, {"ea8/f4abc/mm", "F4ABC"},
        {"F/ON4ABC/P", "ON4ABC"}, {"F4ABC/EA8", "F4ABC"}, {"TK/F4A", "F4A"},
        {"EA8/F4A", "F4A"},       {"F4ABC", "F4ABC"},     {"3D2/F4ABC/QRP", "F4ABC"}};
    for (const Home &h : homes)
        EXPECT_EQ(adif3::homeCall(QString::fromLatin1(h.call)), QString::fromLatin1(h.home))
            << h.call;

    struct Partner {
        const char *remarks, *own;
        std::optional<QByteArray> found;
    } const partners[] = {
        {"DFCF 76-054", "DFCF 76054", std::nullopt},
        {"dfcf76054 dfcf 27-015", "DFCF 76054", "DFCF 27015"},
        {"F5XYZ FR5AB F-5", "F-0123", std::nullopt},
        {"F-0123/P F-01234", "F-0123", "F-01234"},
        {"VE-1234, 73", "F-0123", "VE-1234"},
        {"ABCD-0456 F-04567X", "F-0123", std::nullopt},
        {"KFF-1234 F-0456", "FFF-0123", "KFF-1234"},
        {"FFF-01234 FFF-0123", "FFF-0123", std::nullopt},
        {"EA8/TF-01 HB/BE-001", "F/AM-001", "HB/BE-001"},
    };
    for (const Partner &p : partners) {
        const QByteArray own = p.own;
        EXPECT_EQ(adif3::partnerReference(p.remarks, adif3::programmeOf(p.own).toLatin1(), own),
                  p.found)
            << p.remarks;
    }
}

TEST(AdifAwardExport, EveryDepartmentComesBackFromAnImport) {
    // Exported, then imported into an empty log: each QSO keeps its department, Corsica's
    // included, whichever the call sign's prefix.
    const struct {
        const char *call, *dpt;
    } qsos[] = {{"F5ABC", "76"}, {"F5ABD", "2A"},   {"F5ABE", "2B"},   {"TK5AA", "2A"},
                {"TK5AB", "13"}, {"F4KJM/P", "01"}, {"TK5AC/P", "95"}, {"DL1ABC", ""}};
    QByteArray log;
    int minute = 0;
    for (const auto &q : qsos)
        log += logLine("01/02/26", QByteArray("10:0" + QByteArray::number(minute++)).constData(),
                       q.call, q.dpt, "SSB", "7");
    const adifimport::Target boxes{{QStringLiteral("7")}, {QStringLiteral("SSB")}};
    const adifimport::Preview back =
        adifimport::previewImport(adif::readAdi(exportOf(log).bytes()), {}, boxes);
    ASSERT_EQ(back.items.size(), qsizetype(std::size(qsos)));
    for (qsizetype i = 0; i < back.items.size(); ++i) {
        EXPECT_EQ(back.items[i].status, adifimport::Status::ToImport) << qsos[i].call;
        EXPECT_EQ(back.items[i].fields.department, QString::fromLatin1(qsos[i].dpt))
            << qsos[i].call;
    }
}
