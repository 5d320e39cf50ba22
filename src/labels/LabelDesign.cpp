#include "labels/LabelDesign.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zep {

namespace labelformat {
QString caption(int number) {
    static const std::array<QString, 5> captions = {
        QStringLiteral("AVERY   L7162            99.1 x 33.9   16 étiquettes"),
        QStringLiteral("AVERY   DP167               105 x 37   16 étiquettes"),
        QStringLiteral("DECADRY   OLW4732   99.1 x 34   16 étiquettes"),
        QStringLiteral("DECADRY   OLW4799    105 x 35   16 étiquettes"),
        QStringLiteral("AVERY  DP247                  70 x 37   24 étiquettes"),
    };
    return number >= first && number <= last ? captions[number - 1] : QString();
}
} // namespace labelformat

std::optional<QString> stationFieldsRefusal(const QString &transceiver, const QString &antenna) {
    if (transceiver.size() > transceiverMax)
        return QStringLiteral("15 caracteres maxi");
    // The antenna's limit is 13 characters, whatever its message says.
    if (antenna.size() > antennaMax)
        return QStringLiteral("12 caracteres maxi");
    return std::nullopt;
}

QString referenceLine(const QString &number, const QString &name) {
    return number + QLatin1Char(' ') + name;
}

QString locationLineWithCanton(const QString &canton, const QString &postalCode,
                               const QString &commune) {
    return QStringLiteral("DDCF ") + canton + QStringLiteral("   ") + postalCode +
           QLatin1Char(' ') + commune;
}

QString locationLine(const QString &canton, const QString &postalCode, const QString &commune) {
    if (canton.isEmpty())
        return postalCode + QLatin1Char(' ') + commune;
    return locationLineWithCanton(canton, postalCode, commune);
}

namespace {
const QString sampleQso = QStringLiteral("08:35 UTC    59    SSB    7 MHz");
} // namespace

LabelPreviewTexts previewTexts(LabelLanguage language, const QString &date,
                               const QString &activator) {
    LabelPreviewTexts texts;
    texts.station = QStringLiteral("TX/RX :  FT47 100 W     Ant : Dipole 2x10m ");
    if (language == LabelLanguage::French) {
        texts.confirmation = QStringLiteral("Confirme le QSO avec Q0ZEP");
        texts.qso = QStringLiteral("Le ") + date + QStringLiteral("   ") + sampleQso;
        texts.thanks = QStringLiteral("Merci pour le QSO      73's de ") + activator;
    } else {
        texts.confirmation = QStringLiteral("Confirming QSO with Q0ZEP");
        texts.qso = QStringLiteral("On ") + date + QStringLiteral("   ") + sampleQso;
        texts.thanks = QStringLiteral("TNX for the QSO       73's from ") + activator;
    }
    return texts;
}

QString openingThanks(const QString &activator) {
    return QStringLiteral("TNX for the QSO       73's de ") + activator;
}

ReferenceParticulars referenceOf(const CurrentActivation &a, bool second) {
    if (second)
        return {a.secondReference, a.secondSiteName, a.secondCanton, a.secondPostcode,
                a.secondTown};
    return {a.reference, a.siteName, a.canton, a.postcode, a.town};
}

QString offsetKeyX(int format) {
    return keys::decalageXEtiquette(format);
}

QString offsetKeyY(int format) {
    return keys::decalageYEtiquette(format);
}

namespace {
double readMillimetres(const SettingsStore &settings, const QString &key) {
    bool ok = false;
    // Written with a point whatever the language of the system, read back the same way; a
    // comma typed by hand in the file is accepted too.
    QString text = settings.read(key, QStringLiteral("0")).trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0;
    return std::clamp(value, -offsetLimit, offsetLimit);
}

QString millimetres(double value) {
    // Tenths of a millimetre are what a printer can be calibrated to.
    const double tenths = std::round(std::clamp(value, -offsetLimit, offsetLimit) * 10) / 10;
    return QString::number(tenths == 0 ? 0.0 : tenths, 'f', 1);
}
} // namespace

LabelOffset readLabelOffset(const SettingsStore &settings, int format) {
    return {readMillimetres(settings, offsetKeyX(format)),
            readMillimetres(settings, offsetKeyY(format))};
}

void writeLabelOffset(SettingsStore &settings, int format, LabelOffset offset) {
    settings.write(offsetKeyX(format), millimetres(offset.x));
    settings.write(offsetKeyY(format), millimetres(offset.y));
}

} // namespace zep
