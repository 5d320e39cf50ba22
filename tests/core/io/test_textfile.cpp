#include "core/io/TextFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/TestFiles.h"

using namespace zep;

using zep::testfiles::bytesOf;
using zep::testfiles::put;

TEST(TextFile, ReadsEveryLineEndingAndNeverDropsALine) {
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("a.txt"));
    put(p, "un\r\ndeux\ntrois");
    EXPECT_EQ(readTextFile(p).lines, (QStringList{"un", "deux", "trois"}));
    put(p, "\r\n\r\n");
    EXPECT_EQ(readTextFile(p).lines, (QStringList{"", ""}));
    put(p, "");
    EXPECT_TRUE(readTextFile(p).lines.isEmpty());
    EXPECT_TRUE(readTextFile(p).status.ok);
    const TextLines missing = readTextFile(dir.filePath(QStringLiteral("none.txt")));
    EXPECT_TRUE(missing.missing);
    EXPECT_FALSE(missing.status.ok);
    EXPECT_TRUE(missing.status.message.contains(QStringLiteral("introuvable")));
}

TEST(TextFile, RoundTripsWindows1252AndRefusesWhatItCannotHold) {
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("a.txt"));
    const QString accents = QStringLiteral("Frédéric œ € Ç");
    ASSERT_TRUE(writeTextFile(p, {accents, QStringLiteral("x")}).ok);
    EXPECT_EQ(bytesOf(p), QByteArray("Fr\xE9"
                                     "d\xE9ric \x9C \x80 \xC7\r\nx\r\n"));
    EXPECT_EQ(readTextFile(p).lines.first(), accents);

    const IoResult refused = writeTextFile(p, {QStringLiteral("Łukasz ✓")});
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("Ł✓")));
    EXPECT_EQ(bytesOf(p), QByteArray("Fr\xE9"
                                     "d\xE9ric \x9C \x80 \xC7\r\nx\r\n"));
    EXPECT_FALSE(appendTextLine(p, QStringLiteral("日本")).ok);
    EXPECT_EQ(cp1252::unencodableCharacters(QStringLiteral("aéŁbŁ")), QStringLiteral("Ł"));
    EXPECT_TRUE(cp1252::canEncode(QStringLiteral("Père Noël €")));
}

// Every byte reads as the system's Windows-1252 converter reads it, in a line of any length
// (the decoder widens plain ASCII sixteen bytes at a time), and goes back to the same byte.
TEST(TextFile, EveryByteReadsAsTheSystemConverterReadsIt) {
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    QStringDecoder system("windows-1252");
    ASSERT_TRUE(system.isValid());
    const QString expected = system.decode(all);
    for (const qsizetype shift : {0, 1, 7, 15, 16, 17}) {
        const QByteArray bytes = QByteArray(shift, 'a') + all + all.first(shift);
        const QString decoded = cp1252::decode(bytes);
        ASSERT_EQ(decoded.size(), bytes.size());
        EXPECT_EQ(decoded.mid(shift, 256), expected) << "shift " << shift;
        QByteArray back;
        ASSERT_TRUE(cp1252::encode(decoded, back));
        EXPECT_EQ(back, bytes) << "shift " << shift;
    }
}

TEST(TextFile, AppendEndsATornLastLineFirstAndCreatesAMissingFile) {
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("log.txt"));
    ASSERT_TRUE(appendTextLine(p, QStringLiteral("A")).ok);
    ASSERT_TRUE(appendTextLine(p, QStringLiteral("B")).ok);
    EXPECT_EQ(bytesOf(p), QByteArray("A\r\nB\r\n"));
    put(p, "A\r\nhalf");
    ASSERT_TRUE(appendTextLine(p, QStringLiteral("C")).ok);
    EXPECT_EQ(bytesOf(p), QByteArray("A\r\nhalf\r\nC\r\n"));
}

TEST(TextFile, RewriteLeavesNoScratchFileAndCopiesExactly) {
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("log.txt"));
    put(p, "old\r\n");
    ASSERT_TRUE(writeTextFile(p, {QStringLiteral("new")}, QStringLiteral("Temporaire6.txt")).ok);
    EXPECT_EQ(bytesOf(p), QByteArray("new\r\n"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Temporaire6.txt"))));

    const QString copy = dir.filePath(QStringLiteral("copy.txt"));
    put(copy, "something else entirely\r\n");
    ASSERT_TRUE(copyFileSafely(p, copy).ok);
    EXPECT_EQ(bytesOf(copy), bytesOf(p));
    EXPECT_TRUE(removeFile(copy).ok);
    EXPECT_TRUE(removeFile(copy).ok) << "removing a file already gone is not an error";
    EXPECT_TRUE(ensureFileExists(copy).ok);
    EXPECT_EQ(bytesOf(copy), QByteArray());
}

TEST(TextFile, ReportsADirectoryThatCannotBeWrittenInFrench) {
    const IoResult r =
        writeTextFile(QStringLiteral("/nonexistent-dir/x.txt"), {QStringLiteral("a")});
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(
        r.message.startsWith(QStringLiteral("Impossible d'enregistrer le fichier \"x.txt\"")));
}
