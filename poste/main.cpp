// zep-rozadovev-poste: the radio helper. It reads the program's requests on its standard input
// and answers on its standard output, one line each (src/core/station/RigProtocol.h). It alone
// calls Hamlib: one thread follows the radio, each test and each model list runs on a thread of its
// own, and the main thread keeps answering PING whatever the radio does, so that the program
// can tell a helper that hangs from a radio that does not answer. The keying and tuning
// requests (PTT, Morse, keyer speed, dial and mode) go to the thread that follows the radio,
// between two readings, on its handle; the transmitter it keyed is released when it is told to stop
// following, when the standard input closes and before the helper ends.
//
// It ends when its standard input closes (the program is gone) and, should the program be
// killed, when the kernel says its parent died: a serial port is never left held.

#include "HamlibSession.h"

#include <hamlib/rig.h>

#include <QByteArray>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace zep;
using namespace zep::rigproto;

namespace {

using steady = std::chrono::steady_clock;

struct Timing {
    int pollMs = 500;       ///< one reading of frequency and mode every this often
    int timeoutMs = 500;    ///< Hamlib's wait for an answer, with no retry
    int reconnectMs = 5000; ///< a radio silent this long is closed and opened again
};

void send(const Reply &reply) {
    helperline::answer(encode(reply));
}

/// The stop request of one following worker, and its end.
struct Follower {
    void requestStop() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
    }
    /// Sleeps until `until`, a stop request or a keying request; true when stopping.
    bool sleepUntil(steady::time_point until) {
        std::unique_lock lock(mutex);
        return wake.wait_until(lock, until, [this] { return stopping || !keying.empty(); }) &&
               stopping;
    }
    /// A keying request for the worker; false when too many wait already (the radio hangs).
    bool queue(const Request &request) {
        {
            std::lock_guard lock(mutex);
            if (stopping || keying.size() >= maxKeying)
                return false;
            keying.push_back(request);
        }
        wake.notify_all();
        return true;
    }
    std::optional<Request> nextKeying() {
        std::lock_guard lock(mutex);
        if (keying.empty())
            return std::nullopt;
        Request r = keying.front();
        keying.pop_front();
        return r;
    }
    /// The keying requests not handled, to be refused.
    std::deque<Request> dropKeying() {
        std::lock_guard lock(mutex);
        return std::exchange(keying, {});
    }
    bool stopRequested() {
        std::lock_guard lock(mutex);
        return stopping;
    }
    void markEnded() {
        {
            std::lock_guard lock(mutex);
            ended = true;
        }
        wake.notify_all();
    }
    /// Waits `ms` at most for the worker to end (and close its link).
    void waitEnded(int ms) {
        std::unique_lock lock(mutex);
        wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ended; });
    }
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool ended = false;
    static constexpr std::size_t maxKeying = 64;
    std::deque<Request> keying;
};

void refuse(quint64 id, Cause cause) {
    send({Reply::Kind::Refused, id, {}, cause, {}, 0});
}

/// One keying request on the open handle (none: the radio is not reached), answered DONE or
/// REFUSED. `pttOn` follows what the helper asked of the transmitter.
void key(HamlibSession *session, const Request &request, bool &pttOn) {
    std::optional<Cause> cause = Cause::Timeout;
    if (session) {
        switch (request.kind) {
        case Request::Kind::Ptt:
            cause = session->setPtt(request.on);
            // A keying that failed may have keyed all the same, a release that failed may
            // not have released: either way it is released again at the end.
            if (request.on)
                pttOn = true;
            else if (!cause)
                pttOn = false;
            break;
        case Request::Kind::Morse:
            cause = session->sendMorse(request.text);
            break;
        case Request::Kind::MorseStop:
            cause = session->stopMorse();
            break;
        case Request::Kind::Speed:
            cause = session->setKeyerSpeed(request.wpm);
            break;
        case Request::Kind::Tune:
            cause = session->tune(request.hz, request.mode);
            break;
        default:
            cause = Cause::Unknown;
            break;
        }
    } else if (request.kind == Request::Kind::Ptt && !request.on) {
        pttOn = false; // no handle: nothing keyed through this worker
    }
    if (cause)
        refuse(request.id, *cause);
    else
        send({Reply::Kind::Done, request.id, {}, {}, {}, 0});
}

/// Follows the radio on `link`: a READING or SILENT line at every poll (the program's proof
/// that the worker is not stuck in the library), the link made anew after `reconnectMs` of
/// silence.
void follow(quint64 id, RigLink link, Timing timing, std::shared_ptr<Follower> follower) {
    const auto report = [&](const RigReading &r) {
        if (follower->stopRequested())
            return;
        Reply reply;
        reply.id = id;
        reply.kind = r.answering() ? Reply::Kind::Reading : Reply::Kind::Silent;
        reply.reading = r;
        send(reply);
    };
    const RigReading silent{RigReading::State::Silent, 0, QString()};
    const auto poll = std::chrono::milliseconds(timing.pollMs);
    const auto reconnect = std::chrono::milliseconds(timing.reconnectMs);
    std::unique_ptr<HamlibSession> session;
    steady::time_point nextOpen = steady::now();
    steady::time_point lastAnswer = steady::now();
    bool pttOn = false;
    const auto keyAll = [&] {
        while (const auto request = follower->nextKeying())
            key(session.get(), *request, pttOn);
    };
    while (!follower->stopRequested()) {
        const steady::time_point start = steady::now();
        if (!session && start >= nextOpen) {
            session = std::make_unique<HamlibSession>();
            if (!session->open(link, timing.timeoutMs)) {
                lastAnswer = steady::now();
            } else {
                session.reset();
                nextOpen = start + reconnect;
            }
        }
        if (!session) {
            report(silent);
        } else if (!follower->stopRequested()) {
            RigReading now;
            if (!session->read(now)) {
                lastAnswer = steady::now();
                report(now);
            } else {
                report(silent);
                // A radio switched off, a cable pulled, rigctld restarted: the handle is made
                // anew, at once after the silence and every `reconnectMs` after that.
                if (steady::now() - lastAnswer >= reconnect) {
                    session.reset();
                    nextOpen = steady::now();
                    lastAnswer = nextOpen;
                }
            }
        }
        keyAll();
        // Keying requests come in between two readings without waiting for the next poll.
        while (!follower->sleepUntil(start + poll)) {
            if (steady::now() >= start + poll)
                break;
            keyAll();
        }
    }
    // Never a transmitter left keyed by a helper that stops following. A release asked just
    // before the stop is answered by this one; the other requests left are refused.
    std::optional<Cause> released;
    if (session && pttOn)
        released = session->setPtt(false);
    for (const Request &r : follower->dropKeying()) {
        const bool release = r.kind == Request::Kind::Ptt && !r.on;
        if (release && !released)
            send({Reply::Kind::Done, r.id, {}, {}, {}, 0});
        else
            refuse(r.id, release ? *released : Cause::Timeout);
    }
    session.reset();
    follower->markEnded();
}

