#pragma once

#include <QString>

#include <memory>

#include <zip.h>

namespace zep::ziplib {

// The libzip calls the data archives make.
#define ZEP_ZIP_CALLS(X)                                                                           \
    X(zip_close)                                                                                   \
    X(zip_discard)                                                                                 \
    X(zip_error_code_zip)                                                                          \
    X(zip_error_fini)                                                                              \
    X(zip_error_init)                                                                              \
    X(zip_fclose)                                                                                  \
    X(zip_file_add)                                                                                \
    X(zip_file_get_error)                                                                          \
    X(zip_file_set_mtime)                                                                          \
    X(zip_fopen_index)                                                                             \
    X(zip_fread)                                                                                   \
    X(zip_get_error)                                                                               \
    X(zip_get_name)                                                                                \
    X(zip_get_num_entries)                                                                         \
    X(zip_open)                                                                                    \
    X(zip_open_from_source)                                                                        \
    X(zip_set_file_compression)                                                                    \
    X(zip_source_buffer)                                                                           \
    X(zip_source_buffer_create)                                                                    \
    X(zip_source_close)                                                                            \
    X(zip_source_error)                                                                            \
    X(zip_source_free)                                                                             \
    X(zip_source_keep)                                                                             \
    X(zip_source_open)                                                                             \
    X(zip_source_read)                                                                             \
    X(zip_source_seek)                                                                             \
    X(zip_source_tell)                                                                             \
    X(zip_stat_index)                                                                              \
    X(zip_stat_init)

/// libzip's calls, found in the library loaded at the first archive written or read rather than
/// at start: the program opens its first window without the archive library and what it
/// brings (compression and cryptography libraries).
struct Calls {
#define ZEP_ZIP_MEMBER(name) decltype(&::name) name = nullptr;
    ZEP_ZIP_CALLS(ZEP_ZIP_MEMBER)
#undef ZEP_ZIP_MEMBER
};

/// The calls of the installed libzip ("libzip.so.4"), loaded once, from any thread; nullptr
/// when the library or one of its calls cannot be found (`missingMessage` says so).
const Calls *calls();

/// The calls of the library `fileName`, loaded anew; nothing when the library or one of the
/// calls is missing.
std::unique_ptr<const Calls> load(const char *fileName);

/// "La bibliothèque libzip (paquet libzip4) est introuvable…": why no archive can be made.
QString missingMessage();

} // namespace zep::ziplib
