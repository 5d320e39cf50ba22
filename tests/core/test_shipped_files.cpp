// Where the shipped files are found (installed or not), and the prefix table handed to a new
// data directory without ever replacing a user's own.

#include "core/ShippedFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zep;

namespace {

QByteArray contentOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

void writeFile(const QString &path, const QByteArray &content) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

TEST(ShippedFiles, InstalledOnlyWhenTheExecutableSitsInBinBesideItsShareFolder) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const struct {
        const char *executableDir;
        const char *shareDir; // made before the lookup; empty for none
        bool installed;
        const char *shippedDir;
    } rows[] = {
        {"usr/bin", "usr/share/zep-rozadovev", true, "usr/share/zep-rozadovev"},
        {"opt/zep/bin", "opt/zep/share/zep-rozadovev", true, "opt/zep/share/zep-rozadovev"},
        {"local/bin", "", false, "local/bin"},                          // no data installed
        {"build/app", "build/share/zep-rozadovev", false, "build/app"}, // a build tree
        {"Radio/ZEP", "", false, "Radio/ZEP"},                          // a folder of its own
    };
    for (const auto &row : rows) {
        const QString exe = root.filePath(QString::fromLatin1(row.executableDir));
        ASSERT_TRUE(QDir().mkpath(exe));
        if (*row.shareDir) {
            ASSERT_TRUE(QDir().mkpath(root.filePath(QString::fromLatin1(row.shareDir))));
        }
        const ShippedFiles found = locateShippedFiles(exe);
        EXPECT_EQ(found.installed, row.installed) << row.executableDir;
        EXPECT_EQ(found.dir, root.filePath(QString::fromLatin1(row.shippedDir)))
            << row.executableDir;
        EXPECT_EQ(userGuidePath(found), found.dir + QStringLiteral("/help/guide.html"));
    }
}

TEST(ShippedFiles, PrefixTableIsCopiedIntoANewDirectoryAndAUsersOwnIsKept) {
    const QByteArray shippedTable = "F;France;F;EU\r\nON;Belgique;ON;EU\r\n";
    const QByteArray usersTable = "F;France (ma table);F;EU\r\n";
    const struct {
        const char *name;
        bool shipped;        // the program came with a table
        bool alreadyThere;   // the data directory holds the user's own
        QByteArray expected; // the data directory's table afterwards
    } rows[] = {
        {"new directory", true, false, shippedTable},
        {"user's own table", true, true, usersTable},
        {"shipped without a table", false, false, "<absent>"},
        {"shipped without, user's own", false, true, usersTable},
    };
    for (const auto &row : rows) {
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const ShippedFiles shipped{root.filePath(QStringLiteral("share")), true};
        const QString data = root.filePath(QStringLiteral("data"));
        ASSERT_TRUE(QDir().mkpath(shipped.dir));
        ASSERT_TRUE(QDir().mkpath(data));
        if (row.shipped)
            writeFile(shipped.dir + QStringLiteral("/Continents_DXCC.csv"), shippedTable);
        if (row.alreadyThere)
            writeFile(data + QStringLiteral("/Continents_DXCC.csv"), usersTable);

        const IoResult result =
            provideShippedFile(shipped, data, QStringLiteral("Continents_DXCC.csv"));
        EXPECT_TRUE(result.ok) << row.name << ": " << result.message.toStdString();
        EXPECT_EQ(contentOf(data + QStringLiteral("/Continents_DXCC.csv")), row.expected)
            << row.name;
        EXPECT_EQ(QDir(data).entryList(QDir::Files | QDir::Hidden).size(),
                  row.expected == "<absent>" ? 0 : 1)
            << row.name << ": no scratch file left";
    }
}

TEST(ShippedFiles, ADirectoryThatCannotBeWrittenGivesAFrenchMessage) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const ShippedFiles shipped{root.filePath(QStringLiteral("share")), true};
    writeFile(shipped.dir + QStringLiteral("/Continents_DXCC.csv"), "F;France;F;EU\r\n");
    // A data "directory" that is a file: no write can succeed there, even for root.
    const QString data = root.filePath(QStringLiteral("data"));
    writeFile(data, "not a directory");

    const IoResult result =
        provideShippedFile(shipped, data, QStringLiteral("Continents_DXCC.csv"));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(contentOf(data), QByteArray("not a directory"));
}

} // namespace
