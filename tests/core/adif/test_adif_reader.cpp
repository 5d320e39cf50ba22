// The ADIF reader on what real writers produce: one hand-made file per oddity, each read into
// the records and notes it must give.

#include "core/adif/AdifReader.h"

#include <QElapsedTimer>

#include <algorithm>
#include <gtest/gtest.h>

using namespace zep;

namespace {

/// A record as "CALL=F1ABC|BAND=40m", fields in file order, "!" at the end when the file
/// ended before its <EOR>.
QString shape(const adif::Record &r) {
    QStringList fields;
    for (const adif::Field &f : r.fields)
        fields.append(QString::fromLatin1(f.name) + QLatin1Char('=') + QString::fromUtf8(f.value));
    return fields.join(QLatin1Char('|')) + (r.unterminated ? QStringLiteral("!") : QString());
}

QStringList shapes(const adif::ReadResult &read) {
    QStringList out;
    for (const adif::Record &r : read.records)
        out.append(shape(r));
    return out;
}

} // namespace

TEST(AdifReader, TakesWhatRealWritersProduce) {
    struct Case {
        const char *what;
        QByteArray file;
        QStringList records;
        const char *note; ///< a note that must be given, "" for none at all
    };
    const QStringList one = {QStringLiteral("CALL=F1ABC|BAND=40m")};
    const QStringList two = {QStringLiteral("CALL=F1ABC|BAND=40m"),
                             QStringLiteral("CALL=DL2XY|BAND=20m")};
    const Case cases[] = {
        {"header of free text",
         "Made by hand\r\n<adif_ver:5>3.1.6\r\n<EOH>\r\n"
         "<CALL:5>F1ABC<BAND:3>40m<EOR>\r\n",
         one, ""},
        {"no header at all", "<CALL:5>F1ABC<BAND:3>40m<EOR>", one, ""},
        {"header made of tags only",
         "<ADIF_VER:5>3.1.6<PROGRAMID:3>XYZ<EOH>"
         "<CALL:5>F1ABC<BAND:3>40m<EOR>",
         one, ""},
        {"tags in any case", "<eoh><call:5>F1ABC<Band:3>40m<eOr>", one, ""},
        {"type indicators", "<EOH><CALL:5:S>F1ABC<BAND:3:E>40m<EOR>", one, ""},
        {"text and line ends between fields",
         "<EOH>\n<CALL:5>F1ABC   junk here\n\t<BAND:3>40m 73 <EOR>", one, ""},
        {"CR LF between records",
         "<EOH>\r\n<CALL:5>F1ABC<BAND:3>40m<EOR>\r\n"
         "<CALL:5>DL2XY<BAND:3>20m<EOR>\r\n",
         two, ""},
        {"LF between records",
         "<EOH>\n<CALL:5>F1ABC<BAND:3>40m<EOR>\n<CALL:5>DL2XY<BAND:3>20m"
         "<EOR>\n",
         two, ""},
        {"nothing between records",
         "<EOH><CALL:5>F1ABC<BAND:3>40m<EOR><CALL:5>DL2XY<BAND:3>20m"
         "<EOR>",
         two, ""},
        {"byte-order mark", "\xEF\xBB\xBF<CALL:5>F1ABC<BAND:3>40m<EOR>", one, ""},
        {"last record without <EOR>",
         "<EOH><CALL:5>F1ABC<BAND:3>40m<EOR><CALL:5>DL2XY<BAND:3>20m",
         {QStringLiteral("CALL=F1ABC|BAND=40m"), QStringLiteral("CALL=DL2XY|BAND=20m!")},
         "n'est pas fermé par <EOR>"},
        {"'<' in the header and in values",
         "a <b> c < d\r\n<EOH><CALL:5>F1ABC<COMMENT:7><eor> x"
         "<BAND:3>40m<EOR>",
         {QStringLiteral("CALL=F1ABC|COMMENT=<eor> x|BAND=40m")},
         ""},
        {"empty values and empty records",
         "<EOH><EOR><CALL:5>F1ABC<NAME:0><BAND:3>40m<EOR><EOR>",
         {QStringLiteral("CALL=F1ABC|NAME=|BAND=40m")},
         ""},
        {"length past the end of the file",
         "<EOH><CALL:5>F1ABC<COMMENT:500>short",
         {QStringLiteral("CALL=F1ABC|COMMENT=short!")},
         "dépasse la fin du fichier"},
        {"length with too many digits",
         "<CALL:5>F1ABC<COMMENT:99999999999999999999999>xy",
         {QStringLiteral("CALL=F1ABC|COMMENT=xy!")},
         "dépasse la fin du fichier"},
        {"length counted in bytes",
         "<CALL:5>F1ABC<NAME:6>Herv\xC3\xA9<EOR>",
         {QStringLiteral("CALL=F1ABC|NAME=Hervé")},
         ""},
        {"length counted in characters",
         "<CALL:5>F1ABC<NAME:5>Herv\xC3\xA9<BAND:3>40m<EOR>",
         {QStringLiteral("CALL=F1ABC|NAME=Hervé|BAND=40m")},
         "comptée en caractères"},
        {"application fields",
         "<APP_LOGGER_ID:2>42<CALL:5>F1ABC<USERDEF1:3>abc<EOR>",
         {QStringLiteral("APP_LOGGER_ID=42|CALL=F1ABC|USERDEF1=abc")},
         ""},
        {"tag cut by the end of the file", "<CALL:5>F1ABC<EOR><BAND:3", {"CALL=F1ABC"}, ""},
        {"empty file", "", {}, ""},
    };
    for (const Case &c : cases) {
        const adif::ReadResult read = adif::readAdi(c.file);
        EXPECT_EQ(shapes(read), c.records) << c.what;
        if (*c.note == 0) {
            EXPECT_TRUE(read.notes.isEmpty()) << c.what;
            continue;
        }
        EXPECT_TRUE(std::any_of(
            read.notes.cbegin(), read.notes.cend(),
            [&](const adif::ReaderNote &n) { return n.text.contains(QString::fromUtf8(c.note)); }))
            << c.what;
    }
}

