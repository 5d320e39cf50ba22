#include "CommandLine.h"

#include "core/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>

namespace zep {

namespace {

const char *const programName = "zep-rozadovev";

QString helpText() {
    const QString userData = QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    return QStringLiteral(
               "Utilisation : %1 [options]\n"
               "Carnet de trafic pour les activations radioamateur (révision%2).\n"
               "\n"
               "Options :\n"
               "  -d, --dir <répertoire>  Répertoire des fichiers de données : liste des\n"
               "                          activations, un journal par référence, mémoire\n"
               "                          des prénoms, listings et exports. Il est créé\n"
               "                          s'il n'existe pas.\n"
               "  -v, --version           Affiche la révision du programme et s'arrête.\n"
               "  -h, --help              Affiche cette aide et s'arrête.\n"
               "\n"
               "Sans --dir, le programme installé range ses fichiers dans\n"
               "  %3\n"
               "(un programme lancé depuis un dossier où il peut écrire les range à côté de\n"
               "lui). Un seul programme à la fois peut travailler sur un répertoire.\n"
               "Le mode d'emploi s'ouvre depuis le menu « Aide » de la fenêtre de saisie.\n")
        .arg(QLatin1String(programName), revisionText, userData);
}

void print(FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

QCommandLineOption directoryOption() {
    return QCommandLineOption(QStringList{QStringLiteral("d"), QStringLiteral("dir")},
                              QStringLiteral("Répertoire des fichiers de données."),
                              QStringLiteral("répertoire"));
}

std::optional<int> answerInformationRequest(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--") == 0)
            break;
        if (std::strcmp(arg, "--version") == 0 || std::strcmp(arg, "-v") == 0) {
            print(stdout, QStringLiteral("%1 %2\n").arg(QLatin1String(programName),
                                                        revisionText.trimmed()));
            return 0;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0 ||
            std::strcmp(arg, "-?") == 0) {
            print(stdout, helpText());
            return 0;
        }
    }
    return std::nullopt;
}

bool parseCommandLine(QCommandLineParser &parser, const QCommandLineOption &dirOption) {
    parser.addOption(dirOption);
    // Answered before the start; known here so that they are not taken for errors.
    parser.addOption(
        QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")}));
    parser.addOption(QCommandLineOption(
        QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")}));
    if (parser.parse(QCoreApplication::arguments()) && parser.positionalArguments().isEmpty())
        return true;
    const QString cause = parser.positionalArguments().isEmpty()
                              ? parser.errorText()
                              : QStringLiteral("argument inattendu « %1 »")
                                    .arg(parser.positionalArguments().constFirst());
    print(
        stderr,
        QStringLiteral("%1 : %2\nEssayez « %1 --help ».\n").arg(QLatin1String(programName), cause));
    return false;
}

} // namespace zep
