#include "platform/HamlibRig.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>

#include <hamlib/rig.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace zep {

namespace {

using steady = std::chrono::steady_clock;

/// Hamlib's global tables (backends, models) are not guarded by Hamlib itself: the creation
/// and release of handles and the listing of models go through this lock. It is never
/// destroyed, so that a worker left running at the program's end never finds it gone.
std::mutex &hamlibLock() {
    static auto *lock = new std::mutex;
    return *lock;
}

void quietHamlib() {
    static std::once_flag once;
    std::call_once(once, [] { rig_set_debug(RIG_DEBUG_NONE); });
}

constexpr int unknownModel = -1000;

/// The workers left running at a stop because they were in a call to a radio that hangs.
/// They end on their own; until then they are listed here, where the program's end (and a
/// leak checker) can still see them. Never destroyed, for the same reason as the lock.
struct Abandoned {
    std::mutex mutex;
    QList<QThread *> threads;
};
Abandoned &abandoned() {
    static auto *list = new Abandoned;
    return *list;
}

void abandon(QThread *thread) {
    {
        std::lock_guard lock(abandoned().mutex);
        abandoned().threads.append(thread);
    }
    // Emitted by the worker thread as it ends, before the object is deleted (deleteLater).
    QObject::connect(
        thread, &QThread::finished, thread,
        [thread] {
            std::lock_guard lock(abandoned().mutex);
            abandoned().threads.removeAll(thread);
        },
        Qt::DirectConnection);
}

/// One Hamlib handle, used from one thread only.
class Session {
public:
    Session() = default;
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
    ~Session() {
        if (open_)
            rig_close(rig_);
        if (rig_) {
            std::lock_guard lock(hamlibLock());
            rig_cleanup(rig_);
        }
    }

    /// Creates the handle for `link` and opens it; RIG_OK or the error.
    int open(const RigLink &link, int timeoutMs) {
        {
            std::lock_guard lock(hamlibLock());
            quietHamlib();
            const rig_model_t model =
                link.kind == RigLink::Kind::Rigctld ? RIG_MODEL_NETRIGCTL : rig_model_t(link.model);
            rig_ = rig_init(model);
        }
        if (!rig_)
            return unknownModel;
        const QByteArray path =
            link.kind == RigLink::Kind::Rigctld
                ? (link.host + QLatin1Char(':') + QString::number(link.port)).toLocal8Bit()
                : link.device.toLocal8Bit();
        const QByteArray timeout = QByteArray::number(timeoutMs);
        const QByteArray speed = QByteArray::number(link.speed);
        struct Conf {
            const char *token;
            const char *value;
            bool wanted;
        };
        const Conf confs[] = {
            {"rig_pathname", path.constData(), !path.isEmpty()},
            {"serial_speed", speed.constData(), link.kind == RigLink::Kind::Direct},
            {"timeout", timeout.constData(), true},
            {"retry", "0", true},
            // Hamlib may answer from a cache of the last 500 ms: a link that just died would
            // still give a frequency. Every reading goes to the radio.
            {"cache_timeout", "0", true},
        };
        for (const Conf &c : confs) {
            if (!c.wanted)
                continue;
            const token_t token = rig_token_lookup(rig_, c.token);
            // A backend without a serial port (the dummy radio) has no speed to set.
            if (token == RIG_CONF_END)
                continue;
            if (const int e = rig_set_conf(rig_, token, c.value); e != RIG_OK)
                return e;
        }
        const int e = rig_open(rig_);
        open_ = e == RIG_OK;
        return e;
    }

