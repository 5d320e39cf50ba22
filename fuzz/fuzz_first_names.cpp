// The first-name memory as a user may hand it over, with a call sign to look up and record.
// Input: a first line "call<TAB>department<TAB>first name", then the memory file itself.
// A lookup never fails on any file; a recorded entry reads back as recorded; entries of other
// call signs stay as they were, in their order; a refused update leaves the file untouched; the
// batch update of an import gives what the validation gives.

#include "FuzzSupport.h"
#include "core/aids/FirstNames.h"
#include "core/io/TextFile.h"

#include <QFile>

using namespace zep;
using namespace zep::fuzz;

namespace {

/// The lines of the file, as the memory cuts them (LF ends a line, one CR before it dropped).
QList<QByteArray> linesOf(const QByteArray &bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        qsizetype stop = end;
        // A CR that ends the file is a line end torn by a crash: the next append completes it.
        if (stop > start && bytes.at(stop - 1) == '\r')
            --stop;
        lines.append(bytes.mid(start, stop - start));
        start = end + 1;
    }
    return lines;
}

/// The call sign an entry holds: its first twelve columns, blanks trimmed.
QByteArray callOf(const QByteArray &line) {
    QByteArray call = line.left(12);
    while (call.startsWith(' '))
        call.remove(0, 1);
    while (call.endsWith(' '))
        call.chop(1);
    return call;
}

bool plain(const QString &text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20)
            return false;
    return cp1252::canEncode(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = view(data, size).toByteArray();
    const qsizetype lineEnd = input.indexOf('\n');
    const QByteArray query = lineEnd < 0 ? input : input.left(lineEnd);
    const QByteArray file = lineEnd < 0 ? QByteArray() : input.mid(lineEnd + 1);
    const QList<QByteArray> parts = query.split('\t');
    const QString call = cp1252::decode(parts.value(0));
    const QString department = cp1252::decode(parts.value(1));
    const QString firstName = cp1252::decode(parts.value(2));

    const QString path = scratchFile("Liste_Prenom.txt");
    putFile(path, file);
    FirstNameMemory memory(path);
    const FirstNameLookup before = memory.find(call);

    // The batch of an import, with this one QSO, leaves the memory as a validation with the
    // fields filled from the lookup does.
    {
        const QString batchPath = scratchFile("Liste_Prenom_lot.txt");
        putFile(batchPath, file);
        const IoResult batch =
            FirstNameMemory(batchPath).rememberAll({{call, department, firstName}});
        const QString d = department.isEmpty() && before.known ? before.department : department;
        const QString n = firstName.isEmpty() && before.known ? before.firstName : firstName;
        const IoResult one = memory.remember(call, d, n, !before.known);
        const QByteArray expected = getFile(path);
        if (one.ok)
            check(batch.ok && getFile(batchPath) == expected,
                  "the batch update differs from the validation's",
                  cp1252::decode(getFile(batchPath)) + QStringLiteral("\n---\n") +
                      cp1252::decode(expected));
        else
            check(getFile(batchPath) == file, "a refused update changed the memory in a batch");
        putFile(path, file);
    }

    const IoResult done = memory.remember(call, department, firstName, !before.known);
    const QByteArray after = getFile(path);
    check(!QFile::exists(scratchFile("Temporaire.txt")), "scratch file left behind");
    if (!done.ok) {
        check(after == file, "a refused update changed the memory", done.message);
        return 0;
    }

    // What was recorded is what a lookup now finds, for any call sign an entry can hold.
    const bool normalCall =
        !call.isEmpty() && !call.contains(QLatin1Char(' ')) && call.size() <= 12 && plain(call);
    if (!normalCall)
        return 0;
    // Other call signs keep their entries, in their order.
    QByteArray wanted;
    const bool encodable = cp1252::encode(call, wanted);
    check(encodable, "a call sign the file cannot hold was recorded", call);
    const auto others = [&](const QByteArray &bytes) {
        QList<QByteArray> kept;
        for (const QByteArray &line : linesOf(bytes))
            if (callOf(line) != wanted)
                kept.append(line);
        return kept;
    };
    check(others(after) == others(file), "entries of other call signs changed",
          cp1252::decode(file) + QStringLiteral("\n---\n") + cp1252::decode(after));

    if (plain(department) && plain(firstName)) {
        const FirstNameLookup now = memory.find(call);
        check(now.known, "a recorded call sign is unknown", call);
        check(now.department.trimmed() == department.trimmed(),
              "the recorded department does not read back",
              call + QLatin1Char('|') + department + QLatin1Char('|') + now.department);
        check(now.firstName == firstName, "the recorded first name does not read back",
              call + QLatin1Char('|') + firstName + QLatin1Char('|') + now.firstName);
    }
    return 0;
}
