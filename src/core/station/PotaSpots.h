#pragma once

#include "core/station/SpotLine.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace zep::spots {

/// The public address of POTA's programming interface, the default of "POTA Adresse".
inline const QString potaDefaultAddress = QStringLiteral("https://api.pota.app");
/// The most of an answer read: a spot list of a busy day holds a few hundred spots of about
/// 500 bytes; a longer answer is refused, not read on.
inline constexpr qsizetype potaMaxAnswer = 2 * 1024 * 1024;
/// The most spots taken from one list.
inline constexpr qsizetype potaMaxSpots = 1000;

/// The address "POTA Adresse" holds, checked: an http or https address with a host, without
/// its trailing "/"; nothing for anything else.
std::optional<QString> potaBaseAddress(const QString &setting);

/// The spots of POTA's activator spot list (GET <base>/spot/activator: a JSON array of
/// objects with "activator", "frequency" in kHz as a text, "mode", "reference", "spotTime"
/// in UTC ("2024-02-12T17:52:16"), "spotter", "comments"), each received at `nowMs` unless its
/// time is earlier. Entries without a call or a frequency are skipped; nothing (and the
/// French cause in `error`) when the body is no such array or over `potaMaxAnswer`.
std::optional<QList<Spot>> parsePotaSpots(const QByteArray &body, qint64 nowMs, QString *error);

/// What a self-spot tells POTA.
struct SelfSpot {
    QString activator;
    QString spotter;
    double kHz = 0;
    QString reference;
    QString mode;
    QString comments;
    friend bool operator==(const SelfSpot &, const SelfSpot &) = default;
};

/// The body of a self-spot (POST <base>/spot): a JSON object with "activator", "spotter",
/// "frequency" (kHz as text, "14285.0"), "reference", "mode", "source" and "comments".
QByteArray selfSpotBody(const SelfSpot &spot);
/// The same read back (tests, and the local stand-in for POTA); nothing when it is not one.
std::optional<SelfSpot> readSelfSpotBody(const QByteArray &body);

/// What the window shows of POTA's answer to a self-spot: "POTA : annonce reçue" for a 2xx,
/// else the status and the first line of the answer, or the network's cause.
QString selfSpotAnswer(int httpStatus, const QByteArray &body, const QString &networkError);

} // namespace zep::spots