TEST(AdifReader, RecordsKnowTheirNumberAndLine) {
    const adif::ReadResult read = adif::readAdi("header\r\n<EOH>\r\n\r\n<CALL:5>F1ABC\r\n<EOR>\r\n"
                                                "<CALL:5>DL2XY<EOR>\r\n<CALL:4>G4AA");
    ASSERT_EQ(read.records.size(), 3);
    EXPECT_EQ(read.records[0].number, 1);
    EXPECT_EQ(read.records[0].line, 4);
    EXPECT_EQ(read.records[1].line, 6);
    EXPECT_EQ(read.records[2].number, 3);
    EXPECT_EQ(read.records[2].line, 7);
    ASSERT_EQ(read.notes.size(), 1);
    EXPECT_EQ(read.notes[0].record, 3);
    EXPECT_EQ(read.records[0].value("CALL"), "F1ABC");
    EXPECT_TRUE(read.records[0].value("NAME").isNull());
}

TEST(AdifReader, NoLengthReadsPastTheBuffer) {
    // Every cut of a file with lengths of every size: values always lie within what was given.
    const QByteArray file = "h<EOH><CALL:5>F1ABC<NAME:6>Herv\xC3\xA9<COMMENT:3:S>abc<EOR>"
                            "<CALL:12>DL2XY/P/QRPP<FREQ:6>14.074<EOR>";
    for (qsizetype cut = 0; cut <= file.size(); ++cut) {
        // A copy of exactly `cut` bytes: a sanitizer sees any read beyond it.
        const QByteArray part(file.constData(), cut);
        const adif::ReadResult read = adif::readAdi(part);
        qsizetype total = 0;
        for (const adif::Record &r : read.records)
            for (const adif::Field &f : r.fields)
                total += f.name.size() + f.value.size();
        EXPECT_LE(total, cut);
    }
}

