# Install rules and the Debian package: the three programs, the desktop entry, the icon, the
# AppStream metainfo, the man pages and the bash completion of tiltctl. The data files live in
# packaging/; what is made from them (PNG icons, gzipped man pages) is made by the normal build,
# so that `cmake --install` and `cpack` only copy.
include(GNUInstallDirs)

set(TILT_APP_ID io.github.tiltavarometer.Tiltavarometer)
set(tilt_packaging_source ${PROJECT_SOURCE_DIR}/packaging)
set(tilt_packaging_out ${PROJECT_BINARY_DIR}/packaging)
set(tilt_packaging_made)

install(TARGETS tiltavarometer tiltctl tiltsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${tilt_packaging_source}/tiltavarometer.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${tilt_packaging_source}/${TILT_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${tilt_packaging_source}/bash-completion/tiltctl
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${tilt_packaging_source}/README.Debian
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The icon: the SVG as drawn, and PNGs rendered from it for the sizes desktops look up first.
set(tilt_icon ${tilt_packaging_source}/icons/tiltavarometer.svg)
install(FILES ${tilt_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(TILT_RSVG_CONVERT rsvg-convert)
if(TILT_RSVG_CONVERT)
  foreach(size IN ITEMS 16 32 48 64 128 256)
    set(png ${tilt_packaging_out}/icons/${size}x${size}/tiltavarometer.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${tilt_packaging_out}/icons/${size}x${size}
      COMMAND ${TILT_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${tilt_icon}
      DEPENDS ${tilt_icon}
      COMMENT "Rendering the ${size}x${size} icon"
      VERBATIM)
    list(APPEND tilt_packaging_made ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert (librsvg2-bin) not found: the install and the package get the "
                  "SVG icon only. scripts/setup.sh installs it.")
endif()

# The man pages, gzipped. tiltctl's lists of options and commands come from its --help.
set(tilt_make_page ${tilt_packaging_source}/man/make_page.sh)
foreach(program IN ITEMS tiltavarometer tiltctl tiltsim)
  set(page ${tilt_packaging_out}/man/${program}.1.gz)
  set(template ${tilt_packaging_source}/man/${program}.1.in)
  set(help_from)
  set(help_depends)
  if(program STREQUAL "tiltctl")
    set(help_from $<TARGET_FILE:tiltctl>)
    set(help_depends tiltctl)
  endif()
  add_custom_command(OUTPUT ${page}
    # A sanitizer build's tiltctl should not fail the page over Qt's leaks at exit.
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
      sh ${tilt_make_page} ${template} ${page} ${PROJECT_VERSION} ${help_from}
    DEPENDS ${template} ${tilt_make_page} ${tilt_packaging_source}/man/help_to_man.awk
      ${help_depends}
    COMMENT "Writing the ${program}(1) man page"
    VERBATIM)
  list(APPEND tilt_packaging_made ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

add_custom_target(tilt_packaging_files ALL DEPENDS ${tilt_packaging_made})

# The Debian package: tiltavarometer_<version>_<arch>.deb in the build folder
# (`cmake --build <dir> --target package`, or scripts/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tiltavarometer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(TILT_PACKAGE_MAINTAINER "Tiltavarometer developers <tiltavarometer@localhost>"
  CACHE STRING "The Maintainer of the Debian package: name <e-mail>")
set(CPACK_PACKAGE_VENDOR "Tiltavarometer developers")
set(CPACK_PACKAGE_CONTACT "${TILT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "PC companion for the Tiltavarometer inclination datalogger")
# No double quotes in here: CPack writes the text into a quoted CMake string.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Connect to a Tiltavarometer logger over its RS-232 line, configure and
calibrate it, launch a logging session, download its memory into data files
and view them as graphs.

The package holds three programs: tiltavarometer, the desktop program;
tiltctl, the same device operations from a terminal, for scripts and field
laptops; and tiltsim, a simulated logger on a pseudo-terminal, for anyone
without the hardware.

To open serial ports without root, join the dialout group once with
sudo usermod -aG dialout $USER, then log out and in again.]=])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its SQLite driver as a plugin, which the library scan cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
