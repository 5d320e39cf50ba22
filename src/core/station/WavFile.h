#pragma once

#include "core/io/IoResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace zep::wav {

/// The sound of a voice message: plain PCM, as the WAV files this program writes and reads.
struct Format {
    int sampleRate = 16000;
    int channels = 1;
    int bitsPerSample = 16;
    int bytesPerFrame() const { return channels * bitsPerSample / 8; }
    friend bool operator==(const Format &, const Format &) = default;
};

/// What the program records: 16 kHz mono 16-bit, plenty for a voice.
inline constexpr Format recordingFormat{16000, 1, 16};

/// The bounds of a message read for playback: a recording is at most 30 s, a file a little
/// longer is still taken, nothing beyond.
inline constexpr int maxDurationMs = 31'000;
inline constexpr int minSampleRate = 8000;
inline constexpr int maxSampleRate = 48000;
/// 31 s of 48 kHz stereo 16-bit and a header: no message file is larger.
inline constexpr qint64 maxFileBytes = 6 * 1024 * 1024;

struct Sound {
    Format format;
    QByteArray pcm;
    /// The length of the sound in milliseconds, rounded up.
    int durationMs() const;
};

/// The sound of a WAV file's bytes, or the French reason it is refused ("l'en-tête n'est pas
/// celui d'un fichier WAV"): PCM 8 or 16 bit, 1 or 2 channels, 8 to 48 kHz, a data length
/// that the file holds and whole frames, at most `maxDurationMs`. Chunks other than "fmt "
/// and "data" are skipped.
struct Parsed {
    std::optional<Sound> sound;
    QString refusal;
};
Parsed parse(QByteArrayView bytes);

/// The bytes of a WAV file holding `pcm` in `format` (the PCM is cut to whole frames).
QByteArray encode(const Format &format, QByteArrayView pcm);

/// Reads and checks the file at `path`: a file larger than `maxFileBytes` is refused before
/// it is read. The refusal is one French line naming the file.
Parsed readFile(const QString &path);

/// Writes `pcm` as a WAV file through the crash-safe path: the old file stays on failure. The
/// folder is created when missing.
IoResult writeFile(const QString &path, const Format &format, QByteArrayView pcm);

/// The loudest sample of `pcm` (16-bit signed, little-endian) as 0 to 100 %.
int peakPercent(QByteArrayView pcm);

} // namespace zep::wav
