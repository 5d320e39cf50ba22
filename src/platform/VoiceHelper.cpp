#include "platform/VoiceHelper.h"

namespace zep {

VoiceHelper::VoiceHelper(QString program, VoiceTiming timing, QObject *parent)
    : QObject(parent), timing_(timing),
      // Started again at the next request only: no back-off of its own.
      helper_(
          std::move(program), {}, HelperWatch{timing.pingMs, timing.answerMs, 0, 0, 0},
          [this] {
              return voiceproto::encode(
                         voiceproto::Request{voiceproto::Request::Kind::Ping, nextId(), {}, {}, 0})
                  .value_or(QByteArray());
          },
          [] { return false; }) {
    connect(&helper_, &HelperProcess::gone, this, &VoiceHelper::gone);
    connect(&helper_, &HelperProcess::line, this, [this](const QByteArray &line) {
        if (const auto reply = voiceproto::parseReply(line))
            emit replied(*reply);
    });
}

VoiceHelper::~VoiceHelper() = default; // the helper stops its sound at the end of its input

QString VoiceHelper::defaultProgram() {
    return HelperProcess::beside(QStringLiteral("zep-rozadovev-voix"), QStringLiteral("voix"));
}

bool VoiceHelper::send(const voiceproto::Request &request) {
    const std::optional<QByteArray> line = voiceproto::encode(request);
    if (!line)
        return false;
    helper_.start();
    helper_.write(*line);
    return true;
}

void VoiceHelper::replace() {
    helper_.replace();
}

} // namespace zep
