#include "core/adif/AdifData.h"

#include "core/adif/AdifTables.h"

#include <QHash>

namespace zep::adif {

namespace {

QByteArray upper(QByteArrayView v) {
    return v.toByteArray().toUpper();
}

/// The tables indexed by their names in capitals, built once.
struct Index {
    QHash<QByteArray, int> bands, modes, submodes;
    QHash<int, int> entities;
    QHash<QByteArray, int> subdivisions; ///< "CODE.DXCC"

    Index() {
        for (int i = 0; i < tables::bandCount; ++i)
            bands.insert(upper(tables::bands[i].name), i);
        for (int i = 0; i < tables::modeCount; ++i)
            modes.insert(upper(tables::modes[i].name), i);
        for (int i = 0; i < tables::submodeCount; ++i)
            submodes.insert(upper(tables::submodes[i].name), i);
        for (int i = 0; i < tables::entityCount; ++i)
            entities.insert(tables::entities[i].number, i);
        for (int i = 0; i < tables::subdivisionCount; ++i)
            subdivisions.insert(
                subdivisionKey(tables::subdivisions[i].code, tables::subdivisions[i].entity), i);
    }
    static QByteArray subdivisionKey(QByteArrayView code, int dxcc) {
        return upper(code) + '.' + QByteArray::number(dxcc);
    }
};

const Index &index() {
    static const Index built;
    return built;
}

} // namespace

QByteArrayView dataVersion() {
    return tables::version;
}

std::optional<QByteArrayView> bandOfFrequency(double mhz) {
    for (int i = 0; i < tables::bandCount; ++i)
        if (mhz >= tables::bands[i].lowerMHz && mhz <= tables::bands[i].upperMHz)
            return QByteArrayView(tables::bands[i].name);
    return std::nullopt;
}

std::optional<BandLimits> bandLimits(QByteArrayView band) {
    const auto it = index().bands.constFind(upper(band));
    if (it == index().bands.constEnd())
        return std::nullopt;
    return BandLimits{tables::bands[*it].lowerMHz, tables::bands[*it].upperMHz};
}

ModeFields modeFields(QByteArrayView loggedMode) {
    ModeFields f;
    const QByteArray name = upper(loggedMode.trimmed());
    const auto mode = index().modes.constFind(name);
    if (mode != index().modes.constEnd() && !tables::modes[*mode].importOnly) {
        f.mode = name;
        return f;
    }
    if (const std::optional<QByteArrayView> parent = modeOfSubmode(name)) {
        f.mode = parent->toByteArray();
        f.submode = name;
        return f;
    }
    f.mode = name;
    f.known = false;
    return f;
}

std::optional<QByteArrayView> modeOfSubmode(QByteArrayView submode) {
    const auto it = index().submodes.constFind(upper(submode));
    if (it == index().submodes.constEnd())
        return std::nullopt;
    return QByteArrayView(tables::submodes[*it].mode);
}

bool isMode(QByteArrayView mode) {
    return index().modes.contains(upper(mode));
}

QByteArrayView entityName(int dxcc) {
    const auto it = index().entities.constFind(dxcc);
    return it == index().entities.constEnd() ? QByteArrayView() : tables::entities[*it].name;
}

bool isSubdivision(QByteArrayView code, int dxcc) {
    const auto it = index().subdivisions.constFind(Index::subdivisionKey(code, dxcc));
    return it != index().subdivisions.constEnd() && !tables::subdivisions[*it].notForExport;
}

} // namespace zep::adif
