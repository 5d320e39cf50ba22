#include "labels/LabelMenus.h"

#include "entry/Saisie_QSO.h"
#include "labels/Select_QSO.h"

#include <QAction>

#include <memory>

namespace zep {

void connectLabelWindows(Saisie_QSO &entry, const WindowServices &services) {
    // The opener lives as long as the menu item's connection, that is as long as the window.
    auto opener = std::make_shared<SelectionWindowOpener>(services);
    QObject::connect(entry.Mnu_Etiquettes, &QAction::triggered, &entry,
                     [opener] { opener->open(); });
}

} // namespace zep
