#pragma once

#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"

#include <gtest/gtest.h>

namespace zep::testing {

/// A QSO line of the log as the entry window writes it; the reports are 59, or 599 in CW.
inline QString qsoLineOf(const QString &date, const QString &time, const QString &call,
                         const QString &dpt, const QString &firstName, const QString &mode,
                         const QString &band, const QString &remarks = {}) {
    QsoFields f;
    f.date = date;
    f.time = time;
    f.call = call;
    f.department = dpt;
    f.firstName = firstName;
    f.rstReceived = mode == QLatin1String("CW") ? QStringLiteral("599") : QStringLiteral("59");
    f.rstSent = f.rstReceived;
    f.mode = mode;
    f.band = band;
    f.remarks = remarks;
    const BuiltLine built = buildQsoLine(f);
    EXPECT_TRUE(built.ok) << built.error.toStdString();
    return built.line;
}

/// The bytes of a log holding `lines`, in Windows-1252 with CR LF.
inline QByteArray logBytesOf(const QStringList &lines) {
    QByteArray bytes;
    EXPECT_TRUE(encodeLines(lines, bytes));
    return bytes;
}

} // namespace zep::testing
