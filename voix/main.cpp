// zep-rozadovev-voix: the sound helper. It reads the program's requests on its standard input
// and answers on its standard output, one line each (src/core/station/VoiceProtocol.h): it plays the
// voice messages to the chosen output and records them from the chosen input. It alone links
// Qt Multimedia: a sound server or a driver that crashes or hangs ends this helper, never the
// log window, which keeps the transmitter's PTT and releases it.
//
// It ends when its standard input closes (the program is gone) and, should the program be
// killed, when the kernel says its parent died: no sound goes on for a program that is gone.

#include "AudioSession.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>

#include <unistd.h>

using namespace zep;

namespace {

void send(const voiceproto::Reply &reply) {
    if (const std::optional<QByteArray> line = voiceproto::encode(reply))
        helperline::answer(*line);
}

} // namespace

int main(int argc, char **argv) {
    if (!helperline::bindToParent(argc, argv))
        return 0;
    QCoreApplication app(argc, argv);

    voiceproto::AudioSession session(send);
    voiceproto::LineReader reader;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            return;
        if (n <= 0) {
            // The program is gone: the sound stops with it.
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        reader.append(QByteArrayView(buffer, n));
        while (const auto line = reader.next())
            if (const auto request = voiceproto::parseRequest(*line))
                session.handle(*request);
    });
    send({voiceproto::Reply::Kind::Hello, quint64(voiceproto::protocolVersion), 0, {}});
    return app.exec();
}
