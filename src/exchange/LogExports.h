#pragma once

#include "platform/WindowServices.h"

#include <QString>

#include <optional>

namespace zep {

class EntryDoor;
struct CurrentActivation;

/// Whether `path` is the log file of one of the activation's references, which an export
/// must never be written over.
bool isActivityLog(const QString &programDir, const CurrentActivation &a, const QString &path);

/// Where the ADIF dialogs open the first time: the user's documents folder, else home.
QString adifStartFolder();

/// "Erreur ", the system's error number after one more blank, then the French cause: how the
/// ADIF windows report a file that cannot be read or written.
QString adifErrorMessage(int code, const QString &cause);

/// The two exports of the entry window's "Fichiers" menu, on the log of the first reference:
/// the ADIF file, wherever the operator chooses to save it, and the traffic report
/// "<reference>.ctf" in the program directory. Every file goes through the crash-safe write,
/// so a failed export leaves no cut file behind and an earlier file as it was.
class LogExports {
public:
    LogExports(EntryDoor &entry, const WindowServices &services);

    /// "Exporter au format ADIF": shows the title above the QSO list, asks for the file, writes it
    /// and says where. The path written, or nothing (cancelled, refused or failed).
    std::optional<QString> exportAdif();

    /// "Exporter au format C_Trafic": writes "<reference>.ctf" over any earlier one and says
    /// so. The path written, or nothing when it failed.
    std::optional<QString> exportTrafficReport();

private:
    struct LogBytes {
        bool ok = false;
        QByteArray bytes;
        int code = 0;
        QString message;
    };
    LogBytes readLog() const;

    EntryDoor &entry_;
    WindowServices services_;
    QString adifDir_; ///< where the last ADIF file went, proposed again for the next one
};

} // namespace zep
