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
#include <csignal>
#include <cstring>

#include <sys/prctl.h>
#include <unistd.h>

using namespace zep;

namespace {

/// Writes one whole line on the standard output; the program gone, the helper ends.
void send(const voiceproto::Reply &reply) {
    const std::optional<QByteArray> line = voiceproto::encode(reply);
    if (!line)
        return;
    if (!rigproto::writeWhole(STDOUT_FILENO, *line))
        _exit(0);
}

int parentOption(int argc, char **argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--parent") == 0)
            return QByteArray(argv[i + 1]).toInt();
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    // The program killed, this helper goes too; if it went before this line, now.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int parent = parentOption(argc, argv);
    if (parent > 0 && ::getppid() != parent)
        return 0;
    std::signal(SIGPIPE, SIG_IGN);
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
