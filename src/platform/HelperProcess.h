#pragma once

#include "core/station/HelperLines.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class QProcess;

namespace zep {

/// How a helper program is watched and started again. The defaults of each helper are its
/// supervisor's; tests shorten some.
struct HelperWatch {
    int pingMs = 500;         ///< a sign of life is asked this often
    int answerMs = 2000;      ///< a helper that writes no line this long hangs: it is replaced
    int workMs = 0;           ///< with work under way, no sign of it this long: the helper is
                              ///< stuck (in a library call) and replaced; 0: not watched
    int firstBackoffMs = 0;   ///< the wait before the first restart of a helper that died; 0:
                              ///< none, it is started again at the next request
    int maxBackoffMs = 10000; ///< the wait doubled at each death up to this
};

/// One helper program of ours (the radio's, the sound's), started with `--parent <this pid>`
/// and spoken to in bounded lines over its pipes (core/station/HelperLines.h): watched (a sign
/// of life asked every `pingMs`, work that stops coming), killed when it hangs, started again
/// after a back-off (0.5 s, 1 s, 2 s ... up to the cap) while its owner still wants it. Only a
/// helper that has done real work (`proven()`) starts the back-off over: one that greets and
/// dies is started later each time. Its end never waits on it, but for a grace the owner asks
/// (a transmitter to release).
class HelperProcess : public QObject {
    Q_OBJECT
public:
    /// `ping` makes the line that asks for a sign of life; `wanted` says whether a helper that
    /// died is to be started again (after the back-off).
    HelperProcess(QString program, QStringList arguments, HelperWatch watch,
                  std::function<QByteArray()> ping, std::function<bool()> wanted,
                  QObject *parent = nullptr);
    ~HelperProcess() override;

    /// Starts the helper unless one runs or a restart waits; true when one runs now.
    bool start();
    bool running() const { return process_ != nullptr; }
    /// A helper died a moment ago and waits for its restart.
    bool restarting() const { return restart_.isActive(); }
    /// Writes one line (its LF included) to the running helper; nothing without one.
    void write(const QByteArray &line);
    /// Kills a hung helper, its end handled at once (gone() is emitted before this returns).
    void replace();
    /// Ends the helper, never to be started again by itself: its input closed, `graceMs` at
    /// most for it to end on its own, then killed.
    void stop(int graceMs = 0);

    /// Whether work is under way (a radio followed): while it is, a helper that gives no sign
    /// of it (`workSeen`) for `workMs` is replaced. Turned on, the wait starts afresh.
    void expectWork(bool expected);
    void workSeen();
    /// The helper did what it is there for (read a radio): the back-off starts over.
    void proven();

    /// The running helper's process id, 0 when none runs.
    qint64 pid() const;
    /// How many helpers were started so far.
    int starts() const { return starts_; }

    /// The helper `name` beside the running program (installed: ../libexec/zep-rozadovev/;
    /// build tree: ../`buildDir`/).
    static QString beside(const QString &name, const QString &buildDir);

signals:
    /// A helper was started (again): the owner sends it what it must know.
    void started();
    /// One line of the helper, without its LF, at most the protocol's bound.
    void line(const QByteArray &line);
    /// The sign of life was asked: the owner checks its own deadlines.
    void watched();
    /// The helper died, hung or could not start.
    void gone();

private:
    void readOutput();
    void died();
    void watch();

    QString program_;
    QStringList arguments_;
    HelperWatch watch_;
    std::function<QByteArray()> ping_;
    std::function<bool()> wanted_;
    QProcess *process_ = nullptr;
    helperline::LineReader reader_;
    QTimer watchTimer_;
    QTimer restart_;
    QElapsedTimer lastLine_;
    QElapsedTimer lastWork_;
    QElapsedTimer lastWatch_;
    bool workExpected_ = false;
    int backoffMs_;
    int starts_ = 0;
};

} // namespace zep
