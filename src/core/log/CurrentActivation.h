#pragma once

#include <QString>

namespace zep {

/// The current activation, as the setup window's fields hold it. Other windows read it
/// afresh whenever they need it (through `ActivationSource`), never keep a copy.
struct CurrentActivation {
    QString activator;       ///< the activator's call sign
    QString logger;          ///< who keeps the log, when not the activator
    QString reference;       ///< the reference activated ("DFCF-21-001")
    QString secondReference; ///< the second reference of a double activation
    QString siteName;        ///< the name of the place activated
    QString secondSiteName;
    QString canton; ///< the canton number
    QString secondCanton;
    QString postcode; ///< the postcode of the town
    QString secondPostcode;
    QString town; ///< the town's name
    QString secondTown;
    QString programme; ///< the programme's name as the setup window lists it ("DFCF")
    QString secondProgramme;
    QString date;          ///< the activation's date, "jj/mm/aa"
    bool isDouble = false; ///< a double activation: two references at once
};

/// Who holds the current activation (the setup window; a plain value in tests).
class ActivationSource {
public:
    virtual ~ActivationSource() = default;
    virtual CurrentActivation currentActivation() const = 0;
};

class FixedActivationSource : public ActivationSource {
public:
    explicit FixedActivationSource(CurrentActivation a = {}) : activation(std::move(a)) {}
    CurrentActivation currentActivation() const override { return activation; }
    CurrentActivation activation;
};

} // namespace zep
