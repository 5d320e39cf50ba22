#pragma once

#include "core/station/RadioReading.h"

#include <QList>
#include <QObject>
#include <QString>

namespace zep {

/// The radio, in the program's words: follow its frequency and mode, read it once to test a
/// link, list the models that can be wired. Every answer comes back as a signal on the
/// caller's thread; nothing here may block the caller, whatever the radio does.
class RigControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Follows the radio on `link` (and stops following the previous one); a link of kind
    /// None stops and reports RigReading::State::NoLink.
    virtual void follow(const RigLink &link) = 0;
    /// Reads the radio once on `link`: answered by tested().
    virtual void test(const RigLink &link) = 0;
    /// Answered by modelsListed().
    virtual void listModels() = 0;
    /// Turns the followed radio's dial to `hz` and sets its mode to `mode`, Hamlib's name
    /// ("USB", "CW", "PKTUSB"; radio::hamlibMode gives it for a mode box text), or keeps the
    /// mode when `mode` is empty. The new reading comes by readingChanged(); a refusal by
    /// tuneFailed().
    virtual void tune(qint64 hz, const QString &mode) = 0;

signals:
    /// The followed radio's reading, each time it changes.
    void readingChanged(const zep::RigReading &reading);
    /// The outcome of test(): the reading, or the French cause of the failure in `cause`.
    void tested(const zep::RigReading &reading, const QString &cause);
    void modelsListed(const QList<zep::RigModel> &models);
    /// A tune() did not reach the radio: the French cause.
    void tuneFailed(const QString &cause);
};

} // namespace zep
