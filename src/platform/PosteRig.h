#pragma once

#include "core/RigProtocol.h"
#include "platform/RigControl.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTimer>

class QProcess;

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
};

/// The radio through the helper program zep-rozadovev-poste, the only one that links Hamlib:
/// a crash or a hang inside the library, or a radio that answers garbage, ends the helper and
/// never the log window. The helper is started on the first request, spoken to over its pipes
/// (core/RigProtocol.h) with signals only, watched (a PING every `pingMs`), and when it dies
/// or hangs it is killed and started again after a back-off (0.5 s, 1 s, 2 s ... 10 s) while
/// the reading is "Silent", which the entry window shows as "Poste : pas de réponse".
class PosteRig : public RigControl {
    Q_OBJECT
public:
    /// `program` is the helper's path; by default the one beside this executable.
    explicit PosteRig(QString program = defaultProgram(), RigTiming timing = {},
                      QObject *parent = nullptr);
    ~PosteRig() override;

    void follow(const RigLink &link) override;
    void test(const RigLink &link) override;
    void listModels() override;

    /// Follows nothing and ends the helper (its input closed, then killed): no wait on it.
    void stop();

    /// The helper beside the running program (installed: ../libexec/zep-rozadovev/; build
    /// tree: ../poste/).
    static QString defaultProgram();

    /// The running helper's process id, 0 when none runs.
    qint64 helperPid() const;
    /// How many helpers were started so far.
    int starts() const { return starts_; }

signals:
    /// A helper was started (again).
    void helperStarted();

private:
    void ensureRunning();
    void startHelper();
    void helperGone();
    void readOutput();
    void handle(const poste::Reply &reply);
    void send(const poste::Request &request);
    void watch();
    void replace();
    void failTest(quint64 id);
    void take(const RigReading &reading);
    bool hasWork() const;

    QString program_;
    RigTiming timing_;
    QProcess *process_ = nullptr;
    poste::LineReader reader_;
    QTimer watch_;
    QTimer restart_;
    QElapsedTimer lastLine_;
    QElapsedTimer lastReading_;
    QElapsedTimer lastWatch_;
    int backoffMs_;
    int starts_ = 0;
    quint64 nextId_ = 1;
    RigLink followed_;
    quint64 followId_ = 0;
    RigReading last_;
    QMap<quint64, QElapsedTimer> tests_;
    bool modelsWanted_ = false;
    quint64 modelsId_ = 0;
    QList<RigModel> models_;
};

} // namespace zep
