# Install rules and the Debian package. The places are fixed, not taken from GNUInstallDirs,
# because the program looks for its sheet at ../share/beatplate from its own directory.

set(BEATPLATE_MAINTAINER "The beatplate developers <beatplate@example.org>")
set(BEATPLATE_DEBIAN_REVISION 1)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS beatplate beatplate-chart DESTINATION bin)
# Installed, the program finds its sheet at ../share/beatplate from its own directory.
install(FILES ${BEATPLATE_SPRITE_SHEET} DESTINATION share/beatplate)
# Dropping charts on this entry in a file manager or on a launcher draws them in a terminal.
install(FILES packaging/beatplate.desktop DESTINATION share/applications)
# beatplate serve reads its page from here first, so that it can be changed without a build.
list(TRANSFORM BEATPLATE_WEB_FILES PREPEND web/ OUTPUT_VARIABLE BEATPLATE_WEB_PAGE_FILES)
install(FILES ${BEATPLATE_WEB_PAGE_FILES} DESTINATION share/beatplate/web)
# With the core of scripts/build-web.sh the page also draws alone, hosted by any static file
# server; the sheet and the font are the package's own, reached through relative links.
set(BEATPLATE_WEB_PAGE_DIR "" CACHE PATH "The page of scripts/build-web.sh (dist/web), if any")
if(BEATPLATE_WEB_PAGE_DIR)
  install(FILES ${BEATPLATE_WEB_PAGE_DIR}/beatplate.js ${BEATPLATE_WEB_PAGE_DIR}/beatplate.wasm
          DESTINATION share/beatplate/web)
  install(CODE "
    set(web \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/beatplate/web\")
    file(MAKE_DIRECTORY \"\${web}/fonts\")
    file(CREATE_LINK ../pic.png \"\${web}/pic.png\" SYMBOLIC)
    file(CREATE_LINK ../../../fonts/opentype/ipafont-gothic/ipag.ttf \"\${web}/fonts/ipag.ttf\"
         SYMBOLIC)")
endif()

# Debian wants man pages and changelogs compressed with gzip -9n: best, and no name or time
# stamp in the header, so that the package builds the same bytes twice.
find_program(BEATPLATE_GZIP gzip REQUIRED)
function(beatplate_gzip source output)
  string(REGEX REPLACE "\\.gz$" "" copy ${output})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${BEATPLATE_GZIP} -9nf ${copy}
    DEPENDS ${source}
    VERBATIM)
endfunction()
set(BEATPLATE_COMPRESSED)
foreach(page beatplate.1 beatplate-chart.1)
  beatplate_gzip(${PROJECT_SOURCE_DIR}/man/${page} ${PROJECT_BINARY_DIR}/man/${page}.gz)
  list(APPEND BEATPLATE_COMPRESSED ${PROJECT_BINARY_DIR}/man/${page}.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.gz DESTINATION share/man/man1)
endforeach()
beatplate_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog
               ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
list(APPEND BEATPLATE_COMPRESSED ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_target(compressed_docs ALL DEPENDS ${BEATPLATE_COMPRESSED})

# The newest changelog entry names the package's version; a forgotten entry stops the build here.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog BEATPLATE_CHANGELOG_TOP LIMIT_COUNT 1)
set(BEATPLATE_DEBIAN_VERSION ${PROJECT_VERSION}-${BEATPLATE_DEBIAN_REVISION})
if(NOT BEATPLATE_CHANGELOG_TOP MATCHES "^beatplate \\(${BEATPLATE_DEBIAN_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog does not begin with version ${BEATPLATE_DEBIAN_VERSION}")
endif()

# The copyright file carries LICENSE's permission text in the machine-readable layout: each
# line indented by one space, an empty line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE BEATPLATE_LICENSE)
string(FIND "${BEATPLATE_LICENSE}" "Permission is hereby granted" BEATPLATE_LICENSE_START)
if(BEATPLATE_LICENSE_START LESS 0)
  message(FATAL_ERROR "LICENSE holds no permission text")
endif()
string(SUBSTRING "${BEATPLATE_LICENSE}" ${BEATPLATE_LICENSE_START} -1 BEATPLATE_LICENSE_TEXT)
string(REGEX REPLACE "\n+$" "" BEATPLATE_LICENSE_TEXT "${BEATPLATE_LICENSE_TEXT}")
string(REPLACE "\n" "\n " BEATPLATE_LICENSE_TEXT " ${BEATPLATE_LICENSE_TEXT}")
string(REPLACE "\n \n" "\n .\n" BEATPLATE_LICENSE_TEXT "${BEATPLATE_LICENSE_TEXT}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in
               ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright
              ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
        DESTINATION share/doc/beatplate)
install(FILES packaging/lintian-overrides DESTINATION share/lintian/overrides RENAME beatplate)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME beatplate)
set(CPACK_PACKAGE_VENDOR "The beatplate developers")
set(CPACK_PACKAGE_CONTACT "${BEATPLATE_MAINTAINER}")
set(CPACK_BEATPLATE_STRIP "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/strip_programs.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${BEATPLATE_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BEATPLATE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "draw note charts as PNG pictures of their scores
beatplate reads a note chart, a score of timed notes written as plain text
in code page 932, and draws it as a PNG picture of the score: measures in
rows, notes, spans, tempo and scroll-speed changes, gogo sections and
branches, with the chart's title and difficulty at the top. The picture
carries the whole chart text, so the chart travels with its picture;
beatplate-chart gets it back out.")
# The header text needs a Japanese font; the libraries come from the binaries themselves.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
find_program(BEATPLATE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(BEATPLATE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # What dpkg-shlibdeps gives on Debian 12, for a machine without dpkg-dev.
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libc6 (>= 2.34), libfontconfig1 (>= 2.12.6), "
         "libfreetype6 (>= 2.4.10), libgcc-s1 (>= 3.0), libpng16-16 (>= 1.6.2-1), "
         "libstdc++6 (>= 11)")
endif()
include(CPack)
