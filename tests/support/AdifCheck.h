#pragma once

// Checks an ADIF file (.adi) field by field against the published ADIF 3.1.6 data
// (data/adif/all.json, read here with Qt's JSON reader, apart from the program's own tables):
// - every field name is one ADIF defines, header fields in the header, QSO fields in records;
// - each length is the number of bytes of its value: what follows a value up to the next "<"
//   is only line ends or blanks, and no value runs past the end of the file;
// - String fields hold ASCII 32-126 only (MultilineString also CR and LF);
// - Band, Mode (not an import-only one), DXCC entities and subdivisions (for the record's DXCC)
//   are values of their enumerations, compared without regard to case; SUBMODE is a submode of
//   the record's MODE;
// - Date is YYYYMMDD, a real date from 1930 on; Time is HHMM or HHMMSS, a real time;
//   Number, Integer and GridSquare have their shapes;
// - no field twice in a record; every record has CALL, QSO_DATE, TIME_ON and MODE and ends
//   with <EOR>.
// Empty values (length 0) are fields without a value and are not checked against their type.

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#ifndef ZEP_ADIF_DATA
#error "ZEP_ADIF_DATA must name data/adif/all.json"
#endif

namespace zep::testing {

/// The fields of one record (or of the header), names in capitals, values as written.
using AdifFields = QMap<QByteArray, QByteArray>;

struct AdifCheckResult {
    QStringList problems; ///< empty for a clean file
    QByteArray headerText;
    AdifFields header;
    QList<AdifFields> records;
};

class AdifRules {
public:
    static const AdifRules &published() {
        static const AdifRules rules(QStringLiteral(ZEP_ADIF_DATA));
        return rules;
    }

    bool loaded() const { return !fields_.isEmpty(); }

    AdifCheckResult check(QByteArrayView file) const {
        AdifCheckResult result;
        QStringList &problems = result.problems;
        qsizetype at = 0;
        const qsizetype size = file.size();
        bool inHeader = size > 0 && file[0] != '<';
        if (inHeader) {
            at = file.indexOf('<');
            result.headerText = file.first(at < 0 ? size : at).toByteArray();
            if (at < 0) {
                problems << QStringLiteral("header without <EOH>");
                return result;
            }
        }
        AdifFields current;
        bool recordOpen = false;
        while (at < size) {
            // Between fields: line ends and blanks only.
            const qsizetype next = file.indexOf('<', at);
            const QByteArrayView gap = file.sliced(at, (next < 0 ? size : next) - at);
            if (!gap.trimmed().isEmpty())
                problems << QStringLiteral("text between fields: \"%1\"")
                                .arg(QString::fromLatin1(gap.toByteArray()));
            if (next < 0)
                break;
            const qsizetype close = file.indexOf('>', next);
            if (close < 0) {
                problems << QStringLiteral("tag without '>' at byte %1").arg(next);
                break;
            }
            const QByteArray tag = file.sliced(next + 1, close - next - 1).toByteArray();
            at = close + 1;
            const QList<QByteArray> parts = tag.split(':');
            const QByteArray name = parts.at(0).toUpper();
            if (parts.size() == 1) {
                if (name == "EOH" && inHeader) {
                    inHeader = false;
                    result.header = current;
                    current.clear();
                } else if (name == "EOR" && !inHeader) {
                    checkRecord(current, problems);
                    result.records << current;
                    current.clear();
                    recordOpen = false;
                } else {
                    problems
                        << QStringLiteral("unexpected marker <%1>").arg(QString::fromLatin1(tag));
                }
                continue;
            }
            bool lengthOk = false;
            const qsizetype length = parts.at(1).toLongLong(&lengthOk);
            if (!lengthOk || length < 0 || parts.size() > 3) {
                problems << QStringLiteral("bad tag <%1>").arg(QString::fromLatin1(tag));
                break;
            }
            if (length > size - at) {
                problems << QStringLiteral("%1: length %2 runs past the end of the file")
                                .arg(QString::fromLatin1(name))
                                .arg(length);
                break;
            }
            const QByteArray value = file.sliced(at, length).toByteArray();
            at += length;
            if (!inHeader)
                recordOpen = true;
            if (current.contains(name))
                problems << QStringLiteral("%1 twice").arg(QString::fromLatin1(name));
            current.insert(name, value);
            checkField(name, value, inHeader, problems);
        }
        if (inHeader)
            problems << QStringLiteral("header without <EOH>");
        if (recordOpen)
            problems << QStringLiteral("last record without <EOR>");
        return result;
    }

private:
    struct Field {
        QString type, enumeration;
        bool header = false;
    };

    explicit AdifRules(const QString &path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return;
        const QJsonObject adif = QJsonDocument::fromJson(f.readAll()).object()["Adif"].toObject();
        const QJsonObject fields = adif["Fields"].toObject()["Records"].toObject();
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            const QJsonObject r = it.value().toObject();
            fields_.insert(r["Field Name"].toString().toUpper().toLatin1(),
                           {r["Data Type"].toString(), r["Enumeration"].toString(),
                            r["Header Field"].toString() == QLatin1String("true")});
        }
        const QJsonObject enums = adif["Enumerations"].toObject();
        const auto records = [&](const char *name) {
            return enums[QLatin1String(name)].toObject()["Records"].toObject();
        };
        for (const QJsonValue v : records("Band"))
            bands_.insert(v.toObject()["Band"].toString().toUpper().toLatin1());
        for (const QJsonValue v : records("Mode"))
            if (v.toObject()["Import-only"].toString() != QLatin1String("true"))
                modes_.insert(v.toObject()["Mode"].toString().toUpper().toLatin1());
        for (const QJsonValue v : records("Submode"))
            submodes_.insert(v.toObject()["Submode"].toString().toUpper().toLatin1(),
                             v.toObject()["Mode"].toString().toUpper().toLatin1());
        for (const QJsonValue v : records("DXCC_Entity_Code"))
            entities_.insert(v.toObject()["Entity Code"].toString().toLatin1());
        for (const QJsonValue v : records("Primary_Administrative_Subdivision")) {
            const QJsonObject s = v.toObject();
            if (s["Deleted"].toString() != QLatin1String("true"))
                subdivisions_.insert(s["Code"].toString().toUpper().toLatin1() + '.' +
                                     s["DXCC Entity Code"].toString().toLatin1());
        }
    }

