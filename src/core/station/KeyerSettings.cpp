#include "core/station/KeyerSettings.h"

namespace zep {

namespace {

bool hasControl(const QString &text) {
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return true;
    return false;
}

std::optional<int> number(const QString &text, int low, int high) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

namespace keyercheck {

std::optional<QString> host(const QString &text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QStringLiteral("Indiquez l'hôte de cwdaemon (par exemple 127.0.0.1).");
    // A name or an address: letters, digits, dots, hyphens, and the colons of IPv6.
    bool plain = t.size() <= 253 && !hasControl(t);
    for (const QChar c : t)
        plain = plain &&
                (c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-') ||
                 c == QLatin1Char(':')) &&
                c.unicode() < 128;
    if (!plain)
        return QStringLiteral("L'hôte de cwdaemon n'est pas un nom ou une adresse valable.");
    return std::nullopt;
}

std::optional<QString> port(const QString &text) {
    if (!number(text, 1, 65535))
        return QStringLiteral("Le port de cwdaemon doit être un nombre de 1 à 65535.");
    return std::nullopt;
}

std::optional<QString> device(const QString &text) {
    const QString t = text.trimmed();
    if (t.size() > 200 || hasControl(t) || !t.startsWith(QLatin1String("/dev/")) ||
        t.contains(QLatin1String("/../")))
        return QStringLiteral("Le port du WinKeyer doit être un périphérique série "
                              "(par exemple /dev/ttyUSB0).");
    return std::nullopt;
}

std::optional<QString> wpm(const QString &text) {
    if (!number(text, KeyerSettings::minWpm, KeyerSettings::maxWpm))
        return QStringLiteral("La vitesse doit être un nombre de %1 à %2 mots par minute.")
            .arg(KeyerSettings::minWpm)
            .arg(KeyerSettings::maxWpm);
    return std::nullopt;
}

std::optional<QString> repeat(const QString &text) {
    if (!number(text, 0, KeyerSettings::maxRepeatSeconds))
        return QStringLiteral("La répétition du CQ doit être un nombre de secondes de 0 "
                              "(pas de répétition) à %1.")
            .arg(KeyerSettings::maxRepeatSeconds);
    return std::nullopt;
}

std::optional<QString> audioDevice(const QString &text) {
    if (text.size() > 200 || hasControl(text))
        return QStringLiteral("Le nom du périphérique audio n'est pas valable.");
    return std::nullopt;
}

} // namespace keyercheck

bool KeyerLink::sameDevice(const KeyerLink &other) const {
    if (output != other.output)
        return false;
    switch (output) {
    case Output::CwDaemon:
        return host == other.host && port == other.port;
    case Output::WinKeyer:
        return device == other.device;
    case Output::None:
    case Output::Cat:
        return true;
    }
    return false;
}

KeyerSettings::KeyerSettings() {
    for (int key = 1; key <= keyer::messageCount; ++key)
        messages.append(keyer::defaultText(key));
}

KeyerSettings KeyerSettings::load(const SettingsStore &store) {
    KeyerSettings s;
    for (int key = 1; key <= keyer::messageCount; ++key) {
        const QString text = store.read(keys::messageF(key), s.messages.at(key - 1));
        if (keyer::checkText(text).ok)
            s.messages[key - 1] = text;
    }
    s.link.output = static_cast<KeyerLink::Output>(store.readIndex(keys::manipulateurSortie, 0, 4));
    const QString host = store.read(keys::manipulateurHote, s.link.host);
    if (!keyercheck::host(host))
        s.link.host = host.trimmed();
    const QString port = store.read(keys::manipulateurPort, QString::number(s.link.port));
    if (!keyercheck::port(port))
        s.link.port = port.trimmed().toInt();
    const QString device = store.read(keys::manipulateurPeripherique, QString());
    if (!keyercheck::device(device))
        s.link.device = device.trimmed();
    const QString wpm = store.read(keys::manipulateurVitesse, QString::number(s.wpm));
    if (!keyercheck::wpm(wpm))
        s.wpm = wpm.trimmed().toInt();
    for (auto [key, target] : {std::pair{&keys::voixSortie, &s.voiceOutput},
                               std::pair{&keys::voixEntree, &s.voiceInput}}) {
        const QString name = store.read(*key, QString());
        if (!keyercheck::audioDevice(name))
            *target = name;
    }
    s.voicePtt = static_cast<VoicePtt>(store.readIndex(keys::voixPtt, 0, 2));
    const QString repeat = store.read(keys::cqRepetition, QStringLiteral("0"));
    if (!keyercheck::repeat(repeat))
        s.cqRepeatSeconds = repeat.trimmed().toInt();
    return s;
}

void KeyerSettings::save(SettingsStore &store) const {
    for (int key = 1; key <= keyer::messageCount && key <= messages.size(); ++key)
        store.write(keys::messageF(key), messages.at(key - 1));
    store.writeInt(keys::manipulateurSortie, static_cast<int>(link.output));
    store.write(keys::manipulateurHote, link.host);
    store.writeInt(keys::manipulateurPort, link.port);
    store.write(keys::manipulateurPeripherique, link.device);
    store.writeInt(keys::manipulateurVitesse, wpm);
    store.write(keys::voixSortie, voiceOutput);
    store.write(keys::voixEntree, voiceInput);
    store.writeInt(keys::voixPtt, static_cast<int>(voicePtt));
    store.writeInt(keys::cqRepetition, cqRepeatSeconds);
}

} // namespace zep
