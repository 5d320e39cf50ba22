#pragma once

#include "core/io/Settings.h"
#include "core/log/CurrentActivation.h"

#include <QString>

#include <optional>

namespace zep {

/// The sheet formats of the designer, numbered as the setting "N° Etiquette" stores them.
namespace labelformat {
inline constexpr int first = 1;
inline constexpr int last = 5;
inline constexpr int twentyFour = 5; ///< the 70 x 37 mm sheet of twenty-four labels
/// The caption of format `number` (1-5).
QString caption(int number);
} // namespace labelformat

/// The longest station texts that fit on a label.
inline constexpr int transceiverMax = 15;
inline constexpr int antennaMax = 13;

/// Why the station fields cannot be printed (the message to show), or nothing when they can.
std::optional<QString> stationFieldsRefusal(const QString &transceiver, const QString &antenna);

/// The language of the label texts.
enum class LabelLanguage { French, English };

/// "number name" of a reference, as the previews and the reference line show it.
QString referenceLine(const QString &number, const QString &name);
/// The location of a reference under its name: "DDCF canton   cp commune", or "cp commune"
/// when the canton number is empty.
QString locationLine(const QString &canton, const QString &postalCode, const QString &commune);
/// The same always with "DDCF " (what choosing a reference shows, canton or not).
QString locationLineWithCanton(const QString &canton, const QString &postalCode,
                               const QString &commune);

/// The sample texts of the two label previews.
struct LabelPreviewTexts {
    QString confirmation; ///< Label9, Label10
    QString qso;          ///< Label15, Label12
    QString station;      ///< Label16, Label13
    QString thanks;       ///< Label19, Label14
};
/// The previews in a language, for an activation date and activator.
LabelPreviewTexts previewTexts(LabelLanguage language, const QString &date,
                               const QString &activator);
/// The thanks line the window shows when it opens, before any language is clicked.
QString openingThanks(const QString &activator);

/// One reference of the activation: the first (`Num_Activite` ...) or the second.
struct ReferenceParticulars {
    QString number, name, canton, postalCode, commune;
};
ReferenceParticulars referenceOf(const CurrentActivation &activation, bool second);

/// Shift of the printout of one sheet format, in millimetres (positive: right, down), kept in
/// the settings so that each printer is calibrated once per format.
struct LabelOffset {
    double x = 0;
    double y = 0;
};
inline constexpr double offsetLimit = 10.0; ///< millimetres either way
QString offsetKeyX(int format);
QString offsetKeyY(int format);
/// The stored offset of `format`; a value that cannot be read, or beyond the limit, reads as
/// nothing (0) and as the limit.
LabelOffset readLabelOffset(const SettingsStore &settings, int format);
void writeLabelOffset(SettingsStore &settings, int format, LabelOffset offset);

} // namespace zep
