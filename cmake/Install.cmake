# Installing like a desktop program: the executable in bin/, the user guide and the data files
# in share/zep-rozadovev/, a desktop entry and a scalable icon where the desktop's application
# menu finds them. The program finds its guide through this layout (src/core/io/ShippedFiles.h);
# its users' data are in their own data directory wherever it runs from.
include(GNUInstallDirs)

# The revision has one definition, in the program; the package takes its version from there.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/core/io/Settings.h _zep_revision_line
     REGEX "revisionText = QStringLiteral")
string(REGEX MATCH "\" *([0-9][0-9A-Za-z.]*)\"" _zep_match "${_zep_revision_line}")
if(NOT CMAKE_MATCH_1)
    message(FATAL_ERROR "The program's revision was not found in src/core/io/Settings.h")
endif()
set(ZEP_REVISION ${CMAKE_MATCH_1})

set(ZEP_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/zep-rozadovev)

install(TARGETS zep-rozadovev RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The radio helper is started by the program, never by a person: it goes where the program looks
# for it (bin/../libexec/zep-rozadovev/), out of the command path, and needs no manual page.
install(TARGETS zep-rozadovev-poste zep-rozadovev-voix RUNTIME
        DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/zep-rozadovev)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help DESTINATION ${ZEP_SHARE_DIR})
# The prefix table and the map come from other parts of the tree; each is installed when
# present.
foreach(_zep_data Continents_DXCC.csv france-departments.svg Regles_Validite.csv README.md)
    if(EXISTS ${PROJECT_SOURCE_DIR}/data/${_zep_data})
        install(FILES ${PROJECT_SOURCE_DIR}/data/${_zep_data} DESTINATION ${ZEP_SHARE_DIR})
    endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/data/zep-rozadovev.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/zep-rozadovev.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(ZEP_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zep-rozadovev)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${ZEP_DOC_DIR})

# What the distribution asks of a package (packaging/): the machine-readable copyright file,
# the Debian changelog and the French manual page, both compressed as dh_compress would
# (gzip -9n: no name, no time stamp, so the same tree gives the same bytes), and the AppStream
# metadata that software centres read.
find_program(ZEP_GZIP gzip REQUIRED)
set(_zep_packaging ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_zep_packaging})
foreach(_zep_doc changelog.Debian zep-rozadovev.1)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/${_zep_doc}.in ${_zep_packaging}/${_zep_doc}
                   @ONLY)
    execute_process(COMMAND ${ZEP_GZIP} -9nf ${_zep_packaging}/${_zep_doc}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${_zep_packaging}/changelog.Debian.gz
        DESTINATION ${ZEP_DOC_DIR})
install(FILES ${_zep_packaging}/zep-rozadovev.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.example.zep.rozadovev.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zep-rozadovev.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME zep-rozadovev)

set(CPACK_PACKAGE_NAME zep-rozadovev)
set(CPACK_PACKAGE_VERSION ${ZEP_REVISION})
set(CPACK_PACKAGE_VENDOR "ZEP_Rozadovev")
set(CPACK_PACKAGE_CONTACT "ZEP_Rozadovev <zep-rozadovev@zep.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "logbook for amateur-radio activations (French interface)")
# The extended description as dpkg shows it: lines of at most 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Records an activation (one or two award references), takes the QSOs from\n\
the keyboard with shape and duplicate checks, keeps one fixed-width log per\n\
reference, and produces listings, ADIF and traffic-report exports, the\n\
countries and departments worked, and printed QSL labels. The user interface\n\
and the user guide are in French.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY zep-rozadovev)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zep.example.org/")
# The libraries come from dpkg-shlibdeps; Qt's SVG icon engine and the font with Courier New's
# metrics are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libzip4 is loaded at the program's first archive (dlopen): the dependency scan cannot see it.
# curl speaks HTTP to POTA's spot list for the program, which maps no network library.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, fonts-liberation2, libzip4, curl")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
