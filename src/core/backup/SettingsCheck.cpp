#include "core/backup/SettingsCheck.h"

#include "core/backup/BackupCopy.h"
#include "core/io/TextFile.h"
#include "core/station/RadioReading.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryFile>

#include <algorithm>

namespace zep {

namespace {

/// How the field that writes a key takes what is typed into it.
enum class Kind {
    Text,      ///< free text up to `maximum` characters
    CallSign,  ///< a call sign: text without blanks inside
    Reference, ///< a reference number: names its log file
    Host,      ///< a host name or address: no blank
    Port,      ///< 1-65535
    Number,    ///< a whole number from `low` to `high`
    ModeIndex, ///< a position in the mode box, or the mode's name as older releases kept it
    Switch,    ///< True or False
    Offset,    ///< millimetres, from -10 to 10, point or comma
    Folder     ///< a folder or a device path
};

struct Rule {
    Kind kind = Kind::Text;
    int maximum = 1024;
    int low = 0, high = 0;
    QString kept;          ///< what the readers use without a value
    bool codePage = false; ///< the value goes into the data files: Windows-1252 only
};

constexpr int folderMaximum = 4096;
constexpr int hostMaximum = 253;

Rule rule(Kind kind, int maximum, const QString &kept = QString(), bool codePage = false,
          int low = 0, int high = 0) {
    return {kind, maximum, low, high, kept, codePage};
}

Rule text(int maximum, bool codePage = true) {
    return rule(Kind::Text, maximum, QString(), codePage);
}

Rule number(int low, int high, const QString &kept) {
    return rule(Kind::Number, 16, kept, false, low, high);
}

std::optional<Rule> knownRule(const QString &key) {
    static const QList<std::pair<QString, Rule>> rules = {
        {keys::cheminRepertoire, rule(Kind::Folder, folderMaximum)},
        {keys::revision, text(32, false)},
        {keys::indicatif, rule(Kind::CallSign, 10, QString(), true)},
        {keys::logger, rule(Kind::CallSign, 10, QString(), true)},
        {keys::numActivite, rule(Kind::Reference, 12, QString(), true)},
        {keys::numActivite1, rule(Kind::Reference, 12, QString(), true)},
        {keys::nomActivite, text(30)},
        {keys::nomActivite1, text(30)},
        {keys::numCanton, text(4)},
        {keys::numCanton1, text(4)},
        {keys::numCP, text(5)},
        {keys::numCP1, text(5)},
        {keys::commune, text(26)},
        {keys::commune1, text(26)},
        {keys::typeActivite, text(35)},
        {keys::typeActivite1, text(35)},
        {keys::dateActivite, text(8)},
        {keys::modeActivite, rule(Kind::ModeIndex, 16, QStringLiteral("0"), false, 0, 99)},
        {keys::bandeActivite, number(0, 99, QStringLiteral("1"))},
        {keys::modeRefrappe, rule(Kind::Switch, 5, QStringLiteral("False"))},
        {keys::dateAuto, rule(Kind::Switch, 5, QStringLiteral("False"))},
        {keys::heureUtc, rule(Kind::Switch, 5, QStringLiteral("True"))},
        {keys::transceiver, text(15)},
        {keys::antenne, text(13)},
        {keys::adif3Locator, text(8, false)},
        {keys::adif3Folder, rule(Kind::Folder, folderMaximum)},
        // The label sheet formats are numbered 1 to 5.
        {keys::numEtiquette, number(1, 5, QStringLiteral("1"))},
        {keys::clusterHote, rule(Kind::Host, hostMaximum)},
        {keys::clusterPort, rule(Kind::Port, 5, QStringLiteral("7300"))},
        {keys::clusterIndicatif, rule(Kind::CallSign, 12)},
        {keys::dossierSauvegarde, rule(Kind::Folder, folderMaximum)},
        {keys::catLiaison, number(0, 2, QStringLiteral("0"))},
        {keys::catHote, rule(Kind::Host, hostMaximum, QStringLiteral("127.0.0.1"))},
        {keys::catPort, rule(Kind::Port, 5, QStringLiteral("4532"))},
        {keys::catModele, number(1, 99999999, QStringLiteral("1"))},
        {keys::catPeripherique, rule(Kind::Folder, folderMaximum)},
        {keys::catVitesse, number(1, 10000000, QStringLiteral("9600"))},
    };
    for (const auto &[name, rule] : rules)
        if (name == key)
            return rule;
    return std::nullopt;
}

Rule ruleOf(const QString &key) {
    if (std::optional<Rule> known = knownRule(key))
        return *known;
    if (key.startsWith(keys::adif3Programme(QString())))
        return text(64, false);
    for (int format = 1; format <= 5; ++format)
        if (key == keys::decalageXEtiquette(format) || key == keys::decalageYEtiquette(format))
            return rule(Kind::Offset, 16, QStringLiteral("0"));
    if (key.endsWith(QLatin1String(" Dossier")))
        return rule(Kind::Folder, folderMaximum);
    return text(1024, false);
}

bool isControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029;
}

std::optional<QString> wholeNumberRefusal(const QString &value, int low, int high) {
    bool ok = false;
    const qlonglong n = value.trimmed().toLongLong(&ok);
    if (ok && n >= low && n <= high)
        return std::nullopt;
    return QStringLiteral("un nombre entier de %1 à %2 est attendu").arg(low).arg(high);
}

QString keptText(const Rule &r) {
    return r.kept.isEmpty() ? QStringLiteral("aucune valeur")
                            : QStringLiteral("« %1 »").arg(r.kept);
}

} // namespace

