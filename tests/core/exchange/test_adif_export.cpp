#include "core/exchange/AdifExport.h"
#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"
#include "support/AdifCheck.h"

#include <gtest/gtest.h>

using namespace zep;

namespace {

QsoFields qso(const char *date, const char *time, const char *call, const char *band,
              const char *mode) {
    QsoFields f;
    f.date = QString::fromLatin1(date);
    f.time = QString::fromLatin1(time);
    f.call = QString::fromLatin1(call);
    f.band = QString::fromLatin1(band);
    f.mode = QString::fromLatin1(mode);
    f.rstReceived = f.rstSent = QStringLiteral("59");
    return f;
}

/// The QSO line in the log's bytes.
QByteArray logLine(const QsoFields &f) {
    const BuiltLine built = buildQsoLine(f);
    EXPECT_TRUE(built.ok) << built.error.toStdString();
    QByteArray bytes;
    EXPECT_TRUE(cp1252::encode(built.line, bytes));
    return bytes;
}

} // namespace

TEST(AdifRecord, WritesEachFieldWithTheLengthOfItsTrimmedValue) {
    struct Case {
        const char *what;
        QsoFields fields;
        QByteArray record;
    };
    QsoFields full = qso("14/01/06", "08:35", "F5XYZ/P", "144", "CW");
    full.department = QStringLiteral("2A");
    full.firstName = QStringLiteral("Jean Paul");
    full.rstReceived = QStringLiteral("599");
    full.rstSent = QStringLiteral("579");
    full.remarks = QStringLiteral("qrp 5w");
    QsoFields zeroDept = qso("31/12/49", "23:59", "F1ABC", "3.5", "SSB");
    zeroDept.department = QStringLiteral("00");

    const Case cases[] = {
        {"no first name, department or remarks", qso("14/01/06", "08:35", "F1ABC", "7", "SSB"),
         "<call:5>F1ABC<band:3>40m<mode:3>SSB<qso_date:8>20060114<time_on:4>0835"
         "<time_off:4>0835<rst_sent:2>59<rst_rcvd:2>59<state:0><comment:0><eor>"},
        {"every field, portable call", full,
         "<call:7>F5XYZ/P<name:9>Jean Paul<band:2>2m<mode:2>CW<qso_date:8>20060114"
         "<time_on:4>0835<time_off:4>0835<rst_sent:3>579<rst_rcvd:3>599<state:2>2A"
         "<comment:6>QRP 5W<eor>"},
        {"1.8 MHz, offered by the entry window", qso("01/02/26", "00:01", "G4AAA", "1.8", "CW"),
         "<call:5>G4AAA<band:4>160m<mode:2>CW<qso_date:8>20260201<time_on:4>0001"
         "<time_off:4>0001<rst_sent:2>59<rst_rcvd:2>59<state:0><comment:0><eor>"},
        {"USB, a submode of SSB", qso("01/02/26", "00:01", "G4AAA", "14", "USB"),
         "<call:5>G4AAA<band:3>20m<mode:3>SSB<submode:3>USB<qso_date:8>20260201<time_on:4>0001"
         "<time_off:4>0001<rst_sent:2>59<rst_rcvd:2>59<state:0><comment:0><eor>"},
        {"a mode ADIF does not know, as typed", qso("01/02/26", "00:01", "G4AAA", "14", "Xy1"),
         "<call:5>G4AAA<band:3>20m<mode:3>Xy1<qso_date:8>20260201<time_on:4>0001"
         "<time_off:4>0001<rst_sent:2>59<rst_rcvd:2>59<state:0><comment:0><eor>"},
        {"department 00, year 49", zeroDept,
         "<call:5>F1ABC<band:3>80m<mode:3>SSB<qso_date:8>20491231<time_on:4>2359"
         "<time_off:4>2359<rst_sent:2>59<rst_rcvd:2>59<state:2>00<comment:0><eor>"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(adif::record(logLine(c.fields)), c.record) << c.what;
}

TEST(AdifRecord, ABandWithoutRowGivesNoBandField) {
    // Hand-edited logs: a band the table does not know, and the unit in another case.
    QByteArray line = logLine(qso("01/01/26", "10:00", "F1A", "144", "CW"));
    for (const QByteArray &band : {QByteArray("432"), QByteArray(" 5 "), QByteArray("   ")}) {
        line.replace(66, 3, band);
        const QByteArray record = adif::record(line);
        EXPECT_FALSE(record.contains("<band:")) << record.constData();
        EXPECT_TRUE(record.contains("<call:3>F1A<mode:2>CW<qso_date:")) << record.constData();
    }
    QByteArray lower = logLine(qso("01/01/26", "10:00", "F1A", "7", "CW"));
    lower.replace(70, 3, "MHZ");
    EXPECT_FALSE(adif::record(lower).contains("<band:"));
}

TEST(AdifRecord, AccentedTextIsWrittenInAsciiWithItsWrittenLength) {
    QsoFields f = qso("05/06/26", "12:00", "F1ABC", "14", "SSB");
    f.firstName = QStringLiteral("Hervé");
    f.remarks = QStringLiteral("château œuvre");
    const QByteArray record = adif::record(logLine(f));
    EXPECT_TRUE(record.contains("<name:5>Herve<band:")) << record.constData();
    EXPECT_TRUE(record.contains("<comment:14>CHATEAU OEUVRE<eor>")) << record.constData();
    for (const char c : record)
        EXPECT_TRUE(uchar(c) >= 0x20 && uchar(c) < 0x7F) << record.constData();
}

TEST(AdifAscii, TurnsWindows1252IntoPrintableAscii) {
    struct Case {
        QString text;
        QByteArray ascii;
    };
    const Case cases[] = {
        {QStringLiteral("Hervé Loïc Zoë"), "Herve Loic Zoe"},
        {QStringLiteral("ÀÂÇÈÉÊËÎÏÔÙÛÜŸ"), "AACEEEEIIOUUUY"},
        {QStringLiteral("àâçèéêëîïôùûüÿ"), "aaceeeeiiouuuy"},
        {QStringLiteral("Œil, Æsir, straße"), "OEil, AEsir, strasse"},
        {QStringLiteral("«5 €» – ok…"), "\"5 EUR\" - ok..."},
        {QStringLiteral("a\tb\x7f"), "a b "},
        {QStringLiteral("plain <ASCII> 59+"), "plain <ASCII> 59+"},
    };
    for (const Case &c : cases) {
        QByteArray bytes;
        ASSERT_TRUE(cp1252::encode(c.text, bytes)) << c.text.toStdString();
        EXPECT_EQ(adif::toAscii(bytes), c.ascii) << c.text.toStdString();
    }
    // No byte of the code page is left outside printable ASCII.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    for (const char c : adif::toAscii(all))
        EXPECT_TRUE(uchar(c) >= 0x20 && uchar(c) < 0x7F) << int(uchar(c));
}

TEST(AdifDocument, HeaderOfSixLinesThenOneRecordPerQso) {
    const QString title = adif::title(QStringLiteral("F4ABC"));
    EXPECT_EQ(title, QStringLiteral("Exportation du log ZEP_Rozadovev de F4ABC au format ADIF"));

    const QByteArray header = "Exportation du log ZEP_Rozadovev de F4ABC au format ADIF\r\n\r\n" +
                              adif::creditLine().toLatin1() + "\r\n\r\n\r\n<eoh>\r\n";
    EXPECT_TRUE(adif::creditLine().contains(QStringLiteral("ZEP_Rozadovev")));
    EXPECT_EQ(adif::document(title, {}), header) << "an empty log gives the header only";

    const QByteArray first = logLine(qso("14/01/06", "08:35", "F1ABC", "7", "SSB"));
    const QByteArray second = logLine(qso("14/01/06", "08:36", "ON4XY", "14", "CW"));
    // A hand-edited log: LF only, a blank line, no line end at the end.
    const QByteArray log = first + "\r\n   \r\n" + second;
    EXPECT_EQ(adif::document(title, log),
              header + adif::record(first) + "\r\n" + adif::record(second) + "\r\n");
}

TEST(AdifFileName, ProposesReferenceAndActivationDate) {
    EXPECT_EQ(adif::proposedFileName(QStringLiteral("DFCF-21-001"), QStringLiteral("07/12/26")),
              QStringLiteral("DFCF-21-001_07_12_26"));
    EXPECT_EQ(adif::proposedFileName(QStringLiteral("DIFI-83-002"), QStringLiteral("01/02/2026")),
              QStringLiteral("DIFI-83-002_01_02_26"));
}

TEST(AdifDocument, EveryBandAndModeMakesValidAdifAndUnknownModesAreCounted) {
    QByteArray log;
    int n = 0;
    for (const char *band : {"1.8", "3.5", "7", "10", "14", "18", "21", "24", "28", "50", "144"})
        for (const char *mode : {"SSB", "CW", "USB", "LSB"}) {
            QsoFields f = qso("07/12/26", "10:00", n % 2 ? "TK5AA/P" : "F5ABC", band, mode);
            f.firstName = QStringLiteral("Zoë");
            f.remarks = QStringLiteral("château <5w>");
            f.department = n % 3 ? QStringLiteral("2B") : QString();
            log += logLine(f) + "\r\n";
            ++n;
        }
    int unknown = -1;
    const auto clean = zep::testing::checkAdif(adif::document(adif::title("F4ABC"), log, &unknown));
    EXPECT_TRUE(clean.problems.isEmpty()) << clean.problems.join('\n').toStdString();
    EXPECT_EQ(clean.records.size(), 44);
    EXPECT_EQ(unknown, 0);

    log += logLine(qso("07/12/26", "10:00", "F5ABC", "7", "XYZ")) + "\r\n" +
           logLine(qso("07/12/26", "10:01", "F5ABD", "7", "XYZ"));
    const auto odd = zep::testing::checkAdif(adif::document(adif::title("F4ABC"), log, &unknown));
    EXPECT_EQ(odd.problems.size(), 2) << odd.problems.join('\n').toStdString();
    EXPECT_EQ(unknown, 2);
    EXPECT_EQ(adif::unknownModesNote(0), QString());
    EXPECT_EQ(adif::unknownModesNote(1),
              QStringLiteral("\n1 QSO a un mode inconnu de la norme "
                             "ADIF : il est écrit tel qu'il a été saisi."));
    EXPECT_TRUE(
        adif::unknownModesNote(2).startsWith(QStringLiteral("\n2 QSO ont un mode inconnu")));
}
