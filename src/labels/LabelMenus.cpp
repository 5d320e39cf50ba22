#include "labels/LabelMenus.h"

#include "labels/Select_QSO.h"
#include "platform/EntryDoor.h"

#include <QAction>

#include <memory>

namespace zep {

void connectLabelWindows(EntryDoor &entry, const WindowServices &services) {
    // The opener lives as long as the menu item's connection, that is as long as the window.
    auto opener = std::make_shared<SelectionWindowOpener>(services);
    QAction *item = entry.addMenuItem(EntryMenu::Labels, QStringLiteral("Mnu_Etiquettes"),
                                      QStringLiteral("Imprimer les étiquettes pour QSL"));
    QObject::connect(item, &QAction::triggered, item, [opener] { opener->open(); });
}

} // namespace zep
