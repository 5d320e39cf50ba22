#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/io/SysCalls.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>

using namespace zep;

TEST(SettingsStore, KeepsTextUnderTheSetupSectionWithItsTrailingBlank) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Riduzazur.ini"));
    {
        QSettingsStore store(ini);
        store.write(keys::numActivite, QStringLiteral("DFCF 76054"));
        store.write(keys::revision, revisionText);
        store.writeBool(keys::heureUtc, false);
        store.writeInt(keys::bandeActivite, 4);
    }
    QSettingsStore again(ini);
    EXPECT_EQ(again.read(keys::numActivite, QString()), QStringLiteral("DFCF 76054"));
    EXPECT_EQ(again.read(keys::revision, QString()), QStringLiteral(" 1.3.7b"));
    EXPECT_FALSE(again.readBool(keys::heureUtc, true));
    EXPECT_EQ(again.readInt(keys::bandeActivite, 1), 4);

    QFile raw(ini);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray text = raw.readAll();
    EXPECT_TRUE(text.contains("[Setup%20]")) << text.constData();
    EXPECT_FALSE(text.contains("[Setup]"));
}

TEST(SettingsStore, MissingOrMalformedValuesGiveTheReadersDefaults) {
    QTemporaryDir dir;
    QSettingsStore store(dir.filePath(QStringLiteral("empty.ini")));
    EXPECT_EQ(store.readInt(keys::modeActivite, 0), 0);
    EXPECT_EQ(store.readInt(keys::bandeActivite, 1), 1);
    EXPECT_TRUE(store.readBool(keys::heureUtc, true));
    EXPECT_FALSE(store.readBool(keys::modeRefrappe, false));
    EXPECT_EQ(store.read(keys::transceiver, QString()), QString());

    store.write(keys::modeActivite, QStringLiteral("CW")); // the old form, stored as text
    EXPECT_EQ(store.readInt(keys::modeActivite, 0), 0);
    store.write(keys::dateAuto, QStringLiteral("True"));
    EXPECT_TRUE(store.readBool(keys::dateAuto, false));
}

TEST(SettingsStore, ReloadTakesAFileRestoredUnderIt) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Riduzazur.ini"));
    QSettingsStore store(ini);
    store.write(keys::indicatif, QStringLiteral("F4ABC"));
    store.reload();
    QFile restored(ini);
    ASSERT_TRUE(restored.open(QIODevice::WriteOnly));
    restored.write("[Setup%20]\r\nIndicatif=F5XYZ\r\nLogger=F6DEF\r\n");
    restored.close();
    store.reload();
    EXPECT_EQ(store.read(keys::indicatif, QString()), QStringLiteral("F5XYZ"));
    // A value written afterwards joins the restored ones.
    store.write(keys::antenne, QStringLiteral("Dipôle"));
    store.reload();
    EXPECT_EQ(QSettingsStore(ini).read(keys::logger, QString()), QStringLiteral("F6DEF"));
    EXPECT_EQ(QSettingsStore(ini).read(keys::antenne, QString()), QStringLiteral("Dipôle"));
}

namespace {

/// The real calls, every one from the Nth on (whatever its kind) failing with a full disk.
class FullFrom : public sys::Calls {
public:
    explicit FullFrom(int nth) : nth_(nth) {}
    int count = 0;
    int open(const char *p, int f, mode_t m) override { return fail() ? -1 : Calls::open(p, f, m); }
    ssize_t write(int fd, const void *d, size_t n) override {
        return fail() ? -1 : Calls::write(fd, d, n);
    }
    ssize_t pread(int fd, void *d, size_t n, off_t o) override {
        return fail() ? -1 : Calls::pread(fd, d, n, o);
    }
    int fsync(int fd) override { return fail() ? -1 : Calls::fsync(fd); }
    int close(int fd) override {
        const bool refuse = fail();
        const int result = Calls::close(fd);
        return refuse ? -1 : result;
    }
    int rename(const char *a, const char *b) override { return fail() ? -1 : Calls::rename(a, b); }

private:
    bool fail() {
        if (++count < nth_ || nth_ == 0)
            return false;
        errno = ENOSPC;
        return true;
    }
    int nth_;
};

} // namespace

TEST(SettingsStore, AWriteThatFailsAtAnyCallIsSaidOnceAndKeepsTheFormerFileWhole) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Riduzazur.ini"));
    const auto bytes = [&ini] {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    };
    int calls = 0;
    {
        QSettingsStore store(ini);
        store.write(keys::numActivite, QStringLiteral("DFCF 76054"));
        FullFrom counting(0);
        sys::ScopedCalls seam(counting);
        store.write(keys::indicatif, QStringLiteral("F4ABC"));
        calls = counting.count;
    }
    ASSERT_GT(calls, 5);
    int failures = 0;
    for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE("full from call " + std::to_string(n));
        QFile::remove(ini);
        ScriptedDialogs dialogs;
        QSettingsStore store(ini, &dialogs);
        store.write(keys::numActivite, QStringLiteral("DFCF 76054"));
        QByteArray kept = bytes();
        QString activite = QStringLiteral("DFCF 76054");
        {
            FullFrom full(n);
            sys::ScopedCalls seam(full);
            // The second value written on the full disk adds no second message.
            for (const auto &[key, value] :
                 {std::pair{keys::numActivite, QStringLiteral("DFCF 27001")},
                  std::pair{keys::indicatif, QStringLiteral("F4ABC")}}) {
                store.write(key, value);
                if (!store.lastWrite().ok)
                    continue;
                kept = bytes();
                if (key == keys::numActivite)
                    activite = value;
            }
        }
        if (dialogs.shown().empty()) {
            // Only the folder's sync failed: the files are complete all the same.
            EXPECT_EQ(QSettingsStore(ini).read(keys::indicatif, {}), "F4ABC");
            continue;
        }
        ++failures;
        ASSERT_EQ(dialogs.shown().size(), 1u);
        EXPECT_EQ(dialogs.last(),
                  QStringLiteral("Impossible d'enregistrer les réglages dans \"%1\" : le disque "
                                 "est plein.\nLes réglages précédents sont conservés.")
                      .arg(ini));
        EXPECT_EQ(bytes(), kept);
        EXPECT_EQ(store.read(keys::numActivite, {}), activite);
        EXPECT_EQ(QSettingsStore(ini).read(keys::numActivite, {}), activite);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"Riduzazur.ini"});
        // The disk back, the next write goes through; a later failure is said again.
        store.write(keys::numActivite, QStringLiteral("DFCF 27001"));
        EXPECT_TRUE(store.lastWrite().ok);
        EXPECT_EQ(QSettingsStore(ini).read(keys::numActivite, {}), "DFCF 27001");
        {
            FullFrom full(1);
            sys::ScopedCalls seam(full);
            store.write(keys::logger, QStringLiteral("F6DEF"));
        }
        EXPECT_EQ(dialogs.shown().size(), 2u);
    }
    EXPECT_GT(failures, 4);
}
