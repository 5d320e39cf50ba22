#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The shapes of award references, shared by the award export (its own reference and the
// partner's in the remarks) and the spots (the reference an activator names in a comment).

namespace zep::adif {

/// The programmes whose references have a shape and ADIF fields of their own.
enum class Scheme {
    Other, ///< the letters of the programme, then a number ("DFCF 76054", "DIFI-21-002")
    Wwff,  ///< letters ending in FF, a hyphen, four digits ("FFF-0123", "ONFF-0001")
    Pota,  ///< a country prefix, a hyphen, four or five digits ("F-0123", "K-0817")
    Sota,  ///< association, region, three digits ("F/AM-001")
};

/// The length of the reference of `scheme`'s shape that starts at `at` in `text` (capitals),
/// or 0: "FFF-0123" (letters ending in FF, four digits), "F-0123" (a country prefix, four or
/// five digits), "F/AM-001" (an association, a region, three digits). What follows the
/// reference is no letter, digit or "/".
qsizetype schemeReferenceAt(QByteArrayView text, qsizetype at, Scheme scheme);

/// A reference found in a text, as written there (in capitals).
struct FoundReference {
    Scheme scheme = Scheme::Other;
    QString reference;
    friend bool operator==(const FoundReference &, const FoundReference &) = default;
};

/// The award references named in a free text (a spot's comment), in their order, each once:
/// WWFF, POTA and SOTA references by their shape, and the references of the programmes whose
/// letters are in `programmes` ("DFCF", "DIFM") as those letters, an optional blank or hyphen
/// and a number of two digits or more (hyphens between groups allowed), given back as
/// "<letters> <digits>" when the number is one group and as written otherwise. Each is a word
/// of its own: a call sign ("F5XYZ", "K-0817/P" is none) is never a reference. Case is
/// ignored; at most `maxFound` are given.
inline constexpr qsizetype maxFoundReferences = 8;
QList<FoundReference> findReferences(QStringView text, const QStringList &programmes = {});

} // namespace zep::adif
