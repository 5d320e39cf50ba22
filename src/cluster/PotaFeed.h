#pragma once

#include "core/station/PotaSpots.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class QProcess;

namespace zep {

/// The pace of POTA's spot list (tests shorten them).
struct PotaTimings {
    std::chrono::milliseconds period{std::chrono::seconds(60)};
    /// The longest a request may take before it is given up.
    std::chrono::milliseconds requestLimit{std::chrono::seconds(20)};
    /// After the nth failure in a row the next read waits `period` * 2^(n-1), at most
    /// `maxBackoff` periods.
    int maxBackoff = 10;
    /// The program that speaks HTTP for us (the program itself maps no network library).
    QString curl = QStringLiteral("curl");
};

/// POTA's spot list, read every `period` while started, and the self-spots sent to POTA. The
/// requests run in a curl process, read as they come (never more than `potaMaxAnswer` bytes:
/// a longer answer ends the request), and the list is read on a pool thread: the caller's
/// thread never waits. A failure is one French status line and a back-off, never a box.
class PotaFeed : public QObject {
    Q_OBJECT
public:
    explicit PotaFeed(PotaTimings timings = {}, QObject *parent = nullptr);
    ~PotaFeed() override;

    /// Reads `<base>/spot/activator` now and every period.
    void start(const QString &base);
    void stop();
    bool running() const { return !base_.isEmpty(); }
    /// POSTs `spot` to `<base>/spot`; the answer comes as `selfSpotAnswered`.
    void selfSpot(const QString &base, const spots::SelfSpot &spot);

signals:
    void spotsArrived(const QList<zep::spots::Spot> &spots);
    /// "POTA : 12 annonces", "POTA : connexion refusée, nouvel essai dans 2 min"...
    void statusChanged(const QString &text);
    void selfSpotAnswered(bool accepted, const QString &text);

private:
    void read();
    void failed(const QString &cause);
    void readDone(int status, const QByteArray &body, const QString &cause);
    /// Starts curl; `done` gets the HTTP status (0 when none), the body and the French cause.
    void run(const QStringList &arguments, const QByteArray &input,
             std::function<void(int, const QByteArray &, const QString &)> done);

    PotaTimings timings_;
    QString base_;
    QTimer next_;
    int failures_ = 0;
    bool reading_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace zep
