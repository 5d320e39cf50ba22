#include "reports/ListingMenus.h"

#include "entry/Saisie_QSO.h"
#include "reports/Affiche_Log.h"
#include "reports/Liste_Operateurs.h"
#include "reports/Log_Alpha.h"

#include <QAction>

#include <memory>

namespace zep {

namespace {

/// The three windows of "Afficher", owned with the entry window's connections.
struct ListingWindows {
    ListingWindows(const WindowServices &services, Saisie_QSO *entry)
        : log([services, entry] { return new Affiche_Log(services, entry); }),
          alpha([services, entry] { return new Log_Alpha(services, entry); }),
          operators([services, entry] {
              // The operator list follows the log as the entry window reads it after each
              // change, for as long as it is open.
              auto *window = new Liste_Operateurs(services);
              QObject::connect(entry, &Saisie_QSO::logRefreshed, window,
                               &Liste_Operateurs::followLog);
              return window;
          }) {}
    SingleWindowOpener<Affiche_Log> log;
    SingleWindowOpener<Log_Alpha> alpha;
    SingleWindowOpener<Liste_Operateurs> operators;
};

} // namespace

void connectListingWindows(Saisie_QSO &entry, const WindowServices &services) {
    auto windows = std::make_shared<ListingWindows>(services, &entry);
    QObject::connect(entry.Mnu_Aff_Log, &QAction::triggered, &entry,
                     [windows] { windows->log.open(); });
    QObject::connect(entry.Mnu_Log_Alpha, &QAction::triggered, &entry,
                     [windows] { windows->alpha.open(); });
    QObject::connect(entry.Mnu_Liste_Op, &QAction::triggered, &entry,
                     [windows] { windows->operators.open(); });
}

} // namespace zep
