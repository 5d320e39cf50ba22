#pragma once

// The ADIF enumerations as tables, generated from the published machine-readable data by
// tools/make_adif_tables.py (see AdifTables.cpp). src/core/Adif.h answers questions on them.

namespace zep::adif::tables {

struct BandRow {
    const char *name; ///< "40m", "2m", "70cm"
    double lowerMHz;
    double upperMHz;
};
struct ModeRow {
    const char *name;
    bool importOnly; ///< read from old files, never to be written
};
struct SubmodeRow {
    const char *name;
    const char *mode; ///< the mode the submode belongs to
};
struct EntityRow {
    int number;
    const char *name; ///< "FRANCE"
    bool deleted;
};
struct SubdivisionRow {
    const char *code;  ///< "75", "2A", "MA"
    int entity;        ///< the DXCC entity it belongs to
    bool notForExport; ///< deleted or import-only
};

extern const char *const version;
extern const BandRow bands[];
extern const int bandCount;
extern const ModeRow modes[];
extern const int modeCount;
extern const SubmodeRow submodes[];
extern const int submodeCount;
extern const EntityRow entities[];
extern const int entityCount;
extern const SubdivisionRow subdivisions[];
extern const int subdivisionCount;

} // namespace zep::adif::tables
