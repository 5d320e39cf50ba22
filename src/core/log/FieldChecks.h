#pragma once

#include <QString>

namespace zep {

/// Shape of a date typed as jj/mm/aa: 0 when right, 1 when wrong. Only the shape is checked
/// (digits and slashes), not whether the day exists: 31/02/09 passes.
int Verifie_Date(const QString &text);

/// Shape of a time typed as hh:mm: 0 when right, 1 when wrong. Ranges are not checked: 25:61
/// passes.
int Verifie_Heure(const QString &text);

/// Whether the log keeps a department for the call sign: French calls (F, and the T and H
/// prefixes of Corsica and the overseas departments), whatever their case.
bool callHasDepartment(const QString &call);

} // namespace zep
