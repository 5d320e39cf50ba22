#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace zep {

/// The command line as the program received it, the program's name first.
QStringList commandLineArguments(int argc, char **argv);

/// "--help" and "--version" are answered on the terminal before any window is made, so they
/// work without a screen (over ssh, in a package check). Returns the exit code when one of them
/// was asked for.
std::optional<int> answerInformationRequest(const QStringList &arguments);

/// What a normal start was asked for.
struct StartOptions {
    QString directory; ///< "--dir", empty when not given
    /// "--sans-question": nobody watches the run (tests, a scripted start). The program's
    /// messages and questions go to the error output, every question answered "Non".
    bool unattended = false;
};

/// Reads the options of a normal start. It runs before the application object is made, so
/// that a wrong option is refused in French even where no screen could be opened; the options
/// of Qt's own ("-platform offscreen", "-style fusion"...) are left for the application object.
/// A wrong command line is reported on the error output and gives nothing.
std::optional<StartOptions> readCommandLine(const QStringList &arguments);

} // namespace zep
