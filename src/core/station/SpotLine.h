#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zep::spots {

/// Where a spot was heard.
enum class Source { Cluster, Pota };

/// A station announced on the band: by a DX cluster node's "DX de" line or POTA's spot list.
struct Spot {
    Source source = Source::Cluster;
    QString spotter; ///< "F4ABC", "EA5WU-#" (a skimmer)
    double kHz = 0;
    QString call; ///< the station spotted, in capitals
    QString comment;
    int utcMinutes = -1; ///< the spot's time ("1234Z") as minutes of the day; -1 when unknown
    QString locator;     ///< a Maidenhead locator after the time, when the node gives one
    QString reference;   ///< the award reference of the station spotted, when one is named
    QString mode;        ///< "CW", "SSB", "FM", "AM", "FT8"...: what the comment or sub-band says
    qint64 seenMs = 0;   ///< when the program received it (ms since the epoch)
    QString band;        ///< the band box text of its frequency, once worked out (`bandText`)

    friend bool operator==(const Spot &, const Spot &) = default;
};

/// The spot a node's "DX de" line announces, in the column variants of the common node
/// programs:
///   "DX de W3LPL:      3525.1  E51DWC       Heard in WA                    0919Z FM19"
///   "DX de EA5WU-#:   14049.6  G4LEM          CW    14 dB  18 WPM  CQ      0916Z"
///   "DX de EI55WAW     7046.5  EI55WAW      ses rtty                       1604Z"
///   "DX de K5TDA-#:    7043.7  KA4EET       CW 13 dB 17 WPM CQ          FL 0036Z TX"
/// (spotter with or without its colon, frequency in kHz, call, comment, time, then the
/// spotter's locator or state). Nothing for any other line (announcements, WWV, talk,
/// prompts) or one whose frequency, call or time is not one. The mode and reference are left
/// to `recognise`. Bells and blanks at the ends are ignored.
std::optional<Spot> parseSpotLine(QByteArrayView line);

/// The mode a spot's comment names as a word ("CW", "SSB", "USB" and "LSB" as "SSB", "FM",
/// "AM", "FT8", "FT4", "RTTY", "PSK31"...), else the mode of the IARU Region 1 sub-band that
/// holds `kHz` ("CW" or "SSB", "FM" in the FM parts of 10 m and 2 m); empty when neither says.
QString modeOf(QStringView comment, double kHz);

/// Fills the spot's mode (unless it has one) and its reference (unless it has one) from its
/// comment: WWFF, POTA and SOTA references, and those of `programmes` ("DFCF").
void recognise(Spot &spot, const QStringList &programmes);

/// Cuts a node's stream into lines. A line is kept up to `maxLength` bytes; the rest of a
/// longer line is skipped up to its end and the line is dropped. Every byte is looked at once,
/// and no more than one line is held: a node that floods costs time, never memory. Line ends
/// are CR, LF or both.
class LineSplitter {
public:
    explicit LineSplitter(qsizetype maxLength = 1024) : max_(maxLength) { line_.reserve(max_); }
    void feed(QByteArrayView bytes, const std::function<void(QByteArrayView line)> &take);
    /// Forgets the line begun (a prompt answered: what follows starts a line).
    void discardLine() { line_.clear(); }
    /// The bytes of the line begun.
    qsizetype held() const { return line_.size(); }
    /// The lines dropped for their length since the start.
    qint64 skipped() const { return skipped_; }

private:
    qsizetype max_;
    QByteArray line_;
    bool skipping_ = false;
    qint64 skipped_ = 0;
};

} // namespace zep::spots