TEST(AdifReader, ReadsXmlAdif) {
    struct Case {
        const char *what;
        QByteArray file;
        QStringList records;
        const char *note;
    };
    const Case cases[] = {
        {"records, header and application fields",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ADX><HEADER><ADIF_VER>3.1.6"
         "</ADIF_VER></HEADER><RECORDS>\n<RECORD><call>F1ABC</call><NAME>Hervé &amp; co"
         "</NAME><APP PROGRAMID=\"Log\" FIELDNAME=\"Id\" TYPE=\"N\">7</APP>"
         "<USERDEF FIELDNAME=\"park\">K-0001</USERDEF></RECORD>\n<RECORD><CALL>DL2XY</CALL>"
         "</RECORD></RECORDS></ADX>",
         {QStringLiteral("CALL=F1ABC|NAME=Hervé & co|APP_LOG_ID=7|PARK=K-0001"),
          QStringLiteral("CALL=DL2XY")},
         ""},
        {"cut in the middle of a record",
         "<?xml version=\"1.0\"?><ADX><RECORDS><RECORD><CALL>F1ABC</CALL></RECORD><RECORD>"
         "<CALL>DL2XY</CALL><BAND>20",
         {QStringLiteral("CALL=F1ABC"), QStringLiteral("CALL=DL2XY!")},
         "n'est plus lisible"},
    };
    for (const Case &c : cases) {
        EXPECT_TRUE(adif::looksLikeAdx(c.file)) << c.what;
        const adif::ReadResult read = adif::readAdif(c.file);
        EXPECT_EQ(shapes(read), c.records) << c.what;
        EXPECT_EQ(read.notes.size(), *c.note ? 1 : 0) << c.what;
        if (*c.note && !read.notes.isEmpty()) {
            EXPECT_TRUE(read.notes.front().text.contains(QString::fromUtf8(c.note))) << c.what;
        }
    }
    EXPECT_FALSE(adif::looksLikeAdx("<CALL:5>F1ABC<EOR>"));
    EXPECT_FALSE(adif::looksLikeAdx("ADIF export\r\n<EOH>"));
}

TEST(AdifReader, ReadsA50MegabyteFileWhole) {
    const QByteArray record = "<CALL:6>F4ABCD <QSO_DATE:8>20260107 <TIME_ON:6>101500 "
                              "<BAND:3>40m <MODE:3>SSB <RST_SENT:2>59 <RST_RCVD:2>57 "
                              "<NAME:6>Pierre <COMMENT:21>merci pour le contact <eor>\r\n";
    const int count = int(50 * 1024 * 1024 / record.size()) + 1;
    QByteArray file = "big file\r\n<EOH>\r\n";
    file.reserve(file.size() + qsizetype(count) * record.size());
    for (int i = 0; i < count; ++i)
        file += record;
    ASSERT_GE(file.size(), 50 * 1024 * 1024);
    QElapsedTimer timer;
    timer.start();
    const adif::ReadResult read = adif::readAdi(file);
    EXPECT_EQ(read.records.size(), count);
    EXPECT_EQ(read.records.back().value("COMMENT"), "merci pour le contact");
    EXPECT_TRUE(read.notes.isEmpty());
    EXPECT_LT(timer.elapsed(), 10000) << "a 50 MB file is read in seconds, not minutes";
}

