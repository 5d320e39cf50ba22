#pragma once

#include "core/station/RigProtocol.h"

#include <QList>

#include <optional>

struct s_rig;

namespace zep::rigproto {

/// One Hamlib handle, used from one thread only: opened on a link, read, closed when it goes.
class HamlibSession {
public:
    HamlibSession() = default;
    HamlibSession(const HamlibSession &) = delete;
    HamlibSession &operator=(const HamlibSession &) = delete;
    ~HamlibSession();

    /// Creates the handle for `link` and opens it, waiting `timeoutMs` at most per answer,
    /// with no retry; nothing when it opened, or the cause of the failure.
    std::optional<Cause> open(const RigLink &link, int timeoutMs);
    /// Frequency and mode; a frequency that is no dial (not finite, not positive, above
    /// 300 GHz) is a garbled answer.
    std::optional<Cause> read(RigReading &out);
    /// The transmitter keyed (on) or released.
    std::optional<Cause> setPtt(bool on);
    /// The radio's keyer sends `text`, in Morse's characters.
    std::optional<Cause> sendMorse(const QString &text);
    /// The radio's keyer stops at once.
    std::optional<Cause> stopMorse();
    /// The radio's keyer speed, in words per minute.
    std::optional<Cause> setKeyerSpeed(int wpm);

    /// The dial to `hz` and, unless `mode` is empty, the mode to `mode` (Hamlib's name), its
    /// passband left as the radio has it.
    std::optional<Cause> tune(qint64 hz, const QString &mode);

    /// Hamlib's models, by maker then name.
    static QList<RigModel> models();

private:
    s_rig *rig_ = nullptr;
    bool open_ = false;
};

/// The protocol's cause for a Hamlib error code (negative or not).
Cause causeOfHamlib(int error);

} // namespace zep::rigproto
