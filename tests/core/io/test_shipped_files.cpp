// Where the shipped files are found, installed or not.

#include "core/io/ShippedFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zep;

namespace {

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

} // namespace
