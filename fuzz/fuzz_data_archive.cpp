// An archive as a user may hand it to "Restaurer une archive…", and a MASTER.SCP as a user may
// choose it. The first byte of the input says which; the rest is the file.
// An archive is either refused with the French message and no file at all, or gives files
// within the limits, each named once, inside the data directory, without a control character.
// A list checked strictly gives, when accepted, the same calls as the lenient reading; every
// call is 1 to 12 capitals, digits or "/", and never more than the limit.

#include "FuzzSupport.h"
#include "core/aids/PartialCheck.h"
#include "core/backup/DataArchive.h"

#include <QSet>

#include <algorithm>

using namespace zep;
using namespace zep::fuzz;

namespace {

void archiveProperties(QByteArrayView bytes) {
    const QString path = scratchFile("archive.zip");
    putFile(path, bytes);
    const archive::Contents contents = archive::readArchive(path);
    if (!contents.status.ok) {
        check(contents.members.isEmpty(), "a refused archive gave files");
        check(contents.status.message.contains(QStringLiteral("Rien n'a été modifié")) ||
                  contents.status.message.contains(QStringLiteral("introuvable")),
              "a refusal without its French ending", contents.status.message);
        return;
    }
    check(contents.members.size() <= archive::mostMembers, "more files than allowed");
    qint64 total = 0;
    QSet<QString> names;
    for (const archive::Member &m : contents.members) {
        total += m.bytes.size();
        check(archive::safeMemberName(m.name), "a name leaving the directory", m.name);
        check(!archive::hasControlCharacter(m.name), "a control character in a name", m.name);
        check(!names.contains(m.name), "a name given twice", m.name);
        names.insert(m.name);
    }
    check(total <= archive::largestTotal, "more bytes than allowed");
}

void listProperties(QByteArrayView bytes) {
    const masterscp::Check strict = masterscp::check(bytes);
    const masterscp::Check lenient = masterscp::check(bytes, false);
    check(lenient.ok, "the lenient reading refused a list");
    check(lenient.calls.size() <= masterscp::mostCalls, "more calls than allowed");
    for (const QByteArray &call : lenient.calls) {
        const bool good = !call.isEmpty() && call.size() <= 12 &&
                          std::all_of(call.begin(), call.end(), [](char c) {
                              return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/';
                          });
        check(good, "a call that is not one", QString::fromLatin1(call));
    }
    if (strict.ok)
        check(strict.calls == lenient.calls, "the strict and lenient readings differ");
    else
        check(strict.badLine > 0 && strict.calls.isEmpty() && !strict.message.isEmpty(),
              "a refusal without its line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArrayView rest = view(data + 1, size - 1);
    if (data[0] & 1)
        listProperties(rest);
    else
        archiveProperties(rest);
    return 0;
}
