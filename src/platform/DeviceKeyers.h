#pragma once

#include "platform/Keyers.h"

class QThread;

namespace zep {

/// The times of a device keyer. The defaults are the program's; tests shorten some.
struct KeyerTiming {
    int openWaitMs = 2000; ///< a WinKeyer that gives no revision byte this long is not there
    int marginMs = 3000;   ///< beyond twice a message's length, a keyer still silent failed
    int stopWaitMs = 300;  ///< the longest the keyer's end waits for its worker
};

/// A keyer whose device is driven by another keyer, its worker, living on a thread of its own
/// (whose calls may wait on the device): every call is queued to the worker and returns at
/// once, its answers come back as signals on the caller's thread, and the end waits
/// `stopWaitMs` at most for the worker to close its device.
class ThreadKeyer : public CwKeyer {
public:
    ~ThreadKeyer() override;

    void send(const QString &morse, int wpm) override;
    void setSpeed(int wpm) override;
    void abort() override;

protected:
    /// Takes `worker` (no parent) and moves it to the thread.
    ThreadKeyer(CwKeyer *worker, const QString &threadName, KeyerTiming timing, QObject *parent);

private:
    KeyerTiming timing_;
    QThread *thread_;
    CwKeyer *worker_;
};

/// cwdaemon over UDP: each message goes as its speed, a request to be told of its end, and
/// its text; Escape sends the abort. A message whose end is not told within twice its length
/// (plus a margin), a refused datagram or a daemon that cannot be reached is a failure.
class CwDaemonKeyer : public ThreadKeyer {
public:
    CwDaemonKeyer(const QString &host, int port, KeyerTiming timing = {},
                  QObject *parent = nullptr);
};

/// A WinKeyer 2/3 on a serial port: opened as host at the first message, the text fed into its
/// buffer a few bytes at a time while it does not ask to wait, the end known from its status
/// bytes (busy, then idle); Escape clears its buffer.
class WinKeyerKeyer : public ThreadKeyer {
public:
    WinKeyerKeyer(const QString &device, KeyerTiming timing = {}, QObject *parent = nullptr);
};

} // namespace zep
