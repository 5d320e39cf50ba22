#pragma once

#include "core/io/Clock.h"
#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/log/CurrentActivation.h"
#include "platform/FileChooser.h"
#include "platform/Printer.h"

#include <QString>

namespace zep {

/// What the windows opened from the entry window's menus are given: the program directory,
/// the current activation (the setup window), the settings, the message boxes, the printers,
/// the save dialog and the clock. Real adapters in the program, doubles in tests.
struct WindowServices {
    QString programDir;
    const ActivationSource &activation;
    SettingsStore &settings;
    Dialogs &dialogs;
    PrintService &printing;
    FileChooser &files;
    Clock &clock = systemClock();
};

} // namespace zep
