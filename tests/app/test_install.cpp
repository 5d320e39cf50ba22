// The program installed with `cmake --install` into a temporary prefix: its files at the
// freedesktop places, its command line answered without a screen, and a start from the
// installed place that keeps the data in the user's data directory.

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QByteArray contentOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = new QTemporaryDir;
        ASSERT_TRUE(root->isValid());
        QProcess install;
        install.start(QStringLiteral(ZEP_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(ZEP_BUILD_DIR),
                       QStringLiteral("--prefix"), prefix()});
        ASSERT_TRUE(install.waitForFinished(120000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    }
    static void TearDownTestSuite() {
        delete root;
        root = nullptr;
    }

    static QString prefix() { return root->filePath(QStringLiteral("usr")); }
    static QString installed(const QString &relative) {
        return prefix() + QLatin1Char('/') + relative;
    }
    static QString program() { return installed(QStringLiteral("bin/zep-rozadovev")); }

    /// A run environment with its own home, and no screen unless `platform` names one.
    QProcessEnvironment environment(const QString &platform = QString()) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        if (!platform.isEmpty())
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        return env;
    }

    static inline QTemporaryDir *root = nullptr;
    QTemporaryDir home;
};

TEST_F(Installed, FilesStandWhereTheDesktopLooksForThem) {
    const struct {
        const char *path;
        const char *mustContain;
    } rows[] = {
        {"bin/zep-rozadovev", ""},
        {"share/zep-rozadovev/help/guide.html", "<a name=\"sommaire\">"},
        {"share/zep-rozadovev/help/bilan-activation.png", "\x89PNG"},
        {"share/zep-rozadovev/Regles_Validite.csv", "\nPOTA;10;"},
        {"share/applications/zep-rozadovev.desktop", "Exec=zep-rozadovev\n"},
        {"share/applications/zep-rozadovev.desktop", "Icon=zep-rozadovev\n"},
        {"share/icons/hicolor/scalable/apps/zep-rozadovev.svg", "<svg"},
        {"share/doc/zep-rozadovev/README.md", "ZEP_Rozadovev"},
        {"share/doc/zep-rozadovev/copyright", "Files: data/france-departments.svg"},
        {"share/doc/zep-rozadovev/changelog.Debian.gz", "\x1f\x8b"},
        {"share/man/man1/zep-rozadovev.1.gz", "\x1f\x8b"},
        {"share/metainfo/org.example.zep.rozadovev.metainfo.xml",
         "<launchable type=\"desktop-id\">zep-rozadovev.desktop</launchable>"},
    };
    for (const auto &row : rows) {
        const QString path = installed(QString::fromLatin1(row.path));
        ASSERT_TRUE(QFileInfo(path).isFile()) << row.path;
        EXPECT_TRUE(contentOf(path).contains(row.mustContain)) << row.path;
    }
    EXPECT_TRUE(QFileInfo(program()).isExecutable());
}

TEST_F(Installed, CommandLineIsAnsweredWithoutAScreen) {
    const struct {
        QStringList arguments;
        int exitCode;
        const char *out;
        const char *err;
    } rows[] = {
        {{QStringLiteral("--version")}, 0, "zep-rozadovev 1.3.7b\n", ""},
        {{QStringLiteral("-v")}, 0, "zep-rozadovev 1.3.7b\n", ""},
        {{QStringLiteral("--help")}, 0, "Utilisation : zep-rozadovev [options]", ""},
        {{QStringLiteral("-h")}, 0, "-d, --dir <r\xc3\xa9pertoire>", ""},
        {{QStringLiteral("--dir"), QStringLiteral("/tmp"), QStringLiteral("--help")},
         0,
         "Options :",
         ""},
    };
    for (const auto &row : rows) {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(program(), row.arguments);
        ASSERT_TRUE(p.waitForFinished(20000)) << row.arguments.join(' ').toStdString();
        const QByteArray out = p.readAllStandardOutput();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), row.exitCode) << row.arguments.join(' ').toStdString();
        EXPECT_TRUE(out.contains(row.out)) << out.toStdString();
        EXPECT_TRUE(p.readAllStandardError().contains(row.err));
    }
    // Help in French names where an installed program keeps its files.
    QProcess help;
    help.setProcessEnvironment(environment());
    help.start(program(), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(20000));
    EXPECT_TRUE(help.readAllStandardOutput().contains(
        QFile::encodeName(home.filePath(QStringLiteral("data/Riduzazur/ZEP_Rozadovev")))));
}

TEST_F(Installed, AWrongCommandLineIsRefusedInFrenchWithoutAScreen) {
    const struct {
        QStringList arguments;
        const char *cause;
    } rows[] = {
        {{QStringLiteral("--sans-fin")}, "option inconnue « --sans-fin »"},
        {{QStringLiteral("--dir")}, "valeur manquante après « --dir »"},
        {{QStringLiteral("journal.txt")}, "argument inattendu « journal.txt »"},
        // Qt's own options are left to it, and do not hide a wrong one.
        {{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--sans-fin")},
         "option inconnue « --sans-fin »"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        QProcess p;
        p.setProcessEnvironment(environment()); // no display, no platform named
        p.start(program(), row.arguments);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 2);
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
                  QStringLiteral("zep-rozadovev : %1\nEssayez « zep-rozadovev --help ».\n")
                      .arg(QString::fromUtf8(row.cause)));
    }
}

TEST_F(Installed, DataGoToTheUsersDataDirectoryWithThePrefixTable) {
    // The table as the package ships it (written here when this tree has none yet).
    const QString shippedTable =
        installed(QStringLiteral("share/zep-rozadovev/Continents_DXCC.csv"));
    if (!QFileInfo::exists(shippedTable)) {
        QFile f(shippedTable);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("F;France;F;EU\r\n");
    }
    const QStringList binBefore =
        QDir(installed(QStringLiteral("bin")))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QProcess p;
    p.setProcessEnvironment(environment(QStringLiteral("offscreen")));
    p.start(program(), {});
    ASSERT_TRUE(p.waitForStarted(10000));
    const QString data = home.filePath(QStringLiteral("data/Riduzazur/ZEP_Rozadovev"));
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(data + QStringLiteral("/Liste_Activite.txt")) &&
           p.state() == QProcess::Running && t.elapsed() < 20000)
        QTest::qWait(50);
    const bool running = p.state() == QProcess::Running;
    p.kill();
    p.waitForFinished(5000);
    ASSERT_TRUE(running) << p.readAllStandardError().toStdString();

    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("/Liste_Activite.txt")));
    EXPECT_EQ(contentOf(data + QStringLiteral("/Continents_DXCC.csv")), contentOf(shippedTable));
    // The executable's directory is writable here, and still nothing was put there.
    EXPECT_EQ(QDir(installed(QStringLiteral("bin")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              binBefore);
}

} // namespace
