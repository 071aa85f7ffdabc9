# Installs the program as a Linux desktop program and makes the Debian package
# (bash scripts/package.sh): the executables in bin/, the defaults the user's own folder is
# made from and the pictures in share/envalo/, the menu entry, the icons, the AppStream
# metadata, the manual pages and the shell completion.
include(GNUInstallDirs)

set(ENVALO_SHARE_BUILD "${CMAKE_BINARY_DIR}/packaging")
set(ENVALO_PACKAGE_SOURCE "${PROJECT_SOURCE_DIR}/package")
set(ENVALO_ICON_SIZES 16 24 32 48 64 128 256)

# The address books shipped: the sample one, copied into a new user's folder, and an empty one.
add_custom_command(
  OUTPUT "${ENVALO_SHARE_BUILD}/Convert.mdb" "${ENVALO_SHARE_BUILD}/Convert-empty.mdb"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${ENVALO_SHARE_BUILD}"
  COMMAND ${CMAKE_COMMAND} -E rm -f "${ENVALO_SHARE_BUILD}/Convert.mdb"
          "${ENVALO_SHARE_BUILD}/Convert-empty.mdb"
  COMMAND envalo_makedb "${ENVALO_SHARE_BUILD}/Convert.mdb" "${PROJECT_SOURCE_DIR}/data/schema.sql"
          "${PROJECT_SOURCE_DIR}/data/sample.sql"
  COMMAND envalo_makedb "${ENVALO_SHARE_BUILD}/Convert-empty.mdb"
          "${PROJECT_SOURCE_DIR}/data/schema.sql"
  DEPENDS envalo_makedb "${PROJECT_SOURCE_DIR}/data/schema.sql" "${PROJECT_SOURCE_DIR}/data/sample.sql"
  VERBATIM)

# The icon's PNG sizes, drawn from the SVG by librsvg.
find_program(ENVALO_RSVG_CONVERT rsvg-convert)
set(ENVALO_ICON_PNGS)
foreach(size IN LISTS ENVALO_ICON_SIZES)
  set(png "${ENVALO_SHARE_BUILD}/icons/${size}x${size}/envalo.png")
  add_custom_command(
    OUTPUT "${png}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${ENVALO_SHARE_BUILD}/icons/${size}x${size}"
    COMMAND "${ENVALO_RSVG_CONVERT}" -w ${size} -h ${size} -o "${png}"
            "${ENVALO_PACKAGE_SOURCE}/envalo.svg"
    DEPENDS "${ENVALO_PACKAGE_SOURCE}/envalo.svg"
    VERBATIM)
  list(APPEND ENVALO_ICON_PNGS "${png}")
endforeach()

# The manual pages (envalo-cli's made from its --help) and the changelog, compressed as
# Debian keeps them.
add_custom_command(
  OUTPUT "${ENVALO_SHARE_BUILD}/envalo-cli.1"
  COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:envalo-cli>
          -DTEMPLATE=${ENVALO_PACKAGE_SOURCE}/envalo-cli.1.in
          -DOUTPUT=${ENVALO_SHARE_BUILD}/envalo-cli.1 -P "${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake"
  DEPENDS envalo-cli "${ENVALO_PACKAGE_SOURCE}/envalo-cli.1.in" "${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake"
  VERBATIM)
configure_file("${ENVALO_PACKAGE_SOURCE}/ru.envalo.Envalo.metainfo.xml.in"
               "${ENVALO_SHARE_BUILD}/ru.envalo.Envalo.metainfo.xml" @ONLY)
configure_file("${ENVALO_PACKAGE_SOURCE}/changelog.in" "${ENVALO_SHARE_BUILD}/changelog" @ONLY)
set(ENVALO_COMPRESSED)
foreach(file envalo.1 envalo-cli.1 changelog)
  if(file STREQUAL "envalo.1")
    set(source "${ENVALO_PACKAGE_SOURCE}/envalo.1")
  else()
    set(source "${ENVALO_SHARE_BUILD}/${file}")
  endif()
  add_custom_command(
    OUTPUT "${ENVALO_SHARE_BUILD}/${file}.gz"
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh "${source}" "${ENVALO_SHARE_BUILD}/${file}.gz"
    DEPENDS "${source}"
    VERBATIM)
  list(APPEND ENVALO_COMPRESSED "${ENVALO_SHARE_BUILD}/${file}.gz")
endforeach()

add_custom_target(envalo_share ALL
  DEPENDS "${ENVALO_SHARE_BUILD}/Convert.mdb" ${ENVALO_ICON_PNGS} ${ENVALO_COMPRESSED})

install(TARGETS envalo envalo-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES "${PROJECT_SOURCE_DIR}/data/envalo.ini" "${ENVALO_SHARE_BUILD}/Convert.mdb"
              "${ENVALO_SHARE_BUILD}/Convert-empty.mdb"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/envalo)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/images" DESTINATION ${CMAKE_INSTALL_DATADIR}/envalo)
install(FILES "${PROJECT_SOURCE_DIR}/data/schema.sql" "${PROJECT_SOURCE_DIR}/data/sample.sql"
              "${PROJECT_SOURCE_DIR}/data/schema-postgresql.sql"
              "${PROJECT_SOURCE_DIR}/data/sharing-postgresql.sql"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/envalo/sql)
install(FILES "${ENVALO_PACKAGE_SOURCE}/ru.envalo.Envalo.desktop"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${ENVALO_SHARE_BUILD}/ru.envalo.Envalo.metainfo.xml"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES "${ENVALO_PACKAGE_SOURCE}/envalo.svg"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS ENVALO_ICON_SIZES)
  install(FILES "${ENVALO_SHARE_BUILD}/icons/${size}x${size}/envalo.png"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES "${ENVALO_SHARE_BUILD}/envalo.1.gz" "${ENVALO_SHARE_BUILD}/envalo-cli.1.gz"
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES "${ENVALO_PACKAGE_SOURCE}/envalo-cli.bash-completion"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME envalo-cli)
install(FILES "${ENVALO_PACKAGE_SOURCE}/copyright" "${ENVALO_SHARE_BUILD}/changelog.gz"
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package, made by CPack from the install rules above and the build already made.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME envalo)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Envalo developers <envalo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print addresses on postal envelopes (Russian interface)")
# CPack puts the summary above it and indents each line; an empty line parts paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "«Печать конвертов» keeps an address book of recipients and senders, lays out
the text blocks of DL, C5 and C6 envelopes and of form F119 in an editor that
shows the envelope as a picture, keeps each layout as a print profile and
prints one envelope per chosen recipient and profile on the system printer,
or into PDF files.

The address book is an SQLite file in each user's own folder or a shared
PostgreSQL database. envalo-cli prints, imports and exports from scripts.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/envalo")
# The libraries the executables link (Qt, libjpeg, libqpdf, libcups, libpq...) come from
# dpkg-shlibdeps; the Qt plugins the program loads (the SQLite and PostgreSQL drivers) and
# Qt's Russian texts do not show there. Liberation Sans has Arial's metrics, which the
# profiles' block widths were measured in; the print server is on another machine in many
# offices.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, cups")
set(CPACK_STRIP_FILES ON)
set(CPACK_SET_DESTDIR OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The menu entry, metadata and manual pages validated, the package made and passed by lintian,
# and its programs run from a temporary root on a new user's folder (scripts/check-package.sh).
add_test(NAME package_checks
  COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/check-package.sh" "${CMAKE_BINARY_DIR}")
set_tests_properties(package_checks PROPERTIES TIMEOUT 300)
