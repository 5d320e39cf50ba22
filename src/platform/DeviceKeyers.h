#pragma once

#include "platform/Keyers.h"

class QThread;

namespace zep {

/// The times of a device keyer. The defaults are the program's; tests shorten some.
struct KeyerTiming {
    int openWaitMs = 2000; ///< a WinKeyer that gives no revision byte this long is not there
    int marginMs = 3000;   ///< beyond twice a message's length, a keyer still silent failed
    int stopWaitMs = 300; ///< the longest the keyer's end waits for its worker
};

namespace detail {
class CwDaemonWorker;
class WinKeyerWorker;
} // namespace detail

/// cwdaemon over UDP, from a worker thread: each message goes as its speed, a request to be
/// told of its end, and its text; Escape sends the abort. A message whose end is not told
/// within twice its length (plus a margin), or a refused datagram, is a failure.
class CwDaemonKeyer : public CwKeyer {
    Q_OBJECT
public:
    CwDaemonKeyer(const QString &host, int port, KeyerTiming timing = {},
                  QObject *parent = nullptr);
    ~CwDaemonKeyer() override;

    void send(const QString &morse, int wpm) override;
    void setSpeed(int wpm) override;
    void abort() override;

private:
    KeyerTiming timing_;
    QThread *thread_;
    detail::CwDaemonWorker *worker_;
};

/// A WinKeyer 2/3 on a serial port, from a worker thread: opened as host at the first
/// message, the text fed into its buffer a few bytes at a time while it does not ask to
/// wait, the end known from its status bytes (busy, then idle); Escape clears its buffer.
class WinKeyerKeyer : public CwKeyer {
    Q_OBJECT
public:
    WinKeyerKeyer(const QString &device, KeyerTiming timing = {}, QObject *parent = nullptr);
    ~WinKeyerKeyer() override;

    void send(const QString &morse, int wpm) override;
    void setSpeed(int wpm) override;
    void abort() override;

private:
    KeyerTiming timing_;
    QThread *thread_;
    detail::WinKeyerWorker *worker_;
};

} // namespace zep