TEST(AdifReader, DeepXmlNestingIsReadWithoutRecursion) {
    // 70,000 levels: a reader that recursed once per level would run out of stack.
    const int levels = 70000;
    QByteArray deep;
    for (int i = 0; i < levels; ++i)
        deep += "<x>";
    deep += "73";
    for (int i = 0; i < levels; ++i)
        deep += "</x>";
    const QByteArray head = "<?xml version=\"1.0\"?><ADX><RECORDS>";
    const QByteArray tail = "<RECORD><CALL>DL2XY</CALL></RECORD></RECORDS></ADX>";
    struct Case {
        const char *what;
        QByteArray file;
        QStringList records;
        QList<bool> refused;
    };
    const Case cases[] = {
        {"elements nested in a field",
         head + "<RECORD><CALL>F1ABC</CALL><COMMENT>" + deep + "</COMMENT></RECORD>" + tail,
         {QStringLiteral("CALL=F1ABC"), QStringLiteral("CALL=DL2XY")},
         {true, false}},
        {"a record inside a record",
         head + "<RECORD><CALL>F1ABC</CALL><RECORD><CALL>G4AAA</CALL></RECORD></RECORD>" + tail,
         {QStringLiteral("CALL=F1ABC"), QStringLiteral("CALL=DL2XY")},
         {true, false}},
        {"nesting outside the records",
         "<?xml version=\"1.0\"?><ADX><HEADER>" + deep + "</HEADER><RECORDS>" + tail,
         {QStringLiteral("CALL=DL2XY")},
         {false}},
        {"a field of text only, entities and CDATA",
         head + "<RECORD><CALL>F1ABC</CALL><NAME>A &amp; <![CDATA[<B>]]></NAME></RECORD>" + tail,
         {QStringLiteral("CALL=F1ABC|NAME=A & <B>"), QStringLiteral("CALL=DL2XY")},
         {false, false}},
    };
    for (const Case &c : cases) {
        const adif::ReadResult read = adif::readAdif(c.file);
        EXPECT_EQ(shapes(read), c.records) << c.what;
        QList<bool> refused;
        for (const adif::Record &r : read.records) {
            refused.append(!r.refused.isEmpty());
            EXPECT_LE(r.refused.size(), 200) << c.what << ": a reason, not the file";
        }
        EXPECT_EQ(refused, c.refused) << c.what;
        EXPECT_TRUE(read.notes.isEmpty()) << c.what;
    }
}

TEST(AdifReader, ReadsUtf16WithItsByteOrderMark) {
    const QString adi = QStringLiteral("Journal\r\n<EOH>\r\n<CALL:5>F1ABC<NAME:5>Hervé<EOR>\r\n"
                                       "<call:5>DL2XY<eor>\r\n");
    const QString adx = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><ADX><RECORDS>"
                                       "<RECORD><CALL>F1ABC</CALL><NAME>Hervé</NAME></RECORD>"
                                       "<RECORD><CALL>DL2XY</CALL></RECORD></RECORDS></ADX>");
    const auto utf16 = [](const QString &text, bool bigEndian) {
        QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (const QChar c : text) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            out += bigEndian ? high : low;
            out += bigEndian ? low : high;
        }
        return out;
    };
    const QStringList expected = {QStringLiteral("CALL=F1ABC|NAME=Hervé"),
                                  QStringLiteral("CALL=DL2XY")};
    for (const bool bigEndian : {false, true})
        for (const QString &text : {adi, adx}) {
            const QByteArray file = utf16(text, bigEndian);
            const adif::ReadResult read = adif::readAdif(file);
            EXPECT_EQ(shapes(read), expected)
                << (bigEndian ? "UTF-16BE " : "UTF-16LE ") << text.left(5).toStdString();
            EXPECT_FALSE(read.brokenTags);
            EXPECT_GE(adif::countRecordsAtMost(file), 2) << "the bound sees every record";
            EXPECT_LE(adif::countRecordsAtMost(file), 3);
        }
}

