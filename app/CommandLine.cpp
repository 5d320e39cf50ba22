#include "CommandLine.h"

#include "core/io/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>

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
               "      --sans-question     Personne ne répond : les messages du programme\n"
               "                          vont sur la sortie d'erreur et chaque question\n"
               "                          reçoit « Non ».\n"
               "  -v, --version           Affiche la révision du programme et s'arrête.\n"
               "  -h, --help              Affiche cette aide et s'arrête.\n"
               "\n"
               "Sans --dir, le programme range ses fichiers dans\n"
               "  %3\n"
               "Un seul programme à la fois peut travailler sur un répertoire.\n"
               "Le mode d'emploi s'ouvre depuis le menu « Aide » de la fenêtre de saisie.\n")
        .arg(QLatin1String(programName), revisionText, userData);
}

void print(FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

QStringList commandLineArguments(int argc, char **argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

std::optional<int> answerInformationRequest(const QStringList &arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QLatin1String("--"))
            break;
        if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            print(stdout, QStringLiteral("%1 %2\n").arg(QLatin1String(programName),
                                                        revisionText.trimmed()));
            return 0;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h") ||
            arg == QLatin1String("-?")) {
            print(stdout, helpText());
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<StartOptions> readCommandLine(const QStringList &arguments) {
    // The options QGuiApplication, QApplication and the X11 platform take out of the command
    // line themselves, written with one dash or two; "-style=fusion" gives its value after "=".
    static const QStringList qtOptionsWithValue =
        QStringLiteral("platform platformpluginpath platformtheme plugin qwindowgeometry "
                       "qwindowicon qwindowtitle session display geometry title icon name visual "
                       "style stylesheet qmljsdebugger")
            .split(QLatin1Char(' '));
    static const QStringList qtFlags =
        QStringLiteral("reverse widgetcount nograb dograb sync testability")
            .split(QLatin1Char(' '));

    const auto refuse = [](const QString &cause) {
        print(stderr, QStringLiteral("%1 : %2\nEssayez « %1 --help ».\n")
                          .arg(QLatin1String(programName), cause));
        return std::optional<StartOptions>();
    };
    StartOptions options;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-"))
            return refuse(QStringLiteral("argument inattendu « %1 »").arg(arg));
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const QString word = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? word : word.left(equals);
        const bool isDir = name == QLatin1String("dir") || name == QLatin1String("d");
        if (isDir || qtOptionsWithValue.contains(name)) {
            QString value;
            if (equals >= 0)
                value = word.mid(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            if (value.isEmpty())
                return refuse(QStringLiteral("valeur manquante après « %1 »").arg(arg));
            if (isDir)
                options.directory = value;
            continue;
        }
        if (word == QLatin1String("sans-question")) {
            options.unattended = true;
            continue;
        }
        if (qtFlags.contains(word))
            continue;
        return refuse(QStringLiteral("option inconnue « %1 »").arg(arg));
    }
    return options;
}

} // namespace zep
