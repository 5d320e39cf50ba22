#pragma once

#include "platform/RigControl.h"

namespace zep {

/// Test double of the radio: records what it was asked and gives the readings, test outcomes
/// and models the test hands it, at once and on the caller's thread.
class ScriptedRig : public RigControl {
    Q_OBJECT
public:
    using RigControl::RigControl;

    void follow(const RigLink &link) override {
        followed.append(link);
        if (link.kind == RigLink::Kind::None)
            emit readingChanged(RigReading{});
    }
    void test(const RigLink &link) override {
        testedLinks.append(link);
        emit tested(nextTest, nextCause);
    }
    void listModels() override { emit modelsListed(models); }
    /// Recorded; the reading follows at once, unless `tuneRefusal` is set (then refused).
    void tune(qint64 hz, const QString &mode) override {
        tunings.append({RigReading::State::Answering, hz, mode});
        if (!tuneRefusal.isEmpty())
            emit tuneFailed(tuneRefusal);
        else
            answer(hz, mode);
    }

    /// The radio's dial and mode now.
    void answer(qint64 hz, const QString &mode) {
        emit readingChanged({RigReading::State::Answering, hz, mode});
    }
    void fallSilent() { emit readingChanged({RigReading::State::Silent, 0, QString()}); }

    QList<RigLink> followed;
    QList<RigLink> testedLinks;
    RigReading nextTest;
    QString nextCause;
    QList<RigModel> models;
    QList<RigReading> tunings;
    QString tuneRefusal;
};

} // namespace zep
