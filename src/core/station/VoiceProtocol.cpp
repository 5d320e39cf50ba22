#include "core/station/VoiceProtocol.h"

#include <QList>

namespace zep::voiceproto {

namespace {

using helperline::numberIn;

/// A text field: percent-encoded UTF-8; "-" is the empty text, a real "-" is encoded.
std::optional<QByteArray> text(const QString &value) {
    return helperline::fieldOfText(value, maxTextBytes);
}

std::optional<QString> textOf(QByteArrayView field) {
    if (field != "-" && field.contains('-'))
        return std::nullopt; // always encoded by the writer
    return helperline::textField(field, maxTextBytes);
}

std::optional<QByteArray> line(QByteArray content) {
    content.append('\n');
    if (content.size() > maxLineBytes)
        return std::nullopt;
    return content;
}

struct Verb {
    const char *word;
    int kind;
};
constexpr Verb requestVerbs[] = {
    {"PING", int(Request::Kind::Ping)},   {"LOAD", int(Request::Kind::Load)},
    {"START", int(Request::Kind::Start)}, {"RECORD", int(Request::Kind::Record)},
    {"STOP", int(Request::Kind::Stop)},
};
constexpr Verb replyVerbs[] = {
    {"HELLO", int(Reply::Kind::Hello)},   {"PONG", int(Reply::Kind::Pong)},
    {"READY", int(Reply::Kind::Ready)},   {"PLAYING", int(Reply::Kind::Playing)},
    {"ENDED", int(Reply::Kind::Ended)},   {"STOPPED", int(Reply::Kind::Stopped)},
    {"LEVEL", int(Reply::Kind::Level)},   {"SAVED", int(Reply::Kind::Saved)},
    {"FAILED", int(Reply::Kind::Failed)},
};

template <std::size_t N> QByteArray wordOf(const Verb (&verbs)[N], int kind) {
    for (const Verb &v : verbs)
        if (v.kind == kind)
            return QByteArray(v.word);
    return QByteArray();
}

template <std::size_t N> std::optional<int> kindOf(const Verb (&verbs)[N], QByteArrayView word) {
    for (const Verb &v : verbs)
        if (word == v.word)
            return v.kind;
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> encode(const Request &request) {
    QByteArray out = wordOf(requestVerbs, int(request.kind)) + ' ' + QByteArray::number(request.id);
    if (request.kind == Request::Kind::Load || request.kind == Request::Kind::Record) {
        const auto device = text(request.device);
        const auto path = text(request.path);
        if (!device || !path || request.path.isEmpty())
            return std::nullopt;
        out += ' ' + *device + ' ' + *path;
        if (request.kind == Request::Kind::Record) {
            if (request.ms < 1 || request.ms > maxRecordMs)
                return std::nullopt;
            out += ' ' + QByteArray::number(request.ms);
        }
    }
    return line(std::move(out));
}

std::optional<Request> parseRequest(QByteArrayView bytes) {
    const auto head = helperline::headOf(bytes);
    const auto kind = head ? kindOf(requestVerbs, head->fields.at(0)) : std::nullopt;
    if (!kind)
        return std::nullopt;
    const QList<QByteArray> *const fields = &head->fields;
    Request r;
    r.kind = Request::Kind(*kind);
    r.id = head->id;
    const qsizetype n = fields->size();
    switch (r.kind) {
    case Request::Kind::Ping:
    case Request::Kind::Start:
    case Request::Kind::Stop:
        return n == 2 ? std::optional(r) : std::nullopt;
    case Request::Kind::Load:
    case Request::Kind::Record: {
        if (n != (r.kind == Request::Kind::Load ? 4 : 5))
            return std::nullopt;
        const auto device = textOf(fields->at(2));
        const auto path = textOf(fields->at(3));
        if (!device || !path || path->isEmpty())
            return std::nullopt;
        r.device = *device;
        r.path = *path;
        if (r.kind == Request::Kind::Record) {
            const auto ms = numberIn(fields->at(4), 1, maxRecordMs);
            if (!ms)
                return std::nullopt;
            r.ms = int(*ms);
        }
        return r;
    }
    }
    return std::nullopt;
}

std::optional<QByteArray> encode(const Reply &reply) {
    QByteArray out = wordOf(replyVerbs, int(reply.kind)) + ' ' + QByteArray::number(reply.id);
    switch (reply.kind) {
    case Reply::Kind::Ready:
    case Reply::Kind::Saved:
    case Reply::Kind::Level:
        if (reply.value < 0 || reply.value > (reply.kind == Reply::Kind::Level ? 100 : 60'000))
            return std::nullopt;
        out += ' ' + QByteArray::number(reply.value);
        break;
    case Reply::Kind::Failed: {
        const auto cause = text(reply.cause);
        if (!cause || reply.cause.isEmpty())
            return std::nullopt;
        out += ' ' + *cause;
        break;
    }
    default:
        break;
    }
    return line(std::move(out));
}

std::optional<Reply> parseReply(QByteArrayView bytes) {
    const auto head = helperline::headOf(bytes);
    const auto kind = head ? kindOf(replyVerbs, head->fields.at(0)) : std::nullopt;
    if (!kind)
        return std::nullopt;
    const QList<QByteArray> *const fields = &head->fields;
    Reply r;
    r.kind = Reply::Kind(*kind);
    r.id = head->id;
    const qsizetype n = fields->size();
    switch (r.kind) {
    case Reply::Kind::Ready:
    case Reply::Kind::Saved:
    case Reply::Kind::Level: {
        const auto value =
            n == 3 ? numberIn(fields->at(2), 0, r.kind == Reply::Kind::Level ? 100 : 60'000)
                   : std::nullopt;
        if (!value)
            return std::nullopt;
        r.value = int(*value);
        return r;
    }
    case Reply::Kind::Failed: {
        const auto cause = n == 3 ? textOf(fields->at(2)) : std::nullopt;
        if (!cause || cause->isEmpty())
            return std::nullopt;
        r.cause = *cause;
        return r;
    }
    default:
        return n == 2 ? std::optional(r) : std::nullopt;
    }
}

} // namespace zep::voiceproto
