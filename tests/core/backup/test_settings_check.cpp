#include "core/backup/DataArchive.h"
#include "core/backup/SettingsCheck.h"
#include "core/io/Settings.h"
#include "core/station/RadioReading.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace zep;
using zep::testfiles::bytesOf;
using zep::testfiles::put;

namespace {

/// The bytes of a settings file holding `values` in its "Setup " section, as the program's
/// own reader and writer lay them out (escapes of line ends included).
QByteArray settingsFileWith(const QList<std::pair<QString, QString>> &values) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Riduzazur.ini"));
    {
        QSettingsStore store(ini);
        for (const auto &[key, value] : values)
            store.write(key, value);
    }
    QFile f(ini);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// Each value is checked as the field that writes it would have taken it typed.
TEST(SettingsCheck, EveryValueObeysTheRuleOfItsField) {
    const QString longHost(5000, QLatin1Char('a'));
    struct Row {
        QString key;
        QString value;
        bool accepted;
    };
    const Row rows[] = {
        {keys::numActivite, QStringLiteral("DFCF 76054"), true},
        {keys::numActivite, QStringLiteral(" DFCF-21-001 "), true},
        {keys::numActivite, QString(), true},
        {keys::numActivite, QStringLiteral("../victime"), false},
        {keys::numActivite1, QStringLiteral("..\\victime"), false},
        {keys::numActivite, QStringLiteral("/tmp/x"), false},
        {keys::numActivite, QStringLiteral("DFCF 760541"), true},
        {keys::numActivite, QStringLiteral("DFCF 76054123"), false}, // 13 characters
        {keys::numActivite, QStringLiteral("DFCF\t76054"), false},
        {keys::numActivite, QStringLiteral("DF:CF"), false},
        {keys::indicatif, QStringLiteral("F4ABC/P"), true},
        {keys::indicatif, QStringLiteral("F4ABCDEFGHIJ"), false},
        {keys::logger,
         QStringLiteral("F4\x01"
                        "ABC"),
         false},
        {keys::indicatif, QStringLiteral("F4ЖBC"), false}, // not in the data files' code page
        {keys::clusterIndicatif, QStringLiteral("F4ABC"), true},
        {keys::clusterIndicatif, QStringLiteral("F4ABC\r\nSET/PASSWORD secret"), false},
        {keys::clusterIndicatif, QStringLiteral("F4ABC SET/PASS"), false},
        {keys::clusterIndicatif, QStringLiteral("F4ABCDEFGHIJK"), false},
        {keys::clusterHote, QStringLiteral("dxc.example.org"), true},
        {keys::clusterHote, longHost, false},
        {keys::clusterHote, QStringLiteral("dxc.example.org\nautre"), false},
        {keys::catHote, longHost, false},
        {keys::catHote, QStringLiteral("127.0.0.1"), true},
        {keys::clusterPort, QStringLiteral("7300"), true},
        {keys::clusterPort, QStringLiteral("65535"), true},
        {keys::clusterPort, QStringLiteral("0"), false},
        {keys::catPort, QStringLiteral("65536"), false},
        {keys::catPort, QStringLiteral("-1"), false},
        {keys::catPort, QStringLiteral("port"), false},
        {keys::numEtiquette, QStringLiteral("5"), true},
        {keys::numEtiquette, QStringLiteral("6"), false},
        {keys::catLiaison, QStringLiteral("3"), false},
        {keys::modeActivite, QStringLiteral("SSB"), true}, // as older releases kept it
        {keys::modeActivite, QStringLiteral("12"), true},
        {keys::modeActivite, QStringLiteral("RTTY"), false},
        {keys::heureUtc, QStringLiteral("true"), true},
        {keys::heureUtc, QStringLiteral("Oui"), false},
        {keys::decalageXEtiquette(2), QStringLiteral("-9,5"), true},
        {keys::decalageYEtiquette(5), QStringLiteral("10.5"), false},
        {keys::decalageYEtiquette(5), QStringLiteral("nan"), false},
        {keys::transceiver, QStringLiteral("IC-7300 100 W"), true},
        {keys::antenne, QStringLiteral("Dipôle 2x20 m"), true},
        {keys::antenne, QStringLiteral("Dipôle 2 x 20 m"), false}, // 13 at most
        {keys::dossierSauvegarde, QStringLiteral("/media/clé USB/ZEP"), true},
        {keys::dossierSauvegarde, QStringLiteral("/media/clé\n/ZEP"), false},
        {keys::adif3Programme(QStringLiteral("DFCF")), QStringLiteral("DFCF"), true},
        {QStringLiteral("Clé inconnue"), QStringLiteral("texte"), true},
        {QStringLiteral("Clé inconnue"), QStringLiteral("a\tb"), false},
    };
    for (const Row &r : rows)
        EXPECT_EQ(!settingRefusal(r.key, r.value), r.accepted)
            << r.key.toStdString() << " = " << r.value.left(40).toStdString();
}

// A file edited by hand: the windows read the defaults in place of the values refused, and
// the one message of the start names each key refused and what is used instead.
TEST(SettingsCheck, RefusedValuesReadAsTheirDefaultAndAreNamedOnce) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Riduzazur.ini"));
    QSettingsStore stored(ini);
    stored.write(keys::numActivite, QStringLiteral("../victime"));
    stored.write(keys::clusterIndicatif, QStringLiteral("F4ABC\r\nSET/PASSWORD secret"));
    stored.write(keys::catHote, QString(5000, QLatin1Char('h')));
    stored.write(keys::clusterPort, QStringLiteral("99999"));
    stored.write(keys::indicatif, QStringLiteral("F4ABC"));
    QSettingsStore reread(ini); // as the next start finds the file
    CheckedSettingsStore settings(reread);

