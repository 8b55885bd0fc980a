#pragma once

#include <QString>

namespace tarvel::app {

// The program's title (task bar, standard error box); window captions stay as each window has them.
inline const QString ApplicationTitle = QStringLiteral("OPZ-STAT-1 evidencija računa");

// The program's fixed number and date conventions, whatever the system's regional settings:
// ',' decimal and '.' thousands separator, dates "dd.MM.yyyy", times "HH:mm:ss".
void fixFormats();

// Creates "xml", "xml_out", "xml_in" and "tecaj" in the program folder when they are missing.
// Returns false when one of them could not be made.
bool createWorkingFolders();

} // namespace tarvel::app
