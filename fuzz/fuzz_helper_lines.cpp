// What the radio and sound helpers send back, and the voice messages' WAV files: everything
// the program reads from its helper programs or from a sound file a user puts in "Messages".
// Input: a first byte choosing the reader, then the bytes.
// A WAV file taken has a format within its bounds, whole frames and at most the longest
// message, and written again reads back the same; a helper's stream is cut into bounded lines,
// and every line taken as a request or an answer is written back as a line that reads the same.

#include "FuzzSupport.h"
#include "core/station/RigProtocol.h"
#include "core/station/VoiceProtocol.h"
#include "core/station/WavFile.h"

using namespace zep;
using namespace zep::fuzz;

namespace {

void wavFile(QByteArrayView bytes) {
    const wav::Parsed parsed = wav::parse(bytes);
    check(parsed.sound.has_value() != !parsed.refusal.isEmpty(), "a WAV file is taken or refused");
    if (!parsed.sound)
        return;
    const wav::Sound &sound = *parsed.sound;
    const wav::Format &f = sound.format;
    check(f.channels >= 1 && f.channels <= 2, "channels");
    check(f.bitsPerSample == 8 || f.bitsPerSample == 16, "bits per sample");
    check(f.sampleRate >= wav::minSampleRate && f.sampleRate <= wav::maxSampleRate, "rate");
    check(sound.pcm.size() % f.bytesPerFrame() == 0, "whole frames");
    check(sound.durationMs() <= wav::maxDurationMs, "no longer than the longest message");
    const wav::Parsed again = wav::parse(wav::encode(f, sound.pcm));
    check(again.sound && again.sound->format == f && again.sound->pcm == sound.pcm,
          "a WAV file written again reads the same");
}

template <class Message, class Parse, class Encode>
void roundTrip(QByteArrayView line, Parse parse, Encode encode, const char *what) {
    const std::optional<Message> read = parse(line);
    if (!read)
        return;
    const auto written = encode(*read);
    if constexpr (std::is_same_v<std::decay_t<decltype(written)>, QByteArray>) {
        check(written.endsWith('\n'), what);
        check(parse(QByteArrayView(written).chopped(1)) == read, what);
    } else {
        check(written.has_value() && written->endsWith('\n'), what);
        check(parse(QByteArrayView(*written).chopped(1)) == read, what);
    }
}

void helperLines(QByteArrayView bytes) {
    rigproto::LineReader reader;
    // In pieces, as a pipe gives them.
    for (qsizetype at = 0; at < bytes.size(); at += 97)
        reader.append(bytes.sliced(at, std::min<qsizetype>(97, bytes.size() - at)));
    while (const std::optional<QByteArray> line = reader.next()) {
        check(line->size() <= rigproto::maxLineBytes, "a line is bounded");
        roundTrip<rigproto::Request>(
            *line, rigproto::parseRequest,
            [](const rigproto::Request &r) { return rigproto::encode(r); },
            "a radio request reads the same written again");
        roundTrip<rigproto::Reply>(
            *line, rigproto::parseReply,
            [](const rigproto::Reply &r) { return rigproto::encode(r); },
            "a radio answer reads the same written again");
        roundTrip<voiceproto::Request>(
            *line, voiceproto::parseRequest,
            [](const voiceproto::Request &r) { return voiceproto::encode(r); },
            "a sound request reads the same written again");
        roundTrip<voiceproto::Reply>(
            *line, voiceproto::parseReply,
            [](const voiceproto::Reply &r) { return voiceproto::encode(r); },
            "a sound answer reads the same written again");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    if (data[0] & 1)
        wavFile(bytes);
    else
        helperLines(bytes);
    return 0;
}