void test(quint64 id, RigLink link, Timing timing) {
    Reply reply;
    reply.kind = Reply::Kind::Tested;
    reply.id = id;
    if (link.kind == RigLink::Kind::None) {
        reply.cause = Cause::Settings;
    } else {
        HamlibSession session;
        reply.cause = session.open(link, timing.timeoutMs);
        if (!reply.cause)
            reply.cause = session.read(reply.reading);
    }
    if (reply.cause)
        reply.reading = {RigReading::State::Silent, 0, QString()};
    send(reply);
}

void listModels(quint64 id) {
    const QList<RigModel> models = HamlibSession::models();
    for (const RigModel &m : models) {
        Reply line;
        line.kind = Reply::Kind::Model;
        line.id = id;
        line.model = m;
        // A name that does not fit a line is left out rather than cut.
        if (encode(line).size() <= maxLineBytes)
            send(line);
    }
    Reply end;
    end.kind = Reply::Kind::ModelsEnd;
    end.id = id;
    end.count = int(models.size());
    send(end);
}

} // namespace

int main(int argc, char **argv) {
    if (!helperline::bindToParent(argc, argv))
        return 0;
    // Hamlib's network backend switches the C library's number locale while it opens a link
    // and puts back a name that the switch has freed: in "C" already, nothing is switched.
    std::setlocale(LC_NUMERIC, "C");
    rig_set_debug(RIG_DEBUG_NONE);

    using helperline::option;
    Timing timing;
    timing.pollMs = option(argc, argv, "--poll", timing.pollMs, 20, 10'000);
    timing.timeoutMs = option(argc, argv, "--timeout", timing.timeoutMs, 20, 10'000);
    timing.reconnectMs = option(argc, argv, "--reconnect", timing.reconnectMs, 100, 60'000);

    send({Reply::Kind::Hello, quint64(protocolVersion), {}, {}, {}, 0});
    std::shared_ptr<Follower> follower;
    std::vector<std::shared_ptr<Follower>> ending; ///< workers of earlier links, still ending
    LineReader reader;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        reader.append(QByteArrayView(buffer, n));
        while (const auto line = reader.next()) {
            const auto request = parseRequest(*line);
            if (!request) {
                // A request of a later version: refused by its id when it has one.
                const QList<QByteArray> fields = line->split(' ');
                bool ok = false;
                const quint64 id = fields.size() > 1 ? fields[1].toULongLong(&ok) : 0;
                if (ok)
                    send({Reply::Kind::Refused, id, {}, Cause::Unknown, {}, 0});
                continue;
            }
            switch (request->kind) {
            case Request::Kind::Ping:
                send({Reply::Kind::Pong, request->id, {}, {}, {}, 0});
                break;
            case Request::Kind::Follow:
                // The worker of the old link ends on its own, releasing what it keyed; the
                // program's end waits for it as for the current one.
                std::erase_if(ending, [](const std::shared_ptr<Follower> &worker) {
                    const std::lock_guard lock(worker->mutex);
                    return worker->ended;
                });
                if (follower) {
                    follower->requestStop();
                    ending.push_back(std::move(follower));
                }
                follower.reset();
                if (request->link.kind != RigLink::Kind::None) {
                    follower = std::make_shared<Follower>();
                    std::thread(follow, request->id, request->link, timing, follower).detach();
                }
                break;
            case Request::Kind::Test:
                std::thread(test, request->id, request->link, timing).detach();
                break;
            case Request::Kind::Models:
                std::thread(listModels, request->id).detach();
                break;
            case Request::Kind::Ptt:
            case Request::Kind::Morse:
            case Request::Kind::MorseStop:
            case Request::Kind::Speed:
            case Request::Kind::Tune:
                // Only the followed radio is keyed or tuned, on the thread that holds its handle.
                if (!follower)
                    refuse(request->id, Cause::Io);
                else if (!follower->queue(*request))
                    refuse(request->id, Cause::Timeout);
                break;
            }
        }
    }
    // The program is gone: the link is closed if the radio lets it within a second; the
    // kernel releases the port with this process in any case.
    if (follower) {
        follower->requestStop();
        ending.push_back(std::move(follower));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (const std::shared_ptr<Follower> &worker : ending) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        worker->waitEnded(int(std::max<qint64>(0, left.count())));
    }
    _exit(0);
}
