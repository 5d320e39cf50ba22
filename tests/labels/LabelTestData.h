#pragma once

#include "core/log/QsoLine.h"
#include "labels/LabelSheets.h"
#include "labels/SelectionEntry.h"

#include <QStringList>

namespace zep::labeltest {

/// The selection entry of a QSO typed with these fields.
inline QString entry(const QString &call, const QString &dpt = QStringLiteral("34"),
                     const QString &band = QStringLiteral("7"),
                     const QString &mode = QStringLiteral("SSB"),
                     const QString &date = QStringLiteral("12/05/24"),
                     const QString &time = QStringLiteral("08:35")) {
    QsoFields f;
    f.date = date;
    f.time = time;
    f.call = call;
    f.department = dpt;
    f.firstName = QStringLiteral("Jean");
    f.rstReceived = QStringLiteral("59");
    f.rstSent = QStringLiteral("57");
    f.mode = mode;
    f.band = band;
    f.remarks = QStringLiteral("qsl");
    return selectionEntry(buildQsoLine(f).line).value_or(QString());
}

/// `n` entries with distinct call signs, in call-sign order.
inline QStringList entries(int n) {
    QStringList all;
    for (int i = 0; i < n; ++i)
        all.append(entry(QStringLiteral("F4A%1").arg(i, 3, 10, QLatin1Char('0'))));
    return all;
}

/// A single activation with a canton number.
inline LabelContent content(bool english = false) {
    LabelContent c;
    c.english = english;
    c.reference = {QStringLiteral("DFCF 34-012"), QStringLiteral("Chateau de Lavagnac"),
                   QStringLiteral("3415"), QStringLiteral("34530"), QStringLiteral("Montagnac")};
    c.secondNumber = QStringLiteral("DIFI 34-001");
    c.secondName = QStringLiteral("Ile de Thau");
    c.activator = QStringLiteral("Q0ZEP");
    c.transceiver = QStringLiteral("FT-817");
    c.antenna = QStringLiteral("Dipole");
    return c;
}

} // namespace zep::labeltest
