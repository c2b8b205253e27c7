# What `cmake --install` puts where (GNUInstallDirs, relative to the prefix),
# and the Debian package built from it (`make package`):
#   bin/OrvaScope, bin/orvascope (link), bin/orvaboard-probe
#   lib/liborvaboard.so.0, libSigdex.so.0, libSigdexP.so.0, libMensajes.so.0
#       with their development links and lib/pkgconfig/orvaboard.pc, sigdex.pc;
#       lib/liborva_manager.so.0 (private, no link)
#   include/orvaboard.h, orvaboard_sim.h, Sigdex.h
#   share/orvascope/      the templates (app/storage)
#   share/applications/orvascope.desktop, share/icons/hicolor/scalable/apps/orvascope.svg
#   share/man/man1/orvascope.1.gz
#   share/doc/orvascope/copyright (GPL-3.0-or-later, as Debian lays it out)
# Programs find the libraries relative to themselves ($ORIGIN/../lib), so an
# installed tree works from wherever it is unpacked.
include(GNUInstallDirs)
set(ORVA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

foreach(lib IN ITEMS orvaboard Sigdex SigdexP Mensajes)
  if(TARGET ${lib})
    set_target_properties(${lib} PROPERTIES
      VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
      INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${lib} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  endif()
endforeach()
# The component registry the program and the messages library share: private,
# so no development link.
if(TARGET orva_manager)
  set_target_properties(orva_manager PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} INSTALL_RPATH "$ORIGIN")
  install(TARGETS orva_manager LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
endif()
if(TARGET orvaboard-probe)
  set_target_properties(orvaboard-probe PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS orvaboard-probe RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The licence: OrvaScope is GPL-3.0-or-later (it links libsigrok, which is).
install(FILES ${ORVA_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvascope)

# The two exported libraries' headers and pkg-config files.
install(FILES board/include/orvaboard.h board/include/orvaboard_sim.h dsp/include/Sigdex.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
foreach(pc IN ITEMS orvaboard sigdex)
  configure_file(${ORVA_PACKAGING_DIR}/${pc}.pc.in ${CMAKE_BINARY_DIR}/packaging/${pc}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

if(TARGET OrvaScope)
  # The command under its lower-case name, as desktop entries and shells expect.
  install(CODE "file(CREATE_LINK OrvaScope
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/orvascope\" SYMBOLIC)")
  install(FILES ${ORVA_PACKAGING_DIR}/orvascope.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${ORVA_PACKAGING_DIR}/orvascope.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The man page, compressed as Debian keeps them (-n: no time stamp, so the
  # package is the same from one build to the next).
  configure_file(${ORVA_PACKAGING_DIR}/orvascope.1 ${CMAKE_BINARY_DIR}/packaging/orvascope.1 @ONLY)
  set(man_gz ${CMAKE_BINARY_DIR}/packaging/orvascope.1.gz)
  add_custom_command(OUTPUT ${man_gz}
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/orvascope.1 > ${man_gz}
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/orvascope.1
    COMMENT "Compressing the man page")
  add_custom_target(orva_man_page ALL DEPENDS ${man_gz})
  install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# ---- Debian package --------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvascope)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-channel digital storage oscilloscope")
set(CPACK_PACKAGE_DESCRIPTION
  "OrvaScope turns a PC into a two-channel digital storage oscilloscope for the\n"
  "maker's ISA acquisition boards, with measurements, cursors, spectrum and XY\n"
  "views, stored traces and configurations, CSV and WAV export and a remote\n"
  "mode over the LAN. Without a board it runs on its demonstration generator\n"
  "or on a register-level simulated board.")
list(JOIN CPACK_PACKAGE_DESCRIPTION "" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "OrvaScope developers <orvascope@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies from the libraries the binaries link (dpkg-shlibdeps); our own
# libraries are in the package and are found in the staging tree.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What Qt loads at run time, which the scan of linked libraries cannot see:
# the SVG image plugin that draws the tool bar's pictures (libqt6svg6) and
# Qt's own translations for its dialogs and buttons (qt6-translations-l10n).
# The platform plugins (xcb for the desktop, offscreen for the headless run)
# come with libqt6gui6, which the scan finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The sound input reaches the desktop's sound server through Qt Multimedia's
# PulseAudio client (libqt6multimedia6 comes from the shared-library
# dependencies); a PipeWire desktop serves it with pipewire-pulse.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The only maintainer scripts are the library cache refresh (ldconfig in
# postinst and postrm) of the shared libraries (GENERATE_SHLIBS); nothing
# grants the port capability
# (see the man page and README for the setcap line).
include(CPack)

# The install tree holds what the program needs and runs from where it lies:
# installed into a scratch prefix inside the build folder, then checked.
if(ORVA_BUILD_TESTS AND TARGET OrvaScope)
  set(tree ${CMAKE_BINARY_DIR}/install-test)
  add_test(NAME install_tree
    COMMAND sh -c "rm -rf '${tree}' && '${CMAKE_COMMAND}' --install '${CMAKE_BINARY_DIR}' --prefix '${tree}/usr' >/dev/null && '${PROJECT_SOURCE_DIR}/scripts/check-package.sh' --tree '${tree}'")
  set(check_flags "")
  if(ORVA_SANITIZE)
    set(check_flags "-fsanitize=address,undefined")
  endif()
  set_tests_properties(install_tree PROPERTIES LABELS package ENVIRONMENT "CXXFLAGS=${check_flags}")
endif()
