#include "core/station/RigProtocol.h"

#include <cerrno>
#include <unistd.h>

#include <cmath>

namespace zep::rigproto {

namespace {

constexpr qsizetype maxTextBytes = maxMorseBytes;

struct CauseName {
    Cause cause;
    const char *word;
};
constexpr CauseName causeNames[] = {
    {Cause::Timeout, "timeout"},      {Cause::Io, "io"},
    {Cause::Settings, "settings"},    {Cause::Garbled, "garbled"},
    {Cause::Rejected, "rejected"},    {Cause::Unavailable, "unavailable"},
    {Cause::PoweredOff, "off"},       {Cause::Denied, "denied"},
    {Cause::UnknownModel, "nomodel"}, {Cause::Unknown, "unknown"},
};

/// A text field: percent-encoded UTF-8; "-" stands for the empty text, so a blank field never
/// travels, and a real "-" is encoded.
QByteArray text(const QString &value) {
    if (value.isEmpty())
        return QByteArrayLiteral("-");
    return value.toUtf8().toPercentEncoding(QByteArray(), QByteArrayLiteral("-"));
}

std::optional<QString> textOf(QByteArrayView field) {
    return textField(field, maxTextBytes);
}

/// A plain decimal number of at most `digits` digits, no sign, no blank.
std::optional<quint64> numberOf(QByteArrayView field, int digits) {
    if (field.isEmpty() || field.size() > digits)
        return std::nullopt;
    quint64 value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + quint64(c - '0');
    }
    return value;
}

std::optional<qint64> numberIn(QByteArrayView field, qint64 low, qint64 high) {
    const auto n = numberOf(field, 18);
    if (!n || qint64(*n) < low || qint64(*n) > high)
        return std::nullopt;
    return qint64(*n);
}

std::optional<quint64> idOf(QByteArrayView field) {
    return numberOf(field, 18);
}

/// A Hamlib mode name ("USB", "PKTUSB", "D-STAR"), or the empty mode.
std::optional<QString> modeOf(QByteArrayView field) {
    const auto mode = textOf(field);
    if (!mode || mode->size() > 16)
        return std::nullopt;
    for (const QChar c : *mode)
        if (!(c.isDigit() || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
              c == QLatin1Char('-')))
            return std::nullopt;
    return mode;
}

std::optional<RigReading> readingOf(QByteArrayView hz, QByteArrayView mode) {
    const auto h = numberIn(hz, 1, maxHertz);
    const auto m = modeOf(mode);
    if (!h || !m)
        return std::nullopt;
    return RigReading{RigReading::State::Answering, *h, *m};
}

QByteArray linkFields(const RigLink &link) {
    switch (link.kind) {
    case RigLink::Kind::None:
        break;
    case RigLink::Kind::Rigctld:
        return "NET " + text(link.host) + ' ' + QByteArray::number(link.port);
    case RigLink::Kind::Direct:
        return "DIRECT " + QByteArray::number(link.model) + ' ' + QByteArray::number(link.speed) +
               ' ' + text(link.device);
    }
    return QByteArrayLiteral("NONE");
}

/// The link of `fields` (from its kind on), nothing unless every field is there and in
/// bounds.
std::optional<RigLink> linkOf(const QList<QByteArray> &fields) {
    RigLink link;
    if (fields.size() == 1 && fields[0] == "NONE")
        return link;
    if (fields.size() == 3 && fields[0] == "NET") {
        const auto host = textOf(fields[1]);
        const auto port = numberIn(fields[2], 1, 65535);
        if (!host || !port)
            return std::nullopt;
        link.kind = RigLink::Kind::Rigctld;
        link.host = *host;
        link.port = int(*port);
        return link;
    }
    if (fields.size() == 4 && fields[0] == "DIRECT") {
        const auto model = numberIn(fields[1], 1, 99'999'999);
        const auto speed = numberIn(fields[2], 1, 100'000'000);
        const auto device = textOf(fields[3]);
        if (!model || !speed || !device)
            return std::nullopt;
        link.kind = RigLink::Kind::Direct;
        link.model = int(*model);
        link.speed = int(*speed);
        link.device = *device;
        return link;
    }
    return std::nullopt;
}

/// The blank-separated fields of a line; nothing for an empty field (two blanks, a blank at
/// an end) or an overlong line.
std::optional<QList<QByteArray>> fieldsOf(QByteArrayView line) {
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty() || line.size() >= maxLineBytes)
        return std::nullopt;
    const QList<QByteArray> fields = line.toByteArray().split(' ');
    for (const QByteArray &f : fields)
        if (f.isEmpty())
            return std::nullopt;
    return fields;
}

