// An ADIF file as a user may hand it over (tagged or XML), read and mapped against a small log.
// The reader never looks past the input; every record ends in exactly one status; a QSO taken
// reads back from its line as it was mapped; the merged log holds the log's lines and the
// taken QSOs, no more, no fewer; the report lists every record not taken.

#include "FuzzSupport.h"
#include "core/adif/AdifReader.h"
#include "core/exchange/AdifImport.h"
#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"

#include <QRegularExpression>

#include <algorithm>

using namespace zep;
using namespace zep::adifimport;
using namespace zep::fuzz;

namespace {

const Target boxes{{QStringLiteral("1.8"), QStringLiteral("3.5"), QStringLiteral("7"),
                    QStringLiteral("10"), QStringLiteral("14"), QStringLiteral("18"),
                    QStringLiteral("21"), QStringLiteral("24"), QStringLiteral("28"),
                    QStringLiteral("50"), QStringLiteral("144")},
                   {QStringLiteral("SSB"), QStringLiteral("CW")}};

QStringList logLines() {
    QStringList lines;
    for (const char *call : {"F1ABC", "DL2XY"}) {
        QsoFields f;
        f.date = QStringLiteral("07/12/26");
        f.time = QStringLiteral("10:15");
        f.call = QString::fromLatin1(call);
        f.mode = QStringLiteral("SSB");
        f.band = QStringLiteral("7");
        lines.append(buildQsoLine(f).line);
    }
    lines.append(QStringLiteral("a line edited by hand"));
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // A copy of exactly the input's size: AddressSanitizer sees any read beyond it.
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const adif::ReadResult read = adif::readAdif(input);
    if (!adif::looksLikeAdx(input)) {
        // Values are UTF-8. A UTF-16 file is read as UTF-8 first, where a sign of two bytes
        // may take three: values may then outgrow the file, by half at most.
        qsizetype total = 0;
        for (const adif::Record &r : read.records)
            for (const adif::Field &f : r.fields)
                total += f.value.size();
        const bool utf16 = input.startsWith("\xFF\xFE") || input.startsWith("\xFE\xFF");
        check(utf16 ? 2 * total <= 3 * input.size() : total <= input.size(),
              "values longer than the file");
    }

    static const QStringList lines = logLines();
    QByteArray log;
    encodeLines(lines, log);
    const Preview preview = previewImport(read, log, boxes);
    check(preview.items.size() == read.records.size(), "a record without its item");
    check(adif::countRecordsAtMost(input) >= read.records.size(),
          "the record bound counts fewer records than are read");

    // The file read as a stream gives the preview of the file read whole, or a refusal.
    const FilePreview streamed = previewFile(input, QStringLiteral("f.adi"), log, boxes);
    if (streamed.refusal.isEmpty()) {
        check(streamed.preview.items.size() == preview.items.size(),
              "the streamed preview has other records");
        for (qsizetype i = 0; i < preview.items.size(); ++i)
            check(streamed.preview.items[i].status == preview.items[i].status &&
                      streamed.preview.items[i].qsoLine == preview.items[i].qsoLine &&
                      streamed.preview.items[i].reason == preview.items[i].reason,
                  "the streamed preview maps a record otherwise", preview.items[i].qsoLine);
    } else {
        check(streamed.preview.items.isEmpty(), "a refused file with a preview");
        check(read.brokenTags || read.records.isEmpty(), "a sound file refused", streamed.refusal);
    }

    for (const Item &item : preview.items) {
        for (const QString &note : item.notes)
            check(note.size() <= 400, "a note quotes a whole value", note.left(100));
        if (item.status == Status::Ignored) {
            check(!item.reason.isEmpty(), "ignored without a reason");
            check(item.qsoLine.isEmpty(), "an ignored record has a line");
            continue;
        }
        check(item.qsoLine.size() == qsocol::lineLength, "a line of the wrong length",
              item.qsoLine);
        check(cp1252::canEncode(item.qsoLine), "a line the log cannot hold", item.qsoLine);
        const QsoFields back = readQsoLine(item.qsoLine);
        check(back.call == item.fields.call && back.band == item.fields.band &&
                  back.mode == item.fields.mode && back.date == item.fields.date &&
                  back.time == item.fields.time,
              "the line does not read back as mapped", item.qsoLine);
        check(qsoOrderingNumber(item.qsoLine) == item.order, "the line has another time",
              item.qsoLine);
        // A mode the box does not list is one it takes typed: letters and digits, four at most.
        static const QRegularExpression typedMode(QStringLiteral("^[A-Z0-9]{1,4}$"));
        check(boxes.bands.contains(back.band) &&
                  (boxes.modes.contains(back.mode) || typedMode.match(back.mode).hasMatch()),
              "a band or mode the window does not offer", item.qsoLine);
    }

    for (const bool withDuplicates : {false, true}) {
        const int taken = preview.importedCount(withDuplicates);
        QStringList merged = splitLines(cp1252::decode(mergedLog(preview, withDuplicates)));
        QStringList expected = lines;
        for (const Item &item : preview.items)
            if (Preview::imported(item, withDuplicates))
                expected.append(item.qsoLine);
        check(merged.size() == lines.size() + taken, "the merged log lost or gained lines");
        std::sort(merged.begin(), merged.end());
        std::sort(expected.begin(), expected.end());
        check(merged == expected, "the merged log holds other lines");

        const QStringList report = splitLines(cp1252::decode(adifimport::report(
            preview, withDuplicates, QStringLiteral("f"), QStringLiteral("REF"), QDateTime())));
        const qsizetype listed =
            std::count_if(report.cbegin(), report.cend(),
                          [](const QString &l) { return l.startsWith(QStringLiteral("  n° ")); });
        check(listed + taken == preview.items.size(), "records read != imported + listed");
    }
    return 0;
}
