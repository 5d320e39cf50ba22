#pragma once

#include <QString>

namespace zep {

/// Whether a date is typed as jj/mm/aa. Only the shape is checked
/// (digits and slashes), not whether the day exists: 31/02/09 passes.
bool hasDateShape(const QString &text);

/// Whether a time is typed as hh:mm. Ranges are not checked: 25:61
/// passes.
bool hasTimeShape(const QString &text);

/// Whether the log keeps a department for the call sign: French calls (F, and the T and H
/// prefixes of Corsica and the overseas departments), whatever their case.
bool callHasDepartment(const QString &call);

} // namespace zep
