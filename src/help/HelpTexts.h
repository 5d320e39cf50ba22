#pragma once

#include <QString>

namespace zep {

/// The version history shown by "Historique": one line per release, oldest first, each
/// ended by CR LF.
QString historyText();

/// The About box: name and revision, an empty line, the credit line, then the credits of the
/// data the program ships (the map and the prefix table).
QString aboutText();

/// The project's web site, named in the caption of the update window.
QString projectSiteAddress();

/// The page that tells which revision is the latest and where to get it.
QString updatePageAddress();

} // namespace zep