TEST(AdifReader, TellsBrokenTagsFromOddButSoundFiles) {
    QByteArray lostOpenings = "Journal\r\n<ADIF_VER:5>3.1.6<EOH>\r\n";
    QByteArray lostEors = lostOpenings;
    QByteArray sound = lostOpenings;
    for (int i = 0; i < 30; ++i) {
        const QByteArray call = "F" + QByteArray::number(i % 10) + "ABC";
        lostOpenings += "CALL:5>" + call + " QSO_DATE:8>20261207 BAND:3>40m MODE:3>SSB EOR>\r\n";
        lostEors += "<CALL:5>" + call + " <QSO_DATE:8>20261207 <BAND:3>40m <MODE:3>SSB\r\n";
        sound += "<CALL:5>" + call + " <COMMENT:10>x:5> EOR> <BAND:3>40m <EOR>\r\n";
    }
    // The first line kept its "<": a reader that took it would see one record.
    lostOpenings.replace("\r\nCALL:5>F0ABC", "\r\n<CALL:5>F0ABC");
    struct Case {
        const char *what;
        QByteArray file;
        bool broken;
    };
    const Case cases[] = {
        {"every '<' but the first lost", lostOpenings, true},
        {"every <EOR> lost", lostEors, true},
        {"tag-like text inside values", sound, false},
        {"one record without <EOR>", "<CALL:5>F1ABC<BAND:3>40m", false},
        {"a record that names two calls", "<CALL:5>F1ABC<CALL:5>F1ABD<EOR>", false},
        {"free text header with colons", "note: 3> 4> 5>\r\n<EOH><CALL:5>F1ABC<EOR>", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(adif::readAdif(c.file).brokenTags, c.broken) << c.what;
}

TEST(AdifReader, StreamingGivesWhatReadingWholeGives) {
    // Each record handed over alone, with its own notes; the file's notes apart.
    const QByteArray file = "h<EOH><CALL:5>F1ABC<NAME:5>Herv\xC3\xA9<EOR>\r\n<CALL:5>DL2XY<EOR>"
                            "<CALL:4>G4AA<COMMENT:90>x";
    const adif::ReadResult whole = adif::readAdif(file);
    QList<adif::Record> records;
    QList<adif::ReaderNote> notes;
    const bool broken = adif::streamAdif(file, {[&](adif::Record &&r, QList<adif::ReaderNote> &&n) {
                                                    for (const adif::ReaderNote &one : n)
                                                        EXPECT_EQ(one.record, r.number)
                                                            << "a note given with another record";
                                                    notes.append(n);
                                                    records.append(std::move(r));
                                                },
                                                [&](adif::ReaderNote &&n) { notes.append(n); }});
    EXPECT_FALSE(broken);
    ASSERT_EQ(records.size(), whole.records.size());
    for (qsizetype i = 0; i < records.size(); ++i)
        EXPECT_EQ(shape(records[i]), shape(whole.records[i]));
    ASSERT_EQ(notes.size(), whole.notes.size());
    EXPECT_EQ(notes.size(), 3);
    EXPECT_EQ(adif::countRecordsAtMost(file), 3);
    // The bound counts a record after the last <EOR> only when a tag follows it.
    EXPECT_EQ(adif::countRecordsAtMost("h<EOH><CALL:1>A<EOR><CALL:1>B<eor>\r\n"), 2);
    EXPECT_EQ(adif::countRecordsAtMost("<CALL:1>A<EOR><CALL:1>B"), 2);
    EXPECT_EQ(adif::countRecordsAtMost(""), 0);
}

TEST(AdifReader, QuotesAtMostEightyCharacters) {
    EXPECT_EQ(adif::quoted(QString(80, QLatin1Char('a'))), QString(80, QLatin1Char('a')));
    const QString cut = adif::quoted(QString(81, QLatin1Char('a')));
    EXPECT_EQ(cut, QString(80, QLatin1Char('a')) + QChar(0x2026));
    // A character beyond the first plane is not split in two.
    const QString wide = QString(79, QLatin1Char('a')) + QStringLiteral("😀😀");
    EXPECT_EQ(adif::quoted(wide), QString(79, QLatin1Char('a')) + QChar(0x2026));
}