    /// Frequency and mode; a failed read leaves `out` as it was.
    int read(RigReading &out) {
        freq_t freq = 0;
        if (const int e = rig_get_freq(rig_, RIG_VFO_CURR, &freq); e != RIG_OK)
            return e;
        rmode_t mode = RIG_MODE_NONE;
        pbwidth_t width = 0;
        if (const int e = rig_get_mode(rig_, RIG_VFO_CURR, &mode, &width); e != RIG_OK)
            return e;
        const char *name = rig_strrmode(mode);
        out = {RigReading::State::Answering, qint64(std::llround(freq)),
               QString::fromLatin1(name ? name : "")};
        return RIG_OK;
    }

private:
    RIG *rig_ = nullptr;
    bool open_ = false;
};

int listModel(const struct rig_caps *caps, rig_ptr_t data) {
    auto *models = static_cast<QList<RigModel> *>(data);
    models->append({int(caps->rig_model), QString::fromLatin1(caps->mfg_name),
                    QString::fromLatin1(caps->model_name)});
    return 1; // go on
}

} // namespace

/// Where the workers put their results: the rig object on its own thread, as long as it lives.
struct HamlibRig::Mailbox {
    explicit Mailbox(HamlibRig *rig) : target(rig) {}
    /// Runs `f(rig)` on the rig's thread, unless the rig is gone by then.
    template <class F> void post(F f) {
        std::lock_guard lock(mutex);
        if (HamlibRig *rig = target)
            QMetaObject::invokeMethod(
                rig, [rig, f = std::move(f)] { f(rig); }, Qt::QueuedConnection);
    }
    void close() {
        std::lock_guard lock(mutex);
        target = nullptr;
    }
    std::mutex mutex;
    HamlibRig *target;
};

/// The stop request of one following worker.
struct HamlibRig::Poller {
    void requestStop() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
    }
    /// Sleeps until `until` or a stop request; true when stopping.
    bool sleepUntil(steady::time_point until) {
        std::unique_lock lock(mutex);
        return wake.wait_until(lock, until, [this] { return stopping; });
    }
    bool stopRequested() {
        std::lock_guard lock(mutex);
        return stopping;
    }
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
};

HamlibRig::HamlibRig(RigTiming timing, QObject *parent)
    : RigControl(parent), timing_(timing), mailbox_(std::make_shared<Mailbox>(this)) {
    // Hamlib's network backend switches the C library's number locale to "C" while it opens a
    // link and then puts back a name that the switch has just freed, from the worker thread.
    // With the process already in "C" for numbers the switch changes and frees nothing. The
    // program formats its numbers itself (QString, QLocale), never through the C locale.
    std::setlocale(LC_NUMERIC, "C");
}

HamlibRig::~HamlibRig() {
    mailbox_->close();
    stop(timing_.stopWaitMs);
}

void HamlibRig::take(quint64 generation, const RigReading &reading) {
    if (generation != generation_ || reading == last_)
        return;
    last_ = reading;
    emit readingChanged(reading);
}

bool HamlibRig::stop(int waitMs) {
    ++generation_;
    if (!thread_)
        return true;
    poller_->requestStop();
    const bool ended = waitMs > 0 && thread_->wait(QDeadlineTimer(waitMs));
    if (ended)
        delete thread_;
    else // in a call to a radio that hangs: it ends when that call returns
        abandon(thread_);
    thread_ = nullptr;
    poller_.reset();
    return ended;
}

