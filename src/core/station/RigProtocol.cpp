#include "core/station/RigProtocol.h"

#include <cmath>

namespace zep::rigproto {

namespace {

using helperline::headOf;
using helperline::numberIn;

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
    return helperline::fieldOfText(value, maxLineBytes).value_or(QByteArrayLiteral("-"));
}

std::optional<QString> textOf(QByteArrayView field) {
    return textField(field, maxTextBytes);
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

} // namespace

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
    case Request::Kind::Tune:
        return "TUNE " + id + ' ' + QByteArray::number(request.hz) + ' ' + text(request.mode) +
               '\n';
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
    if (verb == "TUNE" && n == 4) {
        const auto hz = numberIn(fields->at(2), 1, maxHertz);
        const auto mode = modeOf(fields->at(3));
        if (!hz || !mode)
            return std::nullopt;
        r.kind = Request::Kind::Tune;
        r.hz = *hz;
        r.mode = *mode;
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

} // namespace zep::rigproto