/// A line's fields with its request number, the second field: what every request and every
/// reply begins with. Nothing for a line without a valid number.
struct Head {
    QList<QByteArray> fields;
    quint64 id = 0;
};

std::optional<Head> headOf(QByteArrayView line) {
    auto fields = fieldsOf(line);
    if (!fields || fields->size() < 2)
        return std::nullopt;
    const auto id = idOf(fields->at(1));
    if (!id)
        return std::nullopt;
    return Head{std::move(*fields), *id};
}

} // namespace

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

std::optional<qint64> hertzOf(double hz) {
    // Compared as doubles before any conversion: a NaN or a value beyond qint64 has no
    // defined conversion to an integer.
    if (!std::isfinite(hz) || !(hz > 0) || hz > double(maxHertz))
        return std::nullopt;
    const auto whole = qint64(std::llround(hz));
    if (whole < 1)
        return std::nullopt;
    return whole;
}

QByteArray causeWord(Cause cause) {
    for (const CauseName &c : causeNames)
        if (c.cause == cause)
            return QByteArray(c.word);
    return QByteArrayLiteral("unknown");
}

std::optional<Cause> causeOfWord(QByteArrayView word) {
    for (const CauseName &c : causeNames)
        if (word == c.word)
            return c.cause;
    return std::nullopt;
}

QString frenchCause(Cause cause) {
    switch (cause) {
    case Cause::Timeout:
        return QStringLiteral("le poste ne répond pas");
    case Cause::Io:
        return QStringLiteral("liaison impossible : connexion refusée, ou périphérique absent "
                              "ou occupé");
    case Cause::Settings:
        return QStringLiteral("réglages de la liaison refusés (périphérique, vitesse)");
    case Cause::Garbled:
        return QStringLiteral("réponse incompréhensible du poste");
    case Cause::Rejected:
        return QStringLiteral("le poste refuse la demande");
    case Cause::Unavailable:
        return QStringLiteral("ce poste ne donne pas sa fréquence ou son mode");
    case Cause::PoweredOff:
        return QStringLiteral("le poste est éteint");
    case Cause::Denied:
        return QStringLiteral("accès au poste refusé");
    case Cause::UnknownModel:
        return QStringLiteral("modèle de poste inconnu");
    case Cause::Unknown:
        break;
    }
    return QStringLiteral("le programme du poste ne connaît pas cette demande");
}

QString keyingCause(Cause cause) {
    switch (cause) {
    case Cause::Unavailable:
        return QStringLiteral("ce poste ne le permet pas par sa liaison CAT");
    case Cause::Settings:
        return QStringLiteral("demande refusée par le poste");
    case Cause::Io:
        return QStringLiteral("aucune liaison avec le poste n'est suivie");
    default:
        return frenchCause(cause);
    }
}

QByteArray encode(const Request &request) {
    const QByteArray id = QByteArray::number(request.id);
    switch (request.kind) {
    case Request::Kind::Ping:
        return "PING " + id + '\n';
    case Request::Kind::Follow:
        return "FOLLOW " + id + ' ' + linkFields(request.link) + '\n';
    case Request::Kind::Test:
        return "TEST " + id + ' ' + linkFields(request.link) + '\n';
    case Request::Kind::Models:
        return "MODELS " + id + '\n';
    case Request::Kind::Ptt:
        return "PTT " + id + (request.on ? " ON\n" : " OFF\n");
    case Request::Kind::Morse:
        return "MORSE " + id + ' ' + text(request.text) + '\n';
    case Request::Kind::MorseStop:
        return "MORSESTOP " + id + '\n';
    case Request::Kind::Speed:
        return "SPEED " + id + ' ' + QByteArray::number(request.wpm) + '\n';
    }
    return QByteArray();
}

std::optional<Request> parseRequest(QByteArrayView line) {
    const auto head = headOf(line);
    if (!head)
        return std::nullopt;
    const QList<QByteArray> *const fields = &head->fields;
    Request r;
    r.id = head->id;
    const QByteArray &verb = fields->at(0);
    const qsizetype n = fields->size();
    if ((verb == "PING" || verb == "MODELS" || verb == "MORSESTOP") && n == 2) {
        r.kind = verb == "PING"     ? Request::Kind::Ping
                 : verb == "MODELS" ? Request::Kind::Models
                                    : Request::Kind::MorseStop;
        return r;
    }
    if (verb == "PTT" && n == 3 && (fields->at(2) == "ON" || fields->at(2) == "OFF")) {
        r.kind = Request::Kind::Ptt;
        r.on = fields->at(2) == "ON";
        return r;
    }
    if (verb == "MORSE" && n == 3) {
        // The empty text ("-") keys nothing: it is no request.
        const auto morse = textOf(fields->at(2));
        if (!morse || morse->isEmpty())
            return std::nullopt;
        r.kind = Request::Kind::Morse;
        r.text = *morse;
        return r;
    }
    if (verb == "SPEED" && n == 3) {
        const auto wpm = numberIn(fields->at(2), minWpm, maxWpm);
        if (!wpm)
            return std::nullopt;
        r.kind = Request::Kind::Speed;
        r.wpm = int(*wpm);
        return r;
    }
    if (verb == "FOLLOW" || verb == "TEST") {
        const auto link = linkOf(fields->mid(2));
        if (!link)
            return std::nullopt;
        r.kind = verb == "FOLLOW" ? Request::Kind::Follow : Request::Kind::Test;
        r.link = *link;
        return r;
    }
    return std::nullopt;
}

