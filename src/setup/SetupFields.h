#pragma once

#include <QString>

#include <optional>

namespace zep {

/// How one field of the setup window is checked when Enter is pressed in it.
struct SetupFieldRule {
    int maximum = 0;              ///< longest text accepted once outer blanks are removed
    QString lengthMessage;        ///< shown when the text is longer than `maximum`
    QString emptyMessage;         ///< shown for an empty text; an empty message accepts it
    bool upperCase = false;       ///< a to z become capitals as they are typed
    bool referenceNumber = false; ///< the text names the reference's log file
};

/// The refusal for `text` typed in a field ruled by `rule`, in the order the operator meets
/// them: length, then empty, then (reference numbers) a leading digit and characters that
/// cannot name a file, then any character the data files' code page cannot hold.
/// A reference number is checked with its outer blanks removed, since that is how it is kept.
std::optional<QString> setupFieldRefusal(const SetupFieldRule &rule, const QString &text);

/// Why `number` (outer blanks removed) cannot name a log file in the program directory,
/// or nothing when it can.
std::optional<QString> referenceFileNameRefusal(const QString &number);

namespace setupMessages {
inline const QString digitFirst = QStringLiteral("Specifiez le type d'activité ex DFCF DIFI");
inline const QString numberMandatory = QStringLiteral("Numero de l'activité obligatoire");
inline const QString forbiddenCharacters =
    QStringLiteral("Caracteres / \\ : * ? \" < > | interdits dans le numero");
inline const QString invalidNumber = QStringLiteral("Numero de l'activité invalide");
inline const QString sameNumbers = QStringLiteral("Les deux numeros d'activité sont identiques");
inline const QString threeMandatory = QStringLiteral("Les trois premiers champs sont obligatoires");
inline const QString secondMissing =
    QStringLiteral("Activité double : numero de la deuxieme activité obligatoire");
inline const QString listFull =
    QStringLiteral("Activité double impossible : plus de 999 lignes dans la liste des activités");
inline const QString newActivation =
    QStringLiteral("Nouvelle Activation, pret pour demarrer la saisie des QSO");
inline const QString runningActivation =
    QStringLiteral("Activation en cours, pret pour continuer la saisie des QSO");
} // namespace setupMessages

} // namespace zep