std::optional<QString> referenceRefusal(const QString &number) {
    const QString n = number.trimmed();
    if (n.size() > 12)
        return QStringLiteral("un numéro d'activité a 12 caractères au plus");
    for (const QChar c : n)
        if (isControl(c))
            return QStringLiteral("un numéro d'activité ne contient aucun caractère de contrôle");
    if (n.contains(QLatin1String("..")) || n == QLatin1String("."))
        return QStringLiteral("« .. » est interdit dans un numéro d'activité");
    for (const QChar c : n)
        if (QStringView(u"/\\:*?\"<>|").contains(c))
            return QStringLiteral("les caractères / \\ : * ? \" < > | sont interdits dans un "
                                  "numéro d'activité");
    return std::nullopt;
}

std::optional<QString> settingRefusal(const QString &key, const QString &value) {
    const Rule r = ruleOf(key);
    if (std::any_of(value.cbegin(), value.cend(), isControl))
        return QStringLiteral("un caractère de contrôle (fin de ligne, tabulation…)");
    // Outer blanks are not the field's: it checks its text without them.
    if (value.trimmed().size() > r.maximum)
        return QStringLiteral("plus de %1 caractères").arg(r.maximum);
    if (r.codePage && !cp1252::canEncode(value))
        return unencodableMessage(value);
    // An empty value is no value: each reader then takes its default.
    if (value.trimmed().isEmpty())
        return std::nullopt;
    switch (r.kind) {
    case Kind::Text:
    case Kind::Folder:
        break;
    case Kind::Reference:
        return referenceRefusal(value);
    case Kind::CallSign:
    case Kind::Host:
        if (value.trimmed().contains(QLatin1Char(' ')))
            return QStringLiteral("un blanc à l'intérieur");
        break;
    case Kind::Port:
        if (wholeNumberRefusal(value, 1, 65535))
            return QStringLiteral("un port va de 1 à 65535");
        break;
    case Kind::Number:
        return wholeNumberRefusal(value, r.low, r.high);
    case Kind::ModeIndex:
        if (value == QLatin1String("SSB") || value == QLatin1String("CW"))
            return std::nullopt;
        return wholeNumberRefusal(value, r.low, r.high);
    case Kind::Switch:
        if (value.compare(QLatin1String("True"), Qt::CaseInsensitive) != 0 &&
            value.compare(QLatin1String("False"), Qt::CaseInsensitive) != 0)
            return QStringLiteral("True ou False est attendu");
        break;
    case Kind::Offset: {
        QString n = value.trimmed();
        n.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double mm = n.toDouble(&ok);
        if (!ok || !(mm >= -10.0 && mm <= 10.0))
            return QStringLiteral("un décalage de -10 à 10 mm est attendu");
        break;
    }
    }
    return std::nullopt;
}

QList<RefusedSetting> refusedSettings(const SettingsStore &store) {
    QList<RefusedSetting> refused;
    QStringList names = store.keys();
    std::sort(names.begin(), names.end());
    for (const QString &key : std::as_const(names))
        if (const std::optional<QString> why = settingRefusal(key, store.read(key, QString())))
            refused.append({key, *why, keptText(ruleOf(key))});
    return refused;
}

QString refusedSettingsMessage(const QList<RefusedSetting> &refused) {
    QString text = QStringLiteral("Des réglages ne sont pas valables ; ils ne sont pas utilisés :");
    for (const RefusedSetting &r : refused)
        text += QStringLiteral("\n- « %1 » : %2 ; à la place : %3.").arg(r.key, r.reason, r.kept);
    return text;
}

IoResult checkSettingsFile(const QByteArray &bytes, const QString &programDir) {
    const auto refusal = [](const QString &why) {
        return IoResult::failure(
            QStringLiteral("Les réglages de l'archive ne sont pas valables : %1.").arg(why));
    };
    if (bytes.size() > settingsFileLimit)
        return refusal(QStringLiteral("le fichier dépasse %1 Ko").arg(settingsFileLimit / 1024));
    // The values are read by the same reader as the settings themselves, so that what is
    // checked is what would be read.
    QTemporaryFile scratch(QDir::tempPath() + QStringLiteral("/zep-reglages-XXXXXX.ini"));
    if (!scratch.open() || scratch.write(bytes) != bytes.size() || !scratch.flush())
        return IoResult::failure(
            QStringLiteral("Les réglages de l'archive n'ont pas pu être lus : %1.")
                .arg(scratch.errorString()));
    scratch.close();
    QSettings ini(scratch.fileName(), QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return refusal(QStringLiteral("le fichier n'est pas un fichier de réglages lisible"));
    ini.beginGroup(QStringLiteral("Setup "));
    QStringList names = ini.childKeys();
    std::sort(names.begin(), names.end());
    for (const QString &key : std::as_const(names)) {
        const QString value = ini.value(key).toString();
        if (const std::optional<QString> why = settingRefusal(key, value))
            return refusal(QStringLiteral("« %1 » : %2").arg(key, *why));
        if (key == keys::dossierSauvegarde && !value.trimmed().isEmpty())
            if (const IoResult apart = backup::checkFolderApart(value, programDir); !apart)
                return refusal(QStringLiteral("« %1 » : %2").arg(key, apart.message));
    }
    return IoResult::success();
}

QString CheckedSettingsStore::read(const QString &key, const QString &defaultValue) const {
    const QString value = store_.read(key, defaultValue);
    return settingRefusal(key, value) ? defaultValue : value;
}

} // namespace zep
