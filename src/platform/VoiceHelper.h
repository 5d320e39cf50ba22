#pragma once

#include "core/station/VoiceProtocol.h"
#include "platform/HelperProcess.h"

#include <QObject>

namespace zep {

/// The times of the sound helper's watch. The defaults are the program's; tests shorten some.
struct VoiceTiming {
    int pingMs = 1000;   ///< the helper is asked for a sign of life this often
    int answerMs = 3000; ///< a helper that says nothing this long hangs: it is replaced
    int loadMs = 5000;   ///< a message not ready this long after it was asked has failed
    int marginMs = 3000; ///< beyond a message's length, a helper silent this long failed
    int keyingMs = 6000; ///< a PTT not keyed this long after it was asked has failed
    int recordMs = voiceproto::maxRecordMs; ///< the longest recording
};

/// The sound helper program zep-rozadovev-voix, the only one that links Qt Multimedia: started
/// on the first request, spoken to over its pipes (core/station/VoiceProtocol.h), watched (a PING
/// every `pingMs`), killed when it hangs; a helper that died is started again at the next request.
/// Its lines are input: a line that is not the protocol's is dropped.
class VoiceHelper : public QObject {
    Q_OBJECT
public:
    explicit VoiceHelper(QString program = defaultProgram(), VoiceTiming timing = {},
                         QObject *parent = nullptr);
    ~VoiceHelper() override;

    /// Sends `request` (its id from nextId()), starting the helper first when none runs; false
    /// when the request does not fit a line.
    bool send(const voiceproto::Request &request);
    quint64 nextId() { return nextId_++; }
    /// Ends the helper at once (a hang); gone() follows.
    void replace();

    const VoiceTiming &timing() const { return timing_; }
    /// The running helper's process id, 0 when none runs.
    qint64 helperPid() const { return helper_.pid(); }
    int starts() const { return helper_.starts(); }

    /// The helper beside the running program (installed: ../libexec/zep-rozadovev/; build
    /// tree: ../voix/).
    static QString defaultProgram();

signals:
    void replied(const zep::voiceproto::Reply &reply);
    /// The helper died, hung or could not start.
    void gone();

private:
    VoiceTiming timing_;
    quint64 nextId_ = 1;
    HelperProcess helper_;
};

} // namespace zep
