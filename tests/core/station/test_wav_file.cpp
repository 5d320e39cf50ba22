// The WAV files of the voice messages: what the program writes reads back the same, and a file
// read for playback is input: every header that is not plain PCM within the bounds, or whose
// lengths disagree with the file, is refused with one French reason, never trusted.

#include "core/io/SysCalls.h"
#include "core/station/WavFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cerrno>

using namespace zep;

namespace {

/// The fields of a header, each of which a hostile file may get wrong.
struct Header {
    quint16 tag = 1;
    quint16 channels = 1;
    quint32 rate = 16000;
    qint64 byteRate = -1;   ///< -1: the consistent value
    qint64 blockAlign = -1; ///< -1: the consistent value
    quint16 bits = 16;
    qint64 dataSize = -1; ///< -1: the bytes really there
    int dataBytes = 3200; ///< bytes of sound really in the file
    QByteArray before;    ///< chunks between "fmt " and "data"
    bool fmt = true;
    quint32 fmtSize = 16;
};

QByteArray le32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian<quint32>(v, b.data());
    return b;
}

QByteArray le16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian<quint16>(v, b.data());
    return b;
}

QByteArray build(const Header &h) {
    const quint16 align =
        h.blockAlign >= 0 ? quint16(h.blockAlign) : quint16(h.channels * h.bits / 8);
    const quint32 byteRate = h.byteRate >= 0 ? quint32(h.byteRate) : h.rate * align;
    QByteArray body = "WAVE";
    if (h.fmt) {
        body += "fmt " + le32(h.fmtSize) + le16(h.tag) + le16(h.channels) + le32(h.rate) +
                le32(byteRate) + le16(align) + le16(h.bits);
        body += QByteArray(int(h.fmtSize) - 16 > 0 ? int(h.fmtSize) - 16 : 0, '\0');
    }
    body += h.before;
    body += "data" + le32(h.dataSize >= 0 ? quint32(h.dataSize) : quint32(h.dataBytes));
    body += QByteArray(h.dataBytes, '\x10');
    return "RIFF" + le32(quint32(body.size())) + body;
}

} // namespace

TEST(WavFile, HeadersAreTakenOnlyWhenPlainPcmWithinBoundsAndConsistent) {
    struct Case {
        const char *what;
        Header header;
        const char *refusal; ///< nullptr: taken; otherwise a part of the reason
    };
    const auto with = [](auto change) {
        Header h;
        change(h);
        return h;
    };
    const Case cases[] = {
        {"16 kHz mono 16-bit", Header{}, nullptr},
        {"8 kHz mono 8-bit", with([](Header &h) {
             h.rate = 8000;
             h.bits = 8;
         }),
         nullptr},
        {"48 kHz stereo 16-bit", with([](Header &h) {
             h.rate = 48000;
             h.channels = 2;
             h.dataBytes = 48000 * 4;
         }),
         nullptr},
        {"a LIST chunk before the sound, odd size padded",
         with([](Header &h) { h.before = "LIST" + le32(3) + QByteArray("abc\0", 4); }), nullptr},
        {"a longer fmt chunk (cbSize)", with([](Header &h) { h.fmtSize = 18; }), nullptr},
        {"compressed (format 2)", with([](Header &h) { h.tag = 2; }), "PCM"},
        {"floating point (format 3)", with([](Header &h) { h.tag = 3; }), "PCM"},
        {"24-bit", with([](Header &h) { h.bits = 24; }), "bits"},
        {"no channel", with([](Header &h) { h.channels = 0; }), "canaux"},
        {"6 channels", with([](Header &h) { h.channels = 6; }), "canaux"},
        {"4 kHz", with([](Header &h) { h.rate = 4000; }), "fréquence"},
        {"96 kHz", with([](Header &h) { h.rate = 96000; }), "fréquence"},
        {"byte rate that disagrees", with([](Header &h) { h.byteRate = 1000; }), "incohérent"},
        {"block align that disagrees", with([](Header &h) { h.blockAlign = 4; }), "incohérent"},
        {"data longer than the file", with([](Header &h) { h.dataSize = 1'000'000; }), "tronqué"},
        {"data of 4 GB", with([](Header &h) { h.dataSize = 0xFFFFFFFF; }), "tronqué"},
        {"half a frame", with([](Header &h) { h.dataBytes = 3201; }), "incohérente"},
        {"no sound at all", with([](Header &h) { h.dataBytes = 0; }), "vide"},
        {"data before fmt", with([](Header &h) { h.fmt = false; }), "incomplet"},
        {"fmt chunk too short", with([](Header &h) { h.fmtSize = 12; }), "incomplet"},
        {"32 s of sound", with([](Header &h) {
             h.rate = 8000;
             h.bits = 8;
             h.dataBytes = 8000 * 32;
         }),
         "secondes"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray bytes = build(c.header);
        const wav::Parsed parsed = wav::parse(bytes);
        if (!c.refusal) {
            ASSERT_TRUE(parsed.sound.has_value()) << parsed.refusal.toStdString();
            EXPECT_EQ(parsed.sound->format.sampleRate, int(c.header.rate));
            EXPECT_EQ(parsed.sound->format.channels, c.header.channels);
            EXPECT_EQ(parsed.sound->pcm.size(), c.header.dataBytes);
            continue;
        }
        EXPECT_FALSE(parsed.sound.has_value());
        EXPECT_TRUE(parsed.refusal.contains(QString::fromUtf8(c.refusal)))
            << parsed.refusal.toStdString();
    }
}

TEST(WavFile, BytesThatAreNoWavFileAreRefusedWhateverTheyHold) {
    const QByteArray good = build(Header{});
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("RIFF"),
        QByteArray("RIFX") + good.mid(4),
        good.left(12) + "JUNK" + le32(0xFFFFFFF0) + "abcd",
        good.left(12),
        good.left(40), // the data chunk's size cut
        good.left(30), // the fmt chunk cut
        QByteArray(int(wav::maxFileBytes) + 1, 'R'),
    };
    for (const QByteArray &bytes : cases) {
        const wav::Parsed parsed = wav::parse(bytes);
        EXPECT_FALSE(parsed.sound.has_value()) << bytes.left(48).toHex().toStdString();
        EXPECT_FALSE(parsed.refusal.isEmpty());
    }
}

