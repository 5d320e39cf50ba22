// The first-name memory is searched sixteen bytes at a time for the lines that may hold a call
// sign. These tests set the lookup and the rewrite against the plain rule, line by line, on
// memories full of near misses placed at every offset, so that a line start falling at the
// edge of a block or at the very end of the file is not overlooked.

#include "core/aids/FirstNames.h"
#include "core/io/TextFile.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/TestFiles.h"

using namespace zep;
using zep::testfiles::bytesOf;
using zep::testfiles::put;

namespace {

/// The rule as written: the entry whose first 12 columns, blanks trimmed, are the call sign;
/// the last one wins.
FirstNameLookup plainLookup(const QByteArray &bytes, const QString &call) {
    FirstNameLookup result;
    for (const QString &line : splitLines(cp1252::decode(bytes))) {
        QStringView columns = QStringView(line).left(12);
        while (!columns.isEmpty() && columns.front() == QLatin1Char(' '))
            columns = columns.sliced(1);
        while (!columns.isEmpty() && columns.back() == QLatin1Char(' '))
            columns.chop(1);
        if (columns != call)
            continue;
        result.known = true;
        const QString department = line.mid(13, 2);
        result.department = department == QLatin1String("  ") ? QString() : department;
        result.firstName = line.mid(16);
    }
    return result;
}

/// Lines that look like the call sign without holding it, and some that do.
QByteArray nearMisses(QRandomGenerator &random, const QByteArray &call) {
    const QList<QByteArray> shapes = {
        call + "        75 Jean",
        call + "X       13 Luc",
        "  " + call + "      2a Ann",
        call.left(call.size() - 1) + "         33 Zoe",
        "W" + call + "       01 Paul",
        "F6ZZZ        13 " + call,
        call,
        call + "\r",
        "",
        "            44 Personne",
        call + "\t       75 Tab",
        call.left(2),
        call + QByteArray(12 - call.size(), ' ') + "88 Fin",
    };
    QByteArray bytes;
    const int lines = 1 + int(random.bounded(40));
    for (int i = 0; i < lines; ++i) {
        bytes += shapes.at(int(random.bounded(shapes.size())));
        bytes += random.bounded(4) == 0 ? "\n" : "\r\n";
    }
    if (random.bounded(3) == 0) // a last line without its end
        bytes += shapes.at(int(random.bounded(shapes.size())));
    return bytes;
}

} // namespace

TEST(FirstNameScan, LookupAgreesWithTheLineByLineRuleAtEveryOffset) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Liste_Prenom.txt"));
    FirstNameMemory memory(path);
    QRandomGenerator random(20261207);
    for (const QByteArray &call : {QByteArray("F1ABC"), QByteArray("K1"), QByteArray("F/ON4ABC/QR"),
                                   QByteArray("F/ON4ABC/QRP")}) {
        for (int round = 0; round < 300; ++round) {
            // A few leading bytes move every line start across the sixteen-byte blocks.
            const QByteArray bytes =
                QByteArray(int(random.bounded(17)), 'Z') + "\r\n" + nearMisses(random, call);
            put(path, bytes);
            const QString c = QString::fromLatin1(call);
            const FirstNameLookup fast = memory.find(c);
            const FirstNameLookup plain = plainLookup(bytes, c);
            ASSERT_EQ(fast.known, plain.known) << bytes.toStdString();
            ASSERT_EQ(fast.department, plain.department) << bytes.toStdString();
            ASSERT_EQ(fast.firstName, plain.firstName) << bytes.toStdString();
        }
    }
}

TEST(FirstNameScan, RewriteReplacesExactlyTheEntriesTheLookupFinds) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Liste_Prenom.txt"));
    FirstNameMemory memory(path);
    QRandomGenerator random(7);
    const QByteArray call("F1ABC");
    const QByteArray entry = "F1ABC        21 Nouveau";
    for (int round = 0; round < 300; ++round) {
        const QByteArray bytes =
            QByteArray(int(random.bounded(17)), 'Z') + "\n" + nearMisses(random, call);
        put(path, bytes);
        // The lines to replace: those whose first 12 columns, blanks trimmed, are the call
        // sign (the entries a lookup finds, so that it then finds the new one).
        QByteArray expected;
        bool any = false;
        qsizetype start = 0;
        while (start < bytes.size()) {
            qsizetype end = bytes.indexOf('\n', start);
            const bool lastLine = end < 0;
            end = lastLine ? bytes.size() : end;
            qsizetype stop = end;
            if (!lastLine && stop > start && bytes.at(stop - 1) == '\r')
                --stop;
            const QByteArray line = bytes.mid(start, stop - start);
            QByteArray columns = line.left(12);
            while (columns.startsWith(' '))
                columns.remove(0, 1);
            while (columns.endsWith(' '))
                columns.chop(1);
            const bool hit = columns == call;
            any = any || hit;
            expected += (hit ? entry : line) + bytes.mid(stop, end - stop + (lastLine ? 0 : 1));
            start = end + 1;
        }
        ASSERT_TRUE(memory
                        .remember(QString::fromLatin1(call), QStringLiteral("21"),
                                  QStringLiteral("Nouveau"), false)
                        .ok);
        if (any)
            ASSERT_EQ(bytesOf(path), expected) << bytes.toStdString();
        else // no entry to rewrite: the call sign gets its own at the end
            ASSERT_TRUE(bytesOf(path).endsWith(entry + "\r\n")) << bytes.toStdString();
    }
}
