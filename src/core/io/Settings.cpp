#include "core/io/Settings.h"

#include <QSettings>

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

QSettingsStore::QSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, application,
                                            application)) {}

QSettingsStore::QSettingsStore(const QString &iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

QSettingsStore::~QSettingsStore() = default;

QString QSettingsStore::read(const QString &key, const QString &defaultValue) const {
    settings_->beginGroup(section);
    const QVariant value = settings_->value(key);
    settings_->endGroup();
    return value.isValid() ? value.toString() : defaultValue;
}

void QSettingsStore::write(const QString &key, const QString &value) {
    settings_->beginGroup(section);
    settings_->setValue(key, value);
    settings_->endGroup();
    settings_->sync();
}

QStringList QSettingsStore::keys() const {
    settings_->beginGroup(section);
    const QStringList all = settings_->childKeys();
    settings_->endGroup();
    return all;
}

QString QSettingsStore::location() const {
    return settings_->fileName();
}

void QSettingsStore::reload() {
    settings_->sync();
}

QString MemorySettingsStore::read(const QString &key, const QString &defaultValue) const {
    return values_.value(key, defaultValue);
}

void MemorySettingsStore::write(const QString &key, const QString &value) {
    values_.insert(key, value);
    writes_.append(key);
}

} // namespace zep
