#pragma once

#include <QString>

namespace zep {

/// The current activation, as the setup window's fields hold it. Other windows read it
/// afresh whenever they need it (through `ActivationSource`), never keep a copy.
struct CurrentActivation {
    QString activeur;      ///< Activeur
    QString logger;        ///< Logger
    QString numActivite;   ///< Num_Activite
    QString numActivite1;  ///< Num_Activite1
    QString nomActivite;   ///< Nom_Activite
    QString nomActivite1;  ///< Nom_Activite1
    QString numCanton;     ///< Num_Canton
    QString numCanton1;    ///< Num_Canton1
    QString numCP;         ///< Num_CP
    QString numCP1;        ///< Num_CP1
    QString nomCommune;    ///< Nom_Commune
    QString nomCommune1;   ///< Nom_Commune1
    QString typeActivite;  ///< text of Type_Activite
    QString typeActivite1; ///< text of Type_Activite1
    QString dateActivite;  ///< Date_Activite
    bool isDouble = false; ///< Option2 "Activité double" selected
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
