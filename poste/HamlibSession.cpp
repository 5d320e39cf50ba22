#include "HamlibSession.h"

#include <hamlib/rig.h>

#include <algorithm>
#include <mutex>

namespace zep::rigproto {

namespace {

/// Hamlib's global tables (backends, models) are not guarded by Hamlib itself: the creation
/// and release of handles and the listing of models go through this lock. It is never
/// destroyed, so that a worker still in a call at the helper's end never finds it gone.
std::mutex &hamlibLock() {
    static auto *lock = new std::mutex;
    return *lock;
}

int listModel(const struct rig_caps *caps, rig_ptr_t data) {
    auto *models = static_cast<QList<RigModel> *>(data);
    if (models->size() >= maxModels)
        return 0; // stop
    models->append({int(caps->rig_model), QString::fromLatin1(caps->mfg_name),
                    QString::fromLatin1(caps->model_name)});
    return 1; // go on
}

} // namespace

Cause causeOfHamlib(int error) {
    switch (error < 0 ? -error : error) {
    case RIG_ETIMEOUT:
        return Cause::Timeout;
    case RIG_EIO:
        return Cause::Io;
    case RIG_ECONF:
    case RIG_EINVAL:
        return Cause::Settings;
    case RIG_EPROTO:
    case RIG_ETRUNC:
        return Cause::Garbled;
    case RIG_ERJCTED:
        return Cause::Rejected;
    case RIG_ENAVAIL:
    case RIG_ENIMPL:
        return Cause::Unavailable;
    case RIG_EPOWER:
        return Cause::PoweredOff;
    case RIG_ESECURITY:
        return Cause::Denied;
    default:
        return Cause::Timeout;
    }
}

HamlibSession::~HamlibSession() {
    if (open_)
        rig_close(rig_);
    if (rig_) {
        std::lock_guard lock(hamlibLock());
        rig_cleanup(rig_);
    }
}

std::optional<Cause> HamlibSession::open(const RigLink &link, int timeoutMs) {
    {
        std::lock_guard lock(hamlibLock());
        const rig_model_t model =
            link.kind == RigLink::Kind::Rigctld ? RIG_MODEL_NETRIGCTL : rig_model_t(link.model);
        rig_ = rig_init(model);
    }
    if (!rig_)
        return Cause::UnknownModel;
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
            return causeOfHamlib(e);
    }
    const int e = rig_open(rig_);
    open_ = e == RIG_OK;
    if (!open_)
        return causeOfHamlib(e);
    return std::nullopt;
}

std::optional<Cause> HamlibSession::read(RigReading &out) {
    freq_t freq = 0;
    if (const int e = rig_get_freq(rig_, RIG_VFO_CURR, &freq); e != RIG_OK)
        return causeOfHamlib(e);
    const auto hz = hertzOf(double(freq));
    if (!hz)
        return Cause::Garbled;
    rmode_t mode = RIG_MODE_NONE;
    pbwidth_t width = 0;
    if (const int e = rig_get_mode(rig_, RIG_VFO_CURR, &mode, &width); e != RIG_OK)
        return causeOfHamlib(e);
    const char *name = rig_strrmode(mode);
    out = {RigReading::State::Answering, *hz, QString::fromLatin1(name ? name : "")};
    return std::nullopt;
}

std::optional<Cause> HamlibSession::setPtt(bool on) {
    if (!open_)
        return Cause::Timeout;
    if (const int e = rig_set_ptt(rig_, RIG_VFO_CURR, on ? RIG_PTT_ON : RIG_PTT_OFF); e != RIG_OK)
        return causeOfHamlib(e);
    return std::nullopt;
}

std::optional<Cause> HamlibSession::sendMorse(const QString &text) {
    if (!open_)
        return Cause::Timeout;
    // Morse's characters are all ASCII; anything else has no sign and is left to the radio.
    const QByteArray bytes = text.toLatin1();
    if (bytes.isEmpty())
        return Cause::Settings;
    if (const int e = rig_send_morse(rig_, RIG_VFO_CURR, bytes.constData()); e != RIG_OK)
        return causeOfHamlib(e);
    return std::nullopt;
}

std::optional<Cause> HamlibSession::stopMorse() {
    if (!open_)
        return Cause::Timeout;
    if (const int e = rig_stop_morse(rig_, RIG_VFO_CURR); e != RIG_OK)
        return causeOfHamlib(e);
    return std::nullopt;
}

std::optional<Cause> HamlibSession::setKeyerSpeed(int wpm) {
    if (!open_)
        return Cause::Timeout;
    value_t value;
    value.i = wpm;
    if (const int e = rig_set_level(rig_, RIG_VFO_CURR, RIG_LEVEL_KEYSPD, value); e != RIG_OK)
        return causeOfHamlib(e);
    return std::nullopt;
}

std::optional<Cause> HamlibSession::tune(qint64 hz, const QString &mode) {
    if (!open_)
        return Cause::Timeout;
    rmode_t wanted = RIG_MODE_NONE;
    if (!mode.isEmpty()) {
        wanted = rig_parse_mode(mode.toLatin1().constData());
        if (wanted == RIG_MODE_NONE)
            return Cause::Settings; // a name this Hamlib does not know
    }
    if (const int e = rig_set_freq(rig_, RIG_VFO_CURR, freq_t(hz)); e != RIG_OK)
        return causeOfHamlib(e);
    if (wanted != RIG_MODE_NONE)
        if (const int e = rig_set_mode(rig_, RIG_VFO_CURR, wanted, RIG_PASSBAND_NOCHANGE);
            e != RIG_OK)
            return causeOfHamlib(e);
    return std::nullopt;
}

QList<RigModel> HamlibSession::models() {
    QList<RigModel> models;
    {
        std::lock_guard lock(hamlibLock());
        rig_load_all_backends();
        rig_list_foreach(listModel, &models);
    }
    std::sort(models.begin(), models.end(), [](const RigModel &a, const RigModel &b) {
        const int maker = QString::compare(a.maker, b.maker, Qt::CaseInsensitive);
        if (maker != 0)
            return maker < 0;
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    });
    return models;
}

} // namespace zep::rigproto
