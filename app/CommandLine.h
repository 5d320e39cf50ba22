#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <optional>

namespace zep {

/// "--help" and "--version" are answered on the terminal before any window is made, so they
/// work without a screen (over ssh, in a package check). Returns the exit code when one of them
/// was asked for.
std::optional<int> answerInformationRequest(int argc, char **argv);

/// Reads the options of a normal start into `parser`; an unknown option is reported in French
/// on the error output and gives false.
bool parseCommandLine(QCommandLineParser &parser, const QCommandLineOption &dirOption);

/// The "--dir" option.
QCommandLineOption directoryOption();

} // namespace zep
