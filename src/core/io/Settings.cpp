#include "core/io/Settings.h"

#include "core/io/Dialogs.h"
#include "core/io/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>

namespace zep {

namespace {
const QString application = QStringLiteral("Riduzazur");
const QString section = QStringLiteral("Setup ");
} // namespace

int SettingsStore::readInt(const QString &key, int defaultValue) const {
    bool ok = false;
    const int value = read(key, QString::number(defaultValue)).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

int SettingsStore::readIndex(const QString &key, int defaultValue, int count) const {
    const int value = readInt(key, defaultValue);
    return value >= 0 && value < count ? value : defaultValue;
}

bool SettingsStore::readBool(const QString &key, bool defaultValue) const {
    const QString value =
        read(key, defaultValue ? QStringLiteral("True") : QStringLiteral("False"));
    return value.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
}

QSettingsStore::QSettingsStore(Dialogs *dialogs)
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, application,
                                            application)),
      dialogs_(dialogs) {
    reload();
}

QSettingsStore::QSettingsStore(const QString &iniFile, Dialogs *dialogs)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)), dialogs_(dialogs) {
    reload();
}

QSettingsStore::~QSettingsStore() = default;

QString QSettingsStore::read(const QString &key, const QString &defaultValue) const {
    const auto it = values_.constFind(section + QLatin1Char('/') + key);
    return it != values_.constEnd() && it->isValid() ? it->toString() : defaultValue;
}

void QSettingsStore::write(const QString &key, const QString &value) {
    QMap<QString, QVariant> next = values_;
    next.insert(section + QLatin1Char('/') + key, value);
    const bool wasFailing = !lastWrite_;
    lastWrite_ = save(next);
    if (lastWrite_) {
        values_ = std::move(next);
        return;
    }
    if (dialogs_ && !wasFailing)
        dialogs_->message(lastWrite_.message);
}

IoResult QSettingsStore::save(const QMap<QString, QVariant> &values) {
    const QString path = location();
    const auto failed = [&](const QString &why, int code = 0) {
        return IoResult::failure(
            QStringLiteral("Impossible d'enregistrer les réglages dans \"%1\" : %2.\n"
                           "Les réglages précédents sont conservés.")
                .arg(QDir::toNativeSeparators(path), why),
            code);
    };
    // QSettings makes the bytes, in a file of the temporary folder that nothing else uses;
    // they then replace the settings file in one step.
    const QString made =
        QDir(QDir::tempPath()).filePath(scratch::uniqueName(QStringLiteral("Riduzazur.ini")));
    QSettings::Status status = QSettings::NoError;
    {
        QSettings maker(made, QSettings::IniFormat);
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            maker.setValue(it.key(), it.value());
        maker.sync();
        status = maker.status();
    }
    const FileBytes bytes = readFileBytes(made);
    QFile::remove(made);
    if (status != QSettings::NoError || !bytes.status)
        return failed(bytes.status ? QStringLiteral("le format des réglages n'a pas pu être écrit")
                                   : errorReason(bytes.status.code),
                      bytes.status.code);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return failed(errorReason(ENOENT), ENOENT);
    const IoResult written = writeBytesFile(path, bytes.bytes, QStringLiteral("Riduzazur.ini"));
    if (!written)
        return failed(errorReason(written.code), written.code);
    return written;
}

QStringList QSettingsStore::keys() const {
    QStringList all;
    const QString start = section + QLatin1Char('/');
    for (auto it = values_.constBegin(); it != values_.constEnd(); ++it)
        if (it.key().startsWith(start) && !it.key().mid(start.size()).contains(QLatin1Char('/')))
            all.append(it.key().mid(start.size()));
    return all;
}

QString QSettingsStore::location() const {
    return settings_->fileName();
}

void QSettingsStore::reload() {
    settings_->sync();
    values_.clear();
    for (const QString &key : settings_->allKeys())
        values_.insert(key, settings_->value(key));
}

QString MemorySettingsStore::read(const QString &key, const QString &defaultValue) const {
    return values_.value(key, defaultValue);
}

void MemorySettingsStore::write(const QString &key, const QString &value) {
    values_.insert(key, value);
    writes_.append(key);
}

} // namespace zep
