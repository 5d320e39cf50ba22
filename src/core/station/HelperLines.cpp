#include "core/station/HelperLines.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include <sys/prctl.h>
#include <unistd.h>

namespace zep::helperline {

std::optional<qint64> numberIn(QByteArrayView field, qint64 low, qint64 high) {
    if (field.isEmpty() || field.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<QString> textField(QByteArrayView field, qsizetype maxBytes) {
    if (field == "-")
        return QString();
    const QByteArray bytes = QByteArray::fromPercentEncoding(field.toByteArray());
    if (bytes.isEmpty() || bytes.size() > maxBytes)
        return std::nullopt;
    for (const char c : bytes)
        if (uchar(c) < 0x20 || uchar(c) == 0x7f)
            return std::nullopt;
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() != bytes)
        return std::nullopt;
    return decoded;
}

std::optional<QByteArray> fieldOfText(const QString &value, qsizetype maxBytes) {
    if (value.isEmpty())
        return QByteArrayLiteral("-");
    const QByteArray bytes = value.toUtf8();
    if (bytes.size() > maxBytes)
        return std::nullopt;
    for (const char c : bytes)
        if (uchar(c) < 0x20 || uchar(c) == 0x7f)
            return std::nullopt;
    return bytes.toPercentEncoding(QByteArray(), QByteArrayLiteral("-"));
}

std::optional<Head> headOf(QByteArrayView line) {
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty() || line.size() >= maxLineBytes)
        return std::nullopt;
    QList<QByteArray> fields = line.toByteArray().split(' ');
    if (fields.size() < 2)
        return std::nullopt;
    for (const QByteArray &f : fields)
        if (f.isEmpty())
            return std::nullopt;
    const auto id = numberIn(fields.at(1), 0, 999'999'999'999'999'999);
    if (!id)
        return std::nullopt;
    return Head{std::move(fields), quint64(*id)};
}

void LineReader::append(QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const qsizetype lf = bytes.indexOf('\n');
        const QByteArrayView part = lf < 0 ? bytes : bytes.first(lf);
        if (!skipping_) {
            if (pending_.size() + part.size() >= maxLineBytes) {
                skipping_ = true;
                pending_.clear();
                ++dropped_;
            } else {
                pending_.append(part);
            }
        }
        if (lf < 0)
            return;
        if (!skipping_)
            lines_.append(pending_);
        pending_.clear();
        skipping_ = false;
        bytes = bytes.sliced(lf + 1);
    }
}

std::optional<QByteArray> LineReader::next() {
    if (lines_.isEmpty())
        return std::nullopt;
    return lines_.takeFirst();
}

bool writeWhole(int fd, QByteArrayView line) {
    const char *p = line.data();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

void answer(QByteArrayView line) {
    // Never destroyed: a helper's workers may still answer while its main() returns.
    static auto *mutex = new std::mutex;
    std::lock_guard lock(*mutex);
    if (!writeWhole(STDOUT_FILENO, line))
        _exit(0);
}

bool bindToParent(int argc, char **argv) {
    // The program killed, the helper goes too; if it went before this line, now.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int parent = option(argc, argv, "--parent", 0, 1, 1 << 30);
    if (parent != 0 && ::getppid() != parent)
        return false;
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int option(int argc, char **argv, const char *name, int fallback, int low, int high) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) {
            const auto v = numberIn(
                QByteArrayView(argv[i + 1], qsizetype(std::strlen(argv[i + 1]))), low, high);
            return v ? int(*v) : fallback;
        }
    return fallback;
}

} // namespace zep::helperline