    static bool printable(const QByteArray &v, bool lineEnds) {
        for (const char c : v) {
            const uchar u = uchar(c);
            if ((u < 32 || u > 126) && !(lineEnds && (c == '\r' || c == '\n')))
                return false;
        }
        return true;
    }

    static bool digits(const QByteArray &v) {
        return !v.isEmpty() &&
               std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
    }

    void checkField(const QByteArray &name, const QByteArray &value, bool inHeader,
                    QStringList &problems) const {
        const QString n = QString::fromLatin1(name);
        const auto field = fields_.constFind(name);
        if (field == fields_.constEnd()) {
            problems << QStringLiteral("unknown field %1").arg(n);
            return;
        }
        if (field->header != inHeader)
            problems << QStringLiteral("%1 is a %2 field").arg(n, field->header ? "header" : "QSO");
        if (value.isEmpty())
            return;
        const auto bad = [&](const char *why) {
            problems << QStringLiteral("%1 \"%2\": %3").arg(n, QString::fromLatin1(value), why);
        };
        const QString &type = field->type;
        if (!printable(value, type == QLatin1String("MultilineString")) &&
            !type.startsWith(QLatin1String("Intl")))
            bad("not ASCII 32-126");
        if (type == QLatin1String("Date")) {
            const QDate d =
                QDate::fromString(QString::fromLatin1(value), QStringLiteral("yyyyMMdd"));
            if (value.size() != 8 || !digits(value) || !d.isValid() || d.year() < 1930)
                bad("not a date YYYYMMDD");
        } else if (type == QLatin1String("Time")) {
            const bool shape = (value.size() == 4 || value.size() == 6) && digits(value);
            if (!shape || value.first(2).toInt() > 23 || value.sliced(2, 2).toInt() > 59 ||
                (value.size() == 6 && value.sliced(4, 2).toInt() > 59))
                bad("not a time HHMM or HHMMSS");
        } else if (type == QLatin1String("Number")) {
            static const QRegularExpression number(QStringLiteral("^-?\\d*(\\.\\d*)?$"));
            if (!number.match(QString::fromLatin1(value)).hasMatch() || value == "." ||
                value == "-")
                bad("not a number");
        } else if (type == QLatin1String("Integer") || type == QLatin1String("PositiveInteger")) {
            if (!digits(value))
                bad("not an integer");
        } else if (type == QLatin1String("GridSquare")) {
            static const QRegularExpression grid(
                QStringLiteral("^[A-Ra-r]{2}(\\d{2}([A-Xa-x]{2}(\\d{2})?)?)?$"));
            if (!grid.match(QString::fromLatin1(value)).hasMatch())
                bad("not a locator");
        }
        const QByteArray upper = value.toUpper();
        const QString &e = field->enumeration;
        if (e == QLatin1String("Band") && !bands_.contains(upper))
            bad("not an ADIF band");
        if (e == QLatin1String("Mode") && !modes_.contains(upper))
            bad("not an ADIF mode");
        if (e == QLatin1String("Submode[MODE]") && !submodes_.contains(upper))
            bad("not an ADIF submode");
        if (e == QLatin1String("DXCC_Entity_Code") && !entities_.contains(value))
            bad("not a DXCC entity");
    }

    void checkRecord(const AdifFields &r, QStringList &problems) const {
        for (const char *needed : {"CALL", "QSO_DATE", "TIME_ON", "MODE"})
            if (r.value(needed).isEmpty())
                problems << QStringLiteral("record of %1 without %2")
                                .arg(QString::fromLatin1(r.value("CALL")), needed);
        const QByteArray submode = r.value("SUBMODE").toUpper();
        if (!submode.isEmpty() && submodes_.value(submode) != r.value("MODE").toUpper())
            problems << QStringLiteral("SUBMODE %1 is no submode of MODE %2")
                            .arg(QString::fromLatin1(submode),
                                 QString::fromLatin1(r.value("MODE")));
        const QByteArray state = r.value("STATE").toUpper();
        if (!state.isEmpty() && r.contains("DXCC") &&
            !subdivisions_.contains(state + '.' + r.value("DXCC")))
            problems << QStringLiteral("STATE %1 is no subdivision of DXCC %2")
                            .arg(QString::fromLatin1(state), QString::fromLatin1(r.value("DXCC")));
    }

    QHash<QByteArray, Field> fields_;
    QSet<QByteArray> bands_, modes_, entities_, subdivisions_;
    QHash<QByteArray, QByteArray> submodes_; ///< submode -> its mode
};

/// The problems of an ADIF file, with what was read of it.
inline AdifCheckResult checkAdif(QByteArrayView file) {
    return AdifRules::published().check(file);
}

} // namespace zep::testing
