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

} // namespace zep
