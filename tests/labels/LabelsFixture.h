#pragma once

#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/log/CurrentActivation.h"
#include "core/log/QsoLine.h"
#include "entry/WindowServices.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "support/QsoLines.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ostream>

// Readable failures: texts are shown as texts.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

namespace zep::testing {

/// A QSO line of the log as the entry window writes it.
inline QString logLine(const QString &date, const QString &time, const QString &call,
                       const QString &dpt = {}, const QString &mode = QStringLiteral("SSB"),
                       const QString &band = QStringLiteral("7"), const QString &firstName = {},
                       const QString &remarks = {}) {
    return qsoLineOf(date, time, call, dpt, firstName, mode, band, remarks);
}

/// The label windows' services on a temporary program directory: a double activation
/// (reference DFCF-21-001, second DIFI-21-002), settings in memory, scripted message boxes
/// and a recording printer.
class LabelWindowTest : public ::testing::Test {
protected:
    LabelWindowTest() {
        CurrentActivation &a = activation.activation;
        a.activator = QStringLiteral("F4ABC");
        a.reference = QStringLiteral("DFCF-21-001");
        a.siteName = QStringLiteral("Château de Vougeot");
        a.canton = QStringLiteral("2112");
        a.postcode = QStringLiteral("21640");
        a.town = QStringLiteral("Vougeot");
        a.secondReference = QStringLiteral("DIFI-21-002");
        a.secondSiteName = QStringLiteral("Clos de Vougeot");
        a.secondPostcode = QStringLiteral("21640");
        a.secondTown = QStringLiteral("Gilly");
        a.date = QStringLiteral("14/07/24");
        a.isDouble = true;
    }

    void writeLog(const QStringList &lines) {
        QByteArray bytes;
        for (const QString &l : lines)
            bytes += l.toLatin1() + "\r\n";
        testfiles::put(dir.filePath(QStringLiteral("DFCF-21-001.txt")), bytes);
    }

    QTemporaryDir dir;
    FixedActivationSource activation;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    RecordingPrintService printing;
    ScriptedFileChooser files;
    WindowServices services{dir.path(), activation, settings, dialogs, printing, files};
};

} // namespace zep::testing