    EXPECT_EQ(settings.read(keys::numActivite, QString()), QString());
    EXPECT_EQ(settings.read(keys::clusterIndicatif, QString()), QString());
    EXPECT_EQ(settings.read(keys::catHote, QStringLiteral("127.0.0.1")),
              QStringLiteral("127.0.0.1"));
    EXPECT_EQ(settings.readInt(keys::clusterPort, 7300), 7300);
    EXPECT_EQ(settings.read(keys::indicatif, QString()), QStringLiteral("F4ABC"));

    const QList<RefusedSetting> refused = refusedSettings(reread);
    QStringList names;
    for (const RefusedSetting &r : refused)
        names << r.key;
    EXPECT_EQ(names, (QStringList{keys::catHote, keys::clusterIndicatif, keys::clusterPort,
                                  keys::numActivite}));
    const QString message = refusedSettingsMessage(refused);
    for (const QString &part :
         {QStringLiteral("« CAT Hote » : plus de 253 caractères ; à la place : « 127.0.0.1 »"),
          QStringLiteral("« Cluster Port » : un port va de 1 à 65535 ; à la place : « 7300 »"),
          QStringLiteral("« Cluster Indicatif » : un caractère de contrôle"),
          QStringLiteral("« N° Activite » : « .. » est interdit")})
        EXPECT_TRUE(message.contains(part)) << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("SET/PASSWORD")));

    // Writing goes through; a value written right is read back.
    settings.write(keys::clusterPort, QStringLiteral("7373"));
    EXPECT_EQ(settings.readInt(keys::clusterPort, 7300), 7373);
}

// The settings file of an archive is checked before a restore writes anything.
TEST(SettingsCheck, AnArchivedSettingsFileIsCheckedBeforeTheRestoreWritesIt) {
    QTemporaryDir data, config, elsewhere;
    const QString settingsFile = config.filePath(QStringLiteral("Riduzazur.ini"));
    const QString link = elsewhere.filePath(QStringLiteral("vers-donnees"));
    ASSERT_EQ(
        ::symlink(QFile::encodeName(data.path()).constData(), QFile::encodeName(link).constData()),
        0);
    struct Row {
        const char *name;
        QByteArray bytes;
        const char *says; ///< empty: restored
    };
    const Row rows[] = {
        {"usual",
         settingsFileWith({{keys::numActivite, QStringLiteral("DFCF 76054")},
                           {keys::dossierSauvegarde, elsewhere.path()}}),
         ""},
        {"reference leaving the directory",
         settingsFileWith({{keys::numActivite, QStringLiteral("../victime")}}), "N° Activite"},
        {"second command in the login",
         settingsFileWith({{keys::clusterIndicatif, QStringLiteral("F4ABC\r\nSET/PASSWORD x")}}),
         "Cluster Indicatif"},
        {"a host of 5,000 characters",
         settingsFileWith({{keys::catHote, QString(5000, QLatin1Char('h'))}}), "CAT Hote"},
        {"backup folder on the data by a link", settingsFileWith({{keys::dossierSauvegarde, link}}),
         "Dossier de sauvegarde"},
        {"a file far too large",
         "[Setup%20]\r\nAntenne=" + QByteArray(settingsFileLimit, 'a') + "\r\n", "dépasse"},
    };
    for (const Row &r : rows) {
        QFile::remove(settingsFile);
        put(settingsFile, "[Setup%20]\r\nIndicatif=F4ABC\r\n");
        const QByteArray before = bytesOf(settingsFile);
        archive::Layout layout{data.path(), settingsFile};
        archive::Contents contents;
        contents.members = {
            {layout.settingsMember(), r.bytes, QDateTime::currentDateTime()},
            {QStringLiteral("Notes.txt"), "notes\r\n", QDateTime::currentDateTime()}};
        const archive::Restored restored =
            archive::restore(contents, layout, QDateTime::currentDateTime());
        if (!*r.says) {
            EXPECT_TRUE(restored.status) << r.name << restored.status.message.toStdString();
            EXPECT_EQ(bytesOf(settingsFile), r.bytes) << r.name;
            QFile::remove(data.filePath(QStringLiteral("Notes.txt")));
            continue;
        }
        EXPECT_FALSE(restored.status) << r.name;
        EXPECT_TRUE(restored.status.message.contains(QString::fromUtf8(r.says)))
            << r.name << restored.status.message.toStdString();
        EXPECT_TRUE(restored.status.message.contains(QStringLiteral("Rien n'a été restauré")));
        EXPECT_EQ(bytesOf(settingsFile), before) << r.name;
        EXPECT_FALSE(QFile::exists(data.filePath(QStringLiteral("Notes.txt")))) << r.name;
    }
}
