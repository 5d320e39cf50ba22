// The settings file as a user may hand it over (edited by hand, left by another release): every
// value reads back, numbers stored as text become numbers or the default, and the list
// positions the entry window restores always name an existing item.

#include "FuzzSupport.h"
#include "core/backup/SettingsCheck.h"
#include "core/io/Settings.h"

#include <algorithm>

using namespace zep;
using namespace zep::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // A file name of its own for each input: QSettings keeps what it read of a file and reads it
    // again only when the file's size or time changed, which one path rewritten hundreds of
    // times a second does not always show.
    static unsigned long long serial = 0;
    const QString path = scratchDir() + QStringLiteral("/settings-%1.ini").arg(serial++);
    putFile(path, view(data, size));
    struct Removed {
        QString path;
        ~Removed() { QFile::remove(path); }
    } removed{path};
    QSettingsStore store(path);

    for (const QString *key : {&keys::modeActivite, &keys::bandeActivite, &keys::numEtiquette}) {
        const QString text = store.read(*key, QStringLiteral("<absent>"));
        bool number = false;
        const int parsed = text.trimmed().toInt(&number);
        const int read = store.readInt(*key, -7);
        check(read == (number ? parsed : -7), "a number stored as text reads wrong", text);
        for (const int count : {1, 2, 11}) {
            const int index = store.readIndex(*key, 1 % count, count);
            check(index >= 0 && index < count, "a restored position names no item", text);
            check(index == (number && parsed >= 0 && parsed < count ? parsed : 1 % count),
                  "a valid restored position was not kept", text);
        }
    }
    for (const QString *key : {&keys::modeRefrappe, &keys::dateAuto, &keys::heureUtc}) {
        const QString text = store.read(*key, QStringLiteral("<absent>"));
        const bool value = store.readBool(*key, true);
        if (text == QLatin1String("<absent>"))
            check(value, "a missing switch lost its default");
        else
            check(value == (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0),
                  "a switch reads wrong", text);
    }
    for (const QString *key : {&keys::indicatif, &keys::numActivite, &keys::nomActivite,
                               &keys::dateActivite, &keys::cheminRepertoire})
        (void)store.read(*key, QString());

    // What the windows read is what a field would have taken; the start names every value it
    // does not use, and an archive holding this file is refused when one is refused.
    const CheckedSettingsStore checked(store);
    const QList<RefusedSetting> refused = refusedSettings(store);
    for (const QString &key : store.keys()) {
        const QString value = checked.read(key, QString());
        check(!settingRefusal(key, value), "a refused value reached a reader", key);
        const bool named = std::any_of(refused.cbegin(), refused.cend(),
                                       [&](const RefusedSetting &r) { return r.key == key; });
        check(named == (value != store.read(key, QString())), "a refused value was not named", key);
    }
    if (!refused.isEmpty() && size <= size_t(settingsFileLimit))
        check(!checkSettingsFile(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)),
                                 scratchDir()),
              "an archive would restore a refused value");
    return 0;
}
