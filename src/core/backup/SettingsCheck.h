#pragma once

#include "core/io/IoResult.h"
#include "core/io/Settings.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace zep {

/// Why a reference number cannot name its log file in the program directory: more than the
/// list's 12 columns, "/", "\", "..", a control character, or one of : * ? " < > |. Outer
/// blanks are removed first, as the reference is kept; an empty number passes (no activation).
std::optional<QString> referenceRefusal(const QString &number);

/// Why `value` cannot stand for settings key `key`, checked as if it had been typed into the
/// field that writes it (reference numbers, call signs, logins, hosts, ports, numbers,
/// switches, folders); nothing when it can. A key the program does not know still holds no
/// control character and at most 1,024 characters.
std::optional<QString> settingRefusal(const QString &key, const QString &value);

/// A value of the settings that is not used.
struct RefusedSetting {
    QString key;
    QString reason;
    QString kept; ///< what the program uses instead, as the message names it
};

/// Every value of `store` that settingRefusal refuses, in key order.
QList<RefusedSetting> refusedSettings(const SettingsStore &store);

/// The one French message that names each refused key and what is used instead.
QString refusedSettingsMessage(const QList<RefusedSetting> &refused);

/// The most a settings file may weigh: a few hundred values of a few dozen characters.
inline constexpr qsizetype settingsFileLimit = 256 * 1024;

/// The check of a settings file's bytes before they replace the settings (an archive's
/// "Réglages" member): every value of its "Setup " section as settingRefusal checks it, and
/// the backup folder it names must not be `programDir` by any path. A failure is the French
/// message naming the first key refused; nothing is written anywhere but a scratch file in
/// the system's temporary folder, removed at once.
IoResult checkSettingsFile(const QByteArray &bytes, const QString &programDir);

/// The store the windows read: every value passes through settingRefusal and a refused one
/// reads as the reader's default, so that a file edited by hand or restored cannot send a
/// value no field would have taken. Writes go through unchanged.
class CheckedSettingsStore : public SettingsStore {
public:
    explicit CheckedSettingsStore(SettingsStore &store) : store_(store) {}
    QString read(const QString &key, const QString &defaultValue) const override;
    void write(const QString &key, const QString &value) override { store_.write(key, value); }
    QStringList keys() const override { return store_.keys(); }

private:
    SettingsStore &store_;
};

} // namespace zep