void HamlibRig::follow(const RigLink &link) {
    // The previous worker is not waited for: it ends at its next look at the stop request,
    // and what it still reads is of an older generation, dropped.
    stop(0);
    const quint64 generation = generation_;
    if (link.kind == RigLink::Kind::None) {
        take(generation, RigReading{});
        return;
    }
    poller_ = std::make_shared<Poller>();
    thread_ =
        QThread::create([link, timing = timing_, poller = poller_, mailbox = mailbox_, generation] {
            RigReading reported;
            auto report = [&](const RigReading &r) {
                if (r == reported)
                    return;
                reported = r;
                mailbox->post([generation, r](HamlibRig *rig) { rig->take(generation, r); });
            };
            const RigReading silent{RigReading::State::Silent, 0, QString()};
            const auto poll = std::chrono::milliseconds(timing.pollMs);
            const auto reconnect = std::chrono::milliseconds(timing.reconnectMs);
            std::unique_ptr<Session> session;
            steady::time_point nextOpen = steady::now();
            steady::time_point lastAnswer = steady::now();
            while (!poller->stopRequested()) {
                const steady::time_point start = steady::now();
                if (!session && start >= nextOpen) {
                    session = std::make_unique<Session>();
                    if (session->open(link, timing.timeoutMs) == RIG_OK) {
                        lastAnswer = steady::now();
                    } else {
                        session.reset();
                        report(silent);
                        nextOpen = start + reconnect;
                    }
                }
                if (session && !poller->stopRequested()) {
                    RigReading now = reported;
                    if (session->read(now) == RIG_OK) {
                        lastAnswer = steady::now();
                        report(now);
                    } else {
                        report(silent);
                        // A radio switched off, a cable pulled, rigctld restarted: the handle
                        // is made anew, at once after 5 s of silence and every 5 s after that.
                        if (steady::now() - lastAnswer >= reconnect) {
                            session.reset();
                            nextOpen = steady::now();
                            lastAnswer = nextOpen;
                        }
                    }
                }
                if (poller->sleepUntil(start + poll))
                    break;
            }
        });
    thread_->setObjectName(QStringLiteral("Poste"));
    connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
    thread_->start();
}

void HamlibRig::test(const RigLink &link) {
    QThread *worker = QThread::create([link, timing = timing_, mailbox = mailbox_] {
        RigReading reading;
        QString cause;
        if (link.kind == RigLink::Kind::None) {
            cause = QStringLiteral("aucune liaison n'est choisie");
        } else {
            Session session;
            int e = session.open(link, timing.timeoutMs);
            if (e == RIG_OK)
                e = session.read(reading);
            if (e != RIG_OK) {
                reading = RigReading{RigReading::State::Silent, 0, QString()};
                cause = causeOf(e);
            }
        }
        mailbox->post([reading, cause](HamlibRig *rig) { emit rig->tested(reading, cause); });
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void HamlibRig::listModels() {
    QThread *worker = QThread::create([mailbox = mailbox_] {
        QList<RigModel> models;
        {
            std::lock_guard lock(hamlibLock());
            quietHamlib();
            rig_load_all_backends();
            rig_list_foreach(listModel, &models);
        }
        std::sort(models.begin(), models.end(), [](const RigModel &a, const RigModel &b) {
            const int maker = QString::compare(a.maker, b.maker, Qt::CaseInsensitive);
            if (maker != 0)
                return maker < 0;
            return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
        });
        mailbox->post([models](HamlibRig *rig) { emit rig->modelsListed(models); });
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

QString HamlibRig::causeOf(int hamlibError) {
    const int e = hamlibError < 0 ? -hamlibError : hamlibError;
    if (hamlibError == unknownModel)
        return QStringLiteral("modèle de poste inconnu");
    switch (e) {
    case RIG_ETIMEOUT:
        return QStringLiteral("le poste ne répond pas");
    case RIG_EIO:
        return QStringLiteral("liaison impossible : connexion refusée, ou périphérique absent "
                              "ou occupé");
    case RIG_ECONF:
    case RIG_EINVAL:
        return QStringLiteral("réglages de la liaison refusés (périphérique, vitesse)");
    case RIG_EPROTO:
    case RIG_ETRUNC:
        return QStringLiteral("réponse incompréhensible du poste");
    case RIG_ERJCTED:
        return QStringLiteral("le poste refuse la demande");
    case RIG_ENAVAIL:
    case RIG_ENIMPL:
        return QStringLiteral("ce poste ne donne pas sa fréquence ou son mode");
    case RIG_EPOWER:
        return QStringLiteral("le poste est éteint");
    case RIG_ESECURITY:
        return QStringLiteral("accès au poste refusé");
    default:
        return QStringLiteral("le poste ne répond pas");
    }
}

} // namespace zep
