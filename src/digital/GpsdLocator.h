#pragma once

#include "core/digital/StationLocator.h"

#include <QObject>
#include <QThread>

namespace zep {

class GpsdWorker;

/// The station's locator from a running gpsd on 127.0.0.1: the connection, the watch command
/// and the reading of its JSON live on a thread of their own; the GUI thread gets the locator
/// when it changes, and a French line when gpsd is not there or has no fix. A gpsd that goes
/// away is asked again every few seconds. What is kept of its stream is bounded (one line of
/// at most GpsdStream::maxLine bytes, reads of 4 KiB).
class GpsdLocator : public QObject {
    Q_OBJECT
public:
    explicit GpsdLocator(quint16 port, QObject *parent = nullptr);
    ~GpsdLocator() override;

    /// Starts or stops following gpsd.
    void follow(bool on);

signals:
    /// The locator of the last fix ("JN18du"), or empty with `state` saying why there is none.
    void located(const QString &grid, const QString &state);

private:
    QThread thread_;
    GpsdWorker *worker_;
};

} // namespace zep
