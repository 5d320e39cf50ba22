// Each write has a scratch file of its own: writes to different files of one folder, made at
// once by several threads, never swap or mix their contents; the scratch files are known by one
// rule, and those a crash left are removed at the next start.

#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace zep;
using zep::testfiles::bytesOf;
using zep::testfiles::put;

namespace {

/// The real calls, counted: installed and removed again and again while the writers run.
class CountingCalls : public sys::Calls {
public:
    std::atomic<int> opens{0};
    int open(const char *path, int flags, mode_t mode) override {
        ++opens;
        return sys::Calls::open(path, flags, mode);
    }
};

/// The bytes writer `w` puts in its file at round `r`: its name on every line, and a length of
/// its own, so that another writer's bytes or a cut are both seen.
QByteArray contentOf(const QString &name, int w, int r) {
    QByteArray line = name.toLatin1() + ' ' + QByteArray::number(r) + "\r\n";
    return line.repeated(1 + (r * 7 + w * 13) % 40);
}

} // namespace

TEST(ScratchFiles, WritersOfDifferentFilesOfOneFolderAtOnceEachKeepTheirOwnWholeContent) {
    QTemporaryDir dir;
    // The memory, the activation list, a log and MASTER.SCP: all saved through the same
    // scratch name, the last one by a worker thread while the window saves the others.
    const QStringList names = {"Liste_Prenom.txt", "Liste_Activite.txt", "DFCF 76054.txt",
                               "MASTER.SCP"};
    constexpr int rounds = 1500;
    std::atomic<int> wrong{0}, failed{0};
    std::atomic<bool> writing{true};
    std::vector<std::thread> writers;
    for (int w = 0; w < names.size(); ++w)
        writers.emplace_back([&, w] {
            const QString path = dir.filePath(names[w]);
            for (int r = 0; r < rounds; ++r) {
                const QByteArray mine = contentOf(names[w], w, r);
                if (!writeBytesFile(path, mine, QStringLiteral("Temporaire.txt")))
                    ++failed;
                // Nobody else writes this file: it must hold these very bytes now.
                else if (bytesOf(path) != mine)
                    ++wrong;
            }
        });
    // The system-call seam swapped meanwhile, as a test on another thread may do it.
    CountingCalls counting;
    std::thread swapper([&] {
        while (writing.load()) {
            sys::ScopedCalls seam(counting);
            std::this_thread::yield();
        }
    });
    for (std::thread &t : writers)
        t.join();
    writing = false;
    swapper.join();

    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(wrong.load(), 0) << "a file held another writer's bytes or a cut content";
    for (int w = 0; w < names.size(); ++w)
        EXPECT_EQ(bytesOf(dir.filePath(names[w])), contentOf(names[w], w, rounds - 1))
            << names[w].toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), names.size())
        << QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
}

TEST(ScratchFiles, OneRuleTellsScratchFilesFromDataFiles) {
    const struct {
        QString name;
        bool scratch;
    } rows[] = {
        {scratch::uniqueName(QStringLiteral("Temporaire.txt")), true},
        {scratch::uniqueName(QStringLiteral(".F4ABC @ F-12345.adi.zep-tmp")), true},
        {scratch::uniqueName(QStringLiteral("Temporaire.wav")), true},
        // Left by the earlier versions' fixed names.
        {QStringLiteral("Temporaire.txt"), true},
        {QStringLiteral("Temporaire6.txt"), true},
        {QStringLiteral("Temporaire.frq"), true},
        {QStringLiteral(".zep-copie.tmp"), true},
        {QStringLiteral(".zep-restauration-12.tmp"), true},
        {QStringLiteral(".Sauvegarde.zip.partiel"), true},
        // The operator's files, whatever they look like.
        {QStringLiteral("Liste_Prenom.txt"), false},
        {QStringLiteral("DFCF 76054.txt"), false},
        {QStringLiteral("MASTER.SCP"), false},
        {QStringLiteral("Temporaire notes.txt"), false},
        {QStringLiteral("zep~notes.txt"), false},
        {QStringLiteral(".zep-rozadovev.lock"), false},
    };
    for (const auto &row : rows)
        EXPECT_EQ(scratch::isScratchFileName(row.name), row.scratch) << row.name.toStdString();
    // Two names asked at once are never the same.
    EXPECT_NE(scratch::uniqueName(QStringLiteral("Temporaire.txt")),
              scratch::uniqueName(QStringLiteral("Temporaire.txt")));
}

TEST(ScratchFiles, LeftoversOfACrashGoAndNothingElse) {
    QTemporaryDir dir;
    const QDir d(dir.path());
    ASSERT_TRUE(d.mkpath(QStringLiteral("Messages")));
    const QStringList scratches = {
        scratch::uniqueName(QStringLiteral("Temporaire.txt")), QStringLiteral("Temporaire.txt"),
        QStringLiteral("Messages/") + scratch::uniqueName(QStringLiteral("Temporaire.wav"))};
    const QStringList data = {QStringLiteral("Liste_Prenom.txt"), QStringLiteral("Messages/F1.wav"),
                              QStringLiteral(".zep-rozadovev.lock")};
    for (const QString &name : scratches + data)
        put(d.filePath(name), "x");
    // A link under a scratch name is removed, never what it points to.
    QTemporaryDir elsewhere;
    const QString outside = QDir(elsewhere.path()).filePath(QStringLiteral("F-1.txt"));
    put(outside, "log");
    const QString link = scratch::uniqueName(QStringLiteral("Temporaire.txt"));
    ASSERT_TRUE(QFile::link(outside, d.filePath(link)));

    QStringList removed = scratch::removeLeftovers(dir.path());
    removed.sort();
    QStringList expected = scratches;
    expected.sort();
    EXPECT_EQ(removed, expected);
    for (const QString &name : data)
        EXPECT_TRUE(QFile::exists(d.filePath(name))) << name.toStdString();
    EXPECT_EQ(bytesOf(outside), "log");
}

TEST(ScratchFiles, ANameAlreadyTakenIsNeverOpenedThroughOrWrittenOver) {
    // Whatever stands under the next names (a link to a log, a file of another run, a folder),
    // the write takes a free name and leaves them as they were.
    QTemporaryDir dir, elsewhere;
    const QDir d(dir.path());
    const QString log = QDir(elsewhere.path()).filePath(QStringLiteral("F-1.txt"));
    put(log, "log");
    // The names the next writes would take, worked out from one asked now.
    const QString asked = scratch::uniqueName(QStringLiteral("Temporaire.txt"));
    const qsizetype dash = asked.lastIndexOf(QLatin1Char('-'));
    const qint64 next = asked.mid(dash + 1).toLongLong() + 1;
    for (qint64 n = next; n < next + 6; ++n) {
        const QString name = asked.left(dash + 1) + QString::number(n);
        switch (n % 3) {
        case 0:
            ASSERT_TRUE(QFile::link(log, d.filePath(name)));
            break;
        case 1:
            put(d.filePath(name), "another run");
            break;
        default:
            ASSERT_TRUE(d.mkdir(name));
        }
    }
    const QString target = d.filePath(QStringLiteral("Liste_Prenom.txt"));
    ASSERT_TRUE(writeBytesFile(target, "F6ABC Jean\r\n").ok);
    EXPECT_EQ(bytesOf(target), "F6ABC Jean\r\n");
    EXPECT_EQ(bytesOf(log), "log");
    EXPECT_EQ(
        d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(),
        7);
}
