#include "core/io/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
