#include "core/station/WavFile.h"

#include "core/io/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace zep::wav {

namespace {

quint32 u32(QByteArrayView b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.data() + at);
}

quint16 u16(QByteArrayView b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.data() + at);
}

void put32(QByteArray &out, quint32 v) {
    char b[4];
    qToLittleEndian<quint32>(v, b);
    out.append(b, 4);
}

void put16(QByteArray &out, quint16 v) {
    char b[2];
    qToLittleEndian<quint16>(v, b);
    out.append(b, 2);
}

Parsed refuse(const QString &reason) {
    return {std::nullopt, reason};
}

const QString notWav = QStringLiteral("ce n'est pas un fichier WAV");

} // namespace

int Sound::durationMs() const {
    const qint64 perSecond = qint64(format.sampleRate) * format.bytesPerFrame();
    if (perSecond <= 0)
        return 0;
    return int((qint64(pcm.size()) * 1000 + perSecond - 1) / perSecond);
}

Parsed parse(QByteArrayView bytes) {
    if (bytes.size() > maxFileBytes)
        return refuse(QStringLiteral("le fichier est trop grand pour un message"));
    if (bytes.size() < 12 || bytes.first(4) != "RIFF" || bytes.sliced(8, 4) != "WAVE")
        return refuse(notWav);
    std::optional<Format> format;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArrayView id = bytes.sliced(at, 4);
        const quint32 size = u32(bytes, at + 4);
        const qsizetype body = at + 8;
        // A chunk is never taken beyond the end of the file, whatever its size says.
        const qsizetype left = bytes.size() - body;
        if (id == "fmt ") {
            if (size < 16 || qint64(size) > left)
                return refuse(QStringLiteral("l'en-tête du fichier WAV est incomplet"));
            const quint16 tag = u16(bytes, body);
            const int channels = u16(bytes, body + 2);
            const quint32 rate = u32(bytes, body + 4);
            const quint32 byteRate = u32(bytes, body + 8);
            const int blockAlign = u16(bytes, body + 12);
            const int bits = u16(bytes, body + 14);
            if (tag != 1)
                return refuse(QStringLiteral("le son n'est pas en PCM (format %1)").arg(tag));
            if (bits != 8 && bits != 16)
                return refuse(
                    QStringLiteral("%1 bits par échantillon (8 ou 16 attendus)").arg(bits));
            if (channels < 1 || channels > 2)
                return refuse(QStringLiteral("%1 canaux (1 ou 2 attendus)").arg(channels));
            if (rate < quint32(minSampleRate) || rate > quint32(maxSampleRate))
                return refuse(QStringLiteral("fréquence d'échantillonnage de %1 Hz (8000 à 48000 "
                                             "attendus)")
                                  .arg(rate));
            const Format f{int(rate), channels, bits};
            if (blockAlign != f.bytesPerFrame() || byteRate != rate * quint32(blockAlign))
                return refuse(QStringLiteral("l'en-tête du fichier WAV est incohérent"));
            format = f;
        } else if (id == "data") {
            if (!format)
                return refuse(QStringLiteral("l'en-tête du fichier WAV est incomplet"));
            if (qint64(size) > left)
                return refuse(QStringLiteral("le fichier WAV est tronqué"));
            if (size == 0)
                return refuse(QStringLiteral("l'enregistrement est vide"));
            if (size % quint32(format->bytesPerFrame()) != 0)
                return refuse(QStringLiteral("la longueur du son du fichier WAV est incohérente"));
            Sound sound{*format, bytes.sliced(body, size).toByteArray()};
            if (sound.durationMs() > maxDurationMs)
                return refuse(QStringLiteral("le message dure plus de %1 secondes")
                                  .arg(maxDurationMs / 1000));
            return {std::move(sound), QString()};
        }
        if (qint64(size) > left)
            break;
        at = body + qsizetype(size) + (size & 1); // chunks keep even offsets
    }
    return refuse(format ? QStringLiteral("le fichier WAV ne contient pas de son") : notWav);
}

QByteArray encode(const Format &format, QByteArrayView pcm) {
    const qsizetype frame = format.bytesPerFrame();
    const QByteArrayView data = pcm.first(frame > 0 ? pcm.size() - pcm.size() % frame : 0);
    QByteArray out;
    out.reserve(44 + data.size());
    out.append("RIFF");
    put32(out, quint32(36 + data.size()));
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, quint16(format.channels));
    put32(out, quint32(format.sampleRate));
    put32(out, quint32(format.sampleRate * frame));
    put16(out, quint16(frame));
    put16(out, quint16(format.bitsPerSample));
    out.append("data");
    put32(out, quint32(data.size()));
    out.append(data);
    if (data.size() & 1)
        out.append('\0');
    return out;
}

Parsed readFile(const QString &path) {
    const QString name = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("Le fichier \"%1\" est introuvable ou illisible.").arg(name));
    if (file.size() > maxFileBytes)
        return refuse(QStringLiteral("Le fichier \"%1\" est refusé : le fichier est trop grand "
                                     "pour un message.")
                          .arg(name));
    const QByteArray bytes = file.read(maxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(QStringLiteral("Le fichier \"%1\" est illisible.").arg(name));
    Parsed parsed = parse(bytes);
    if (!parsed.sound)
        parsed.refusal =
            QStringLiteral("Le fichier \"%1\" est refusé : %2.").arg(name, parsed.refusal);
    return parsed;
}

IoResult writeFile(const QString &path, const Format &format, QByteArrayView pcm) {
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir))
        return IoResult::failure(QStringLiteral("Impossible de créer le dossier \"%1\".")
                                     .arg(QDir::toNativeSeparators(dir)));
    return writeBytesFile(path, encode(format, pcm), QStringLiteral("Temporaire.wav"));
}

int peakPercent(QByteArrayView pcm) {
    int peak = 0;
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2) {
        const qint16 s = qFromLittleEndian<qint16>(pcm.data() + i);
        peak = std::max(peak, std::abs(int(s)));
    }
    return std::min(100, (peak * 100 + 16383) / 32767);
}

} // namespace zep::wav
