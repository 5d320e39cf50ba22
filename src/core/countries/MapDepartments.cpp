#include "core/countries/MapDepartments.h"

#include <algorithm>

namespace zep {

void MapDepartments::show(const Worked &worked, const QString &band, const QString &mode) {
    if (painted_ && worked == worked_ && band == band_ && mode == mode_)
        return;
    worked_ = worked;
    band_ = band;
    mode_ = mode;
    count_ = int(std::count(worked_.begin() + 1, worked_.end(), true));
    painted_ = true;
    emit changed();
}

QString MapDepartments::caption(int index) {
    if (index == 96)
        return QStringLiteral("2a");
    if (index == 97)
        return QStringLiteral("2b");
    if (index >= 98)
        return QStringLiteral("X");
    return QStringLiteral("%1").arg(index, 2, 10, QLatin1Char('0'));
}

} // namespace zep
