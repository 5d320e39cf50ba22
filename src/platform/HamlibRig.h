#pragma once

#include "platform/RigControl.h"

#include <memory>

class QThread;

namespace zep {

/// The times of the radio's reading. The defaults are the program's; tests shorten some.
struct RigTiming {
    int pollMs = 500;       ///< one reading of frequency and mode every this often
    int timeoutMs = 500;    ///< Hamlib's wait for an answer, with no retry
    int reconnectMs = 5000; ///< a radio silent this long is closed and opened again
    int stopWaitMs = 600;   ///< the longest stop() waits for a worker busy with the radio
};

/// The radio through Hamlib. One worker thread owns the Hamlib handle: it opens the link,
/// reads frequency and mode every 500 ms, reports each change, and after 5 s without an
/// answer closes the handle and opens it again (and every 5 s after that). Nothing on the
/// caller's thread ever calls Hamlib, not even to list the models: tests of a link and the
/// model list run on short-lived threads of their own.
///
/// A worker blocked in a call to a radio that hangs is never waited for beyond stopWaitMs:
/// it is left to end on its own (its state is shared, so nothing it touches goes away), and
/// its late results go nowhere.
class HamlibRig : public RigControl {
    Q_OBJECT
public:
    explicit HamlibRig(RigTiming timing = {}, QObject *parent = nullptr);
    ~HamlibRig() override;

    void follow(const RigLink &link) override;
    void test(const RigLink &link) override;
    void listModels() override;

    /// Stops following, waiting at most `waitMs` for the worker to end (and close the link)
    /// before leaving it to end on its own. True when it had ended.
    bool stop(int waitMs);

    /// The French cause of a Hamlib error code (negative or not), for the operator.
    static QString causeOf(int hamlibError);

    struct Mailbox;
    struct Poller;

private:
    void take(quint64 generation, const RigReading &reading);

    RigTiming timing_;
    std::shared_ptr<Mailbox> mailbox_;
    std::shared_ptr<Poller> poller_;
    QThread *thread_ = nullptr;
    quint64 generation_ = 0;
    RigReading last_;
};

} // namespace zep
