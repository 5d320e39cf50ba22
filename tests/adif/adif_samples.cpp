// Writes sample activity logs and their ADIF exports for the independent ADIF check
// (run_check.sh), through the same layout and crash-safe write as the menu items: the ADIF
// export, and the ADIF 3 export for the award sites with the countries of the program's prefix
// table. Prints one "FILE RECORDS" line per ADIF file written.
//
//   zep_adif_samples DIRECTORY

#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixDxcc.h"
#include "core/countries/PrefixTable.h"
#include "core/exchange/AdifAwardExport.h"
#include "core/exchange/AdifExport.h"
#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>

using namespace zep;

namespace {

/// Every band and mode of the entry window, with the first names, remarks, departments and
/// call signs that a strict reader is most likely to refuse when they are written wrongly.
QStringList busyLog() {
    const QStringList bands = {QStringLiteral("1.8"), QStringLiteral("3.5"), QStringLiteral("7"),
                               QStringLiteral("10"),  QStringLiteral("14"),  QStringLiteral("18"),
                               QStringLiteral("21"),  QStringLiteral("24"),  QStringLiteral("28"),
                               QStringLiteral("50"),  QStringLiteral("144")};
    const QStringList calls = {QStringLiteral("F5ABC/P"),  QStringLiteral("DL1XYZ"),
                               QStringLiteral("TK5AA"),    QStringLiteral("F4KJM/P"),
                               QStringLiteral("ON4ZZ/MM"), QStringLiteral("EA8/F4ABC/MM")};
    const QStringList names = {QString(),
                               QStringLiteral("Hervé"),
                               QStringLiteral("François"),
                               QStringLiteral("Zoë"),
                               QStringLiteral("Jean-Noël"),
                               QStringLiteral("Œdipe")};
    const QStringList remarks = {QString(), QStringLiteral("château fort"),
                                 QStringLiteral("qrp <5w> 73"), QStringLiteral("à bientôt – 73"),
                                 QStringLiteral("s2s DFCF 27015")};
    const QStringList departments = {QStringLiteral("2A"), QStringLiteral("00"), QString(),
                                     QStringLiteral("2B"), QStringLiteral("95")};
    QStringList lines;
    int n = 0;
    for (const QString &band : bands) {
        for (const QString &mode : {QStringLiteral("SSB"), QStringLiteral("CW"),
                                    QStringLiteral("USB"), QStringLiteral("LSB")}) {
            QsoFields f;
            f.date = QStringLiteral("%1/12/26").arg(1 + n % 28, 2, 10, QLatin1Char('0'));
            f.time = QStringLiteral("%1:%2")
                         .arg(n % 24, 2, 10, QLatin1Char('0'))
                         .arg(n * 7 % 60, 2, 10, QLatin1Char('0'));
            f.call = calls.at(n % calls.size());
            f.department = departments.at(n % departments.size());
            f.firstName = names.at(n % names.size());
            f.rstReceived =
                mode == QLatin1String("CW") ? QStringLiteral("599") : QStringLiteral("59");
            f.rstSent = mode == QLatin1String("CW") ? QStringLiteral("579") : QStringLiteral("57");
            f.mode = mode;
            f.band = band;
            f.remarks = remarks.at(n % remarks.size());
            const BuiltLine built = buildQsoLine(f);
            if (!built.ok) {
                std::fprintf(stderr, "%s\n", qPrintable(built.error));
                std::exit(1);
            }
            lines << built.line;
            ++n;
        }
    }
    return lines;
}

/// Writes the log, exports it as the menu does (from the log file's bytes) and prints the pair.
bool exportSample(const QDir &dir, const QString &name, const QStringList &log) {
    const QString logPath = dir.filePath(name + QStringLiteral(".txt"));
    const QString adiPath = dir.filePath(name + QStringLiteral(".adi"));
    if (const IoResult w = writeTextFile(logPath, log); !w) {
        std::fprintf(stderr, "%s\n", qPrintable(w.message));
        return false;
    }
    const FileBytes read = readFileBytes(logPath);
    if (!read.status) {
        std::fprintf(stderr, "%s\n", qPrintable(read.status.message));
        return false;
    }
    const QByteArray adi = adif::document(adif::title(QStringLiteral("F4ABC/P")), read.bytes);
    if (const IoResult w = writeBytesFile(adiPath, adi); !w) {
        std::fprintf(stderr, "%s\n", qPrintable(w.message));
        return false;
    }
    std::printf("%s %lld\n", qPrintable(adiPath), static_cast<long long>(log.size()));

    // The file for the award sites, every optional field in.
    const prefixdxcc::EntityFinder finder(builtInPrefixTable());
    adif3::Station station;
    station.stationCall = QStringLiteral("F4ABC/P");
    station.operatorCall = QStringLiteral("F1XYZ");
    station.programme = QStringLiteral("DFCF");
    station.reference = QStringLiteral("DFCF 76054");
    station.gridSquare = QStringLiteral("JN18du");
    station.created = QDateTime::currentDateTimeUtc();
    const adif3::Document award = adif3::document(
        station, {}, read.bytes, [&finder](QByteArrayView call) { return finder(call); },
        [](QByteArrayView line) -> std::optional<double> {
            // A frequency for the 7 MHz QSOs, as radio control would keep it.
            return line.contains("  7 Mhz") ? std::optional<double>(7.0745) : std::nullopt;
        });
    const QString awardPath = dir.filePath(name + QStringLiteral("_adif3.adi"));
    if (const IoResult w = writeBytesFile(awardPath, award.pieces); !w) {
        std::fprintf(stderr, "%s\n", qPrintable(w.message));
        return false;
    }
    std::printf("%s %d\n", qPrintable(awardPath), award.records);
    return award.records == log.size();
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zep_adif_samples DIRECTORY\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path()))
        return 1;
    const bool ok = exportSample(dir, QStringLiteral("busy"), busyLog()) &&
                    exportSample(dir, QStringLiteral("empty"), {});
    return ok ? 0 : 1;
}
