#include "core/backup/ZipLibrary.h"

#include <dlfcn.h>

namespace zep::ziplib {

std::unique_ptr<const Calls> load(const char *fileName) {
    // Loaded for good: the calls outlive every archive, and the library is never unloaded.
    void *library = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    auto found = std::make_unique<Calls>();
    bool complete = true;
#define ZEP_ZIP_FIND(name)                                                                         \
    found->name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name));                      \
    complete = complete && found->name;
    ZEP_ZIP_CALLS(ZEP_ZIP_FIND)
#undef ZEP_ZIP_FIND
    if (!complete)
        return nullptr;
    return found;
}

const Calls *calls() {
    static const std::unique_ptr<const Calls> loaded = load("libzip.so.4");
    return loaded.get();
}

QString missingMessage() {
    return QStringLiteral("La bibliothèque libzip (paquet libzip4) est introuvable : aucune "
                          "archive ne peut être écrite ni lue.");
}

} // namespace zep::ziplib
