#pragma once

#include "core/station/RigProtocol.h"
#include "platform/HelperProcess.h"
#include "platform/RigControl.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTimer>

namespace zep {

/// The times of the radio's reading and of the helper's watch. The defaults are the
/// program's; tests shorten some.
struct RigTiming {
    int pollMs = 500;         ///< one reading of frequency and mode every this often
    int timeoutMs = 500;      ///< Hamlib's wait for an answer, with no retry
    int reconnectMs = 5000;   ///< a radio silent this long is closed and opened again
    int pingMs = 500;         ///< the helper is asked for a sign of life this often
    int answerMs = 2000;      ///< a helper that says nothing this long hangs: it is replaced
    int followMs = 10000;     ///< a followed radio with no word this long: the helper is stuck
    int testMs = 15000;       ///< a test with no answer this long has failed
    int firstBackoffMs = 500; ///< the wait before the first restart of a helper that died,
    int maxBackoffMs = 10000; ///< doubled at each death up to this
    int keyingMs = 5000;      ///< a keying request with no answer this long has failed
    int pttMarginMs = 2000;   ///< the PTT is released this long after the time it was asked for
};

/// The radio through the helper program zep-rozadovev-poste, the only one that links Hamlib:
/// a crash or a hang inside the library, or a radio that answers garbage, ends the helper and
/// never the log window. The helper is started on the first request, spoken to over its pipes
/// (core/station/RigProtocol.h) with signals only, watched (a PING every `pingMs`), and when it
/// dies or hangs it is killed and started again after a back-off (0.5 s, 1 s, 2 s ... 10 s) while
/// the reading is "Silent", which the entry window shows as "Poste : pas de réponse".
class HelperRig : public RigControl {
    Q_OBJECT
public:
    /// `program` is the helper's path; by default the one beside this executable.
    explicit HelperRig(QString program = defaultProgram(), RigTiming timing = {},
                       QObject *parent = nullptr);
    ~HelperRig() override;

    void follow(const RigLink &link) override;
    void test(const RigLink &link) override;
    void listModels() override;
    /// Refused (tuneFailed) while the transmitter is keyed or no radio is followed.
    void tune(qint64 hz, const QString &mode) override;

    /// Follows nothing and ends the helper (its input closed, then killed): no wait on it,
    /// but for the PTT's release (1.5 s at most) when the transmitter is keyed.
    void stop();

    /// The radio's own keyer, through the followed link: each call returns the request's id
    /// at once, answered later by keyingDone or keyingFailed (at once queued when no radio is
    /// followed or the helper is restarting).
    quint64 sendMorse(const QString &morse);
    quint64 stopMorse();
    quint64 setKeyerSpeed(int wpm);
    /// Keys (for at most `forMs`) or releases the transmitter through the followed link. A
    /// watchdog releases it `pttMarginMs` after the time asked for; a helper that dies while
    /// it is keyed is started again and told to release it.
    quint64 setPtt(bool on, int forMs = 60000);
    /// True from a PTT asked on until it is released (asked, watchdog, helper's death).
    bool pttOn() const { return pttOn_; }

    /// The helper beside the running program (installed: ../libexec/zep-rozadovev/; build
    /// tree: ../poste/).
    static QString defaultProgram();

    /// The running helper's process id, 0 when none runs.
    qint64 helperPid() const { return helper_.pid(); }
    /// How many helpers were started so far.
    int starts() const { return helper_.starts(); }

signals:
    /// A helper was started (again).
    void helperStarted();
    /// A keying request went through to the radio.
    void keyingDone(quint64 id);
    /// A keying request failed: the French cause. (A tuning is told by tuneFailed.)
    void keyingFailed(quint64 id, const QString &cause);
    /// The PTT was released without being asked to: by the watchdog, or the helper died.
    void pttReleased();

private:
    void started();
    void helperGone();
    void handle(const rigproto::Reply &reply);
    void send(const rigproto::Request &request);
    void watched();
    void failTest(quint64 id);
    /// Every test and keying request under way has failed (the helper gone or stopped).
    void failAll(const QString &keyingCause);
    void take(const RigReading &reading);
    bool hasWork() const;
    quint64 key(rigproto::Request request);
    void failKeying(quint64 id, const QString &cause);
    /// The outcome of keying or tuning request `id`: nothing when it went through.
    void report(quint64 id, const std::optional<QString> &failure);
    void releasePtt();

    RigTiming timing_;
    HelperProcess helper_;
    quint64 nextId_ = 1;
    RigLink followed_;
    quint64 followId_ = 0;
    RigReading last_;
    QMap<quint64, QElapsedTimer> tests_;
    bool modelsWanted_ = false;
    quint64 modelsId_ = 0;
    QList<RigModel> models_;
    QMap<quint64, QElapsedTimer> keying_;
    QList<quint64> tuning_; ///< the keying requests that are tunings
    bool pttOn_ = false;
    bool pttRelease_ = false; ///< a PTT off to send to the next helper
    quint64 pttReleaseId_ = 0;
    quint64 pttOffId_ = 0; ///< the last release asked, until answered
    QTimer pttWatchdog_;
};

} // namespace zep
