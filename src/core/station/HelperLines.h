#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

/// What the program's two helper programs (the radio's and the sound's) and the program share
/// on their pipes: lines of blank-separated fields, ended by LF and bounded, whose second field
/// is the request's number; text fields percent-encoded; a helper's own start (bound to its
/// parent) and its one way of writing an answer. Each protocol (RigProtocol.h,
/// VoiceProtocol.h) says only what its lines mean.
namespace zep::helperline {

/// The longest line either side keeps, its LF included.
inline constexpr qsizetype maxLineBytes = 1024;

/// A plain decimal number of at most 18 digits, no sign, within [low, high].
std::optional<qint64> numberIn(QByteArrayView field, qint64 low, qint64 high);

/// A text field: percent-encoded UTF-8 of at most `maxBytes` bytes with no control character;
/// "-" alone stands for the empty text. Nothing for anything else, bytes that are no UTF-8
/// among them: such a text would not read back the same once written again.
std::optional<QString> textField(QByteArrayView field, qsizetype maxBytes);
/// The field of a text (a "-" in it encoded); nothing when it is longer than `maxBytes` bytes
/// of UTF-8 or holds a control character.
std::optional<QByteArray> fieldOfText(const QString &value, qsizetype maxBytes);

/// A line's fields (a CR before its end allowed) with its request number, the second field:
/// what every request and every answer of both protocols begins with. Nothing for an empty
/// field (two blanks, a blank at an end), an overlong line or a line without a number.
struct Head {
    QList<QByteArray> fields;
    quint64 id = 0;
};
std::optional<Head> headOf(QByteArrayView line);

/// Cuts a byte stream into lines of at most `maxLineBytes`; a longer line is dropped whole,
/// up to its LF, and memory stays bounded whatever the peer sends.
class LineReader {
public:
    void append(QByteArrayView bytes);
    /// The next complete line, without its LF.
    std::optional<QByteArray> next();
    /// The lines dropped as too long.
    int dropped() const { return dropped_; }

private:
    QByteArray pending_;
    QList<QByteArray> lines_;
    bool skipping_ = false;
    int dropped_ = 0;
};

/// Writes `line` whole on the file descriptor `fd`, through short writes and interrupted ones;
/// false once the other side is gone.
bool writeWhole(int fd, QByteArrayView line);

/// In a helper program: writes one answer line whole on the standard output, one writer at a
/// time whatever the thread; the program gone (the pipe closed), the helper ends at once.
void answer(QByteArrayView line);

/// In a helper program, first thing in `main`: the helper is killed with the program that
/// started it (`--parent <pid>`), and ends at once when that program is already gone; a
/// closed pipe is an error to handle, not a signal. False when the helper should end now.
bool bindToParent(int argc, char **argv);

/// `--name value` of a helper's command line, within [low, high], or `fallback`.
int option(int argc, char **argv, const char *name, int fallback, int low, int high);

} // namespace zep::helperline