TEST(WavFile, WhatIsWrittenReadsBackAndEveryFailureKeepsTheOldRecording) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The folder of the messages is made when missing.
    const QString path = dir.filePath(QStringLiteral("Messages/F1.wav"));
    QByteArray pcm;
    for (int i = 0; i < 16000; ++i) {
        const qint16 s = qint16((i % 40) * 800 - 16000);
        pcm.append(reinterpret_cast<const char *>(&s), 2);
    }
    ASSERT_TRUE(wav::writeFile(path, wav::recordingFormat, pcm));
    const wav::Parsed read = wav::readFile(path);
    ASSERT_TRUE(read.sound.has_value()) << read.refusal.toStdString();
    EXPECT_EQ(read.sound->format, wav::recordingFormat);
    EXPECT_EQ(read.sound->pcm, pcm);
    EXPECT_EQ(read.sound->durationMs(), 1000);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Messages/Temporaire.wav"))));

    // A disk that fails at any step of the write: the old recording stays, whole.
    const QByteArray old = testfiles::bytesOf(path);
    struct Failing : sys::Calls {
        int left = 0;
        int fail() {
            errno = ENOSPC;
            return -1;
        }
        ssize_t write(int fd, const void *d, size_t n) override {
            return --left < 0 ? fail() : sys::Calls::write(fd, d, n);
        }
        int fsync(int fd) override { return --left < 0 ? fail() : sys::Calls::fsync(fd); }
        int rename(const char *a, const char *b) override {
            return --left < 0 ? fail() : sys::Calls::rename(a, b);
        }
    };
    for (int at = 0; at < 3; ++at) {
        SCOPED_TRACE(at);
        Failing failing;
        failing.left = at;
        sys::ScopedCalls scoped(failing);
        const IoResult result = wav::writeFile(path, wav::recordingFormat, pcm.left(800));
        EXPECT_FALSE(result);
        EXPECT_TRUE(result.message.contains(QStringLiteral("Impossible")))
            << result.message.toStdString();
        EXPECT_EQ(testfiles::bytesOf(path), old);
    }

    // A file too large for a message is refused before it is read.
    const QString big = dir.filePath(QStringLiteral("big.wav"));
    testfiles::put(big, QByteArray(int(wav::maxFileBytes) + 10, '\0'));
    const wav::Parsed refused = wav::readFile(big);
    EXPECT_FALSE(refused.sound.has_value());
    EXPECT_TRUE(refused.refusal.contains(QStringLiteral("trop grand")));
    EXPECT_TRUE(wav::readFile(dir.filePath(QStringLiteral("none.wav")))
                    .refusal.contains(QStringLiteral("introuvable")));
}

TEST(WavFile, TheLevelIsTheLoudestSampleInPercent) {
    const auto pcmOf = [](std::initializer_list<qint16> samples) {
        QByteArray b;
        for (qint16 s : samples) {
            char le[2];
            qToLittleEndian<qint16>(s, le);
            b.append(le, 2);
        }
        return b;
    };
    EXPECT_EQ(wav::peakPercent(pcmOf({0, 0, 0})), 0);
    EXPECT_EQ(wav::peakPercent(pcmOf({100, -16384, 200})), 50);
    EXPECT_EQ(wav::peakPercent(pcmOf({-32768})), 100);
    EXPECT_EQ(wav::peakPercent(pcmOf({32767, 5})), 100);
    EXPECT_EQ(wav::peakPercent(QByteArray()), 0);
}