QByteArray encode(const Reply &reply) {
    const QByteArray id = QByteArray::number(reply.id);
    const auto reading = [&] {
        return QByteArray::number(reply.reading.hz) + ' ' + text(reply.reading.mode);
    };
    switch (reply.kind) {
    case Reply::Kind::Hello:
        return "HELLO " + id + '\n';
    case Reply::Kind::Pong:
        return "PONG " + id + '\n';
    case Reply::Kind::Reading:
        return "READING " + id + ' ' + reading() + '\n';
    case Reply::Kind::Silent:
        return "SILENT " + id + '\n';
    case Reply::Kind::Tested:
        if (reply.cause)
            return "TESTED " + id + " FAIL " + causeWord(*reply.cause) + '\n';
        return "TESTED " + id + " OK " + reading() + '\n';
    case Reply::Kind::Model:
        return "MODEL " + id + ' ' + QByteArray::number(reply.model.number) + ' ' +
               text(reply.model.maker) + ' ' + text(reply.model.name) + '\n';
    case Reply::Kind::ModelsEnd:
        return "MODELS " + id + ' ' + QByteArray::number(reply.count) + '\n';
    case Reply::Kind::Done:
        return "DONE " + id + '\n';
    case Reply::Kind::Refused:
        return "REFUSED " + id + ' ' + causeWord(reply.cause.value_or(Cause::Unknown)) + '\n';
    }
    return QByteArray();
}

std::optional<Reply> parseReply(QByteArrayView line) {
    const auto head = headOf(line);
    if (!head)
        return std::nullopt;
    const QList<QByteArray> *const fields = &head->fields;
    Reply r;
    r.id = head->id;
    const QByteArray &verb = fields->at(0);
    const qsizetype n = fields->size();
    if (n == 2) {
        static const struct {
            const char *verb;
            Reply::Kind kind;
        } bare[] = {{"HELLO", Reply::Kind::Hello},
                    {"PONG", Reply::Kind::Pong},
                    {"SILENT", Reply::Kind::Silent},
                    {"DONE", Reply::Kind::Done}};
        for (const auto &b : bare)
            if (verb == b.verb) {
                r.kind = b.kind;
                if (r.kind == Reply::Kind::Silent)
                    r.reading = {RigReading::State::Silent, 0, QString()};
                return r;
            }
        return std::nullopt;
    }
    if (verb == "READING" && n == 4) {
        const auto reading = readingOf(fields->at(2), fields->at(3));
        if (!reading)
            return std::nullopt;
        r.kind = Reply::Kind::Reading;
        r.reading = *reading;
        return r;
    }
    if (verb == "TESTED" && n == 5 && fields->at(2) == "OK") {
        const auto reading = readingOf(fields->at(3), fields->at(4));
        if (!reading)
            return std::nullopt;
        r.kind = Reply::Kind::Tested;
        r.reading = *reading;
        return r;
    }
    if ((verb == "TESTED" && n == 4 && fields->at(2) == "FAIL") || (verb == "REFUSED" && n == 3)) {
        // A cause this version does not know is still a failure.
        r.kind = verb == "TESTED" ? Reply::Kind::Tested : Reply::Kind::Refused;
        r.cause = causeOfWord(fields->last()).value_or(Cause::Unknown);
        r.reading = {RigReading::State::Silent, 0, QString()};
        return r;
    }
    if (verb == "MODEL" && n == 5) {
        const auto number = numberIn(fields->at(2), 1, 99'999'999);
        const auto maker = textOf(fields->at(3));
        const auto name = textOf(fields->at(4));
        if (!number || !maker || !name)
            return std::nullopt;
        r.kind = Reply::Kind::Model;
        r.model = {int(*number), *maker, *name};
        return r;
    }
    if (verb == "MODELS" && n == 3) {
        const auto count = numberIn(fields->at(2), 0, maxModels);
        if (!count)
            return std::nullopt;
        r.kind = Reply::Kind::ModelsEnd;
        r.count = int(*count);
        return r;
    }
    return std::nullopt;
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

} // namespace zep::rigproto
