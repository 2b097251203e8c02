# The core in the browser, built by emscripten (scripts/build-web.sh): the folder libraries every
# build takes (cmake/folder_libraries.cmake) on the platform of src/platform/web (no files, one
# thread), behind the few calls of src/web that the page's script makes. zlib, libpng and
# FreeType come from scripts/web-deps.sh.
set(BEATPLATE_WEB_PREFIX "" CACHE PATH "The prefix scripts/web-deps.sh printed")
if(NOT EXISTS "${BEATPLATE_WEB_PREFIX}/lib/libfreetype.a")
  message(FATAL_ERROR "zlib, libpng and FreeType for the browser are missing: "
                      "give -DBEATPLATE_WEB_PREFIX=$(scripts/web-deps.sh)")
endif()

# Chart errors are exceptions caught inside the reader, so everything is built to catch them.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

# The libraries built by scripts/web-deps.sh, under the names the other builds find them by.
add_library(ZLIB::ZLIB INTERFACE IMPORTED)
target_link_libraries(ZLIB::ZLIB INTERFACE ${BEATPLATE_WEB_PREFIX}/lib/libz.a)
target_include_directories(ZLIB::ZLIB SYSTEM INTERFACE ${BEATPLATE_WEB_PREFIX}/include)
add_library(PNG::PNG INTERFACE IMPORTED)
target_link_libraries(PNG::PNG INTERFACE ${BEATPLATE_WEB_PREFIX}/lib/libpng16.a ZLIB::ZLIB)
add_library(beatplate_freetype INTERFACE)
target_include_directories(beatplate_freetype SYSTEM INTERFACE
  ${BEATPLATE_WEB_PREFIX}/include/freetype2)
target_link_libraries(beatplate_freetype INTERFACE ${BEATPLATE_WEB_PREFIX}/lib/libfreetype.a
  ZLIB::ZLIB)
add_library(beatplate_json INTERFACE)
target_include_directories(beatplate_json SYSTEM INTERFACE ${BEATPLATE_WEB_PREFIX}/include)

# The native builds check the floors; this one builds the libraries only.
set(BEATPLATE_LAYER_CHECKS OFF)
include(cmake/layers.cmake)

# The platform of the browser: bytes in memory for files, one thread, no font lookup, and the
# code page tables of our own, as the C library has no converter.
set(BEATPLATE_PLATFORM web)
file(GLOB BEATPLATE_PLATFORM_SOURCES CONFIGURE_DEPENDS src/platform/web/*.cpp)
list(FILTER BEATPLATE_PLATFORM_SOURCES EXCLUDE REGEX ".*/text_font_lookup\\.cpp$")
list(APPEND BEATPLATE_PLATFORM_SOURCES src/platform/tables/iconv.cpp
  src/platform/cp932_table.cpp src/platform/cp932_lookup.cpp src/platform/iconv.cpp)
beatplate_layer_library(beatplate_platform FOLDER platform SOURCES ${BEATPLATE_PLATFORM_SOURCES})
beatplate_layer_library(beatplate_font_lookup FOLDER platform
                        SOURCES src/platform/web/text_font_lookup.cpp LINKS beatplate_platform)

include(cmake/folder_libraries.cmake)

set(BEATPLATE_WEB_EXPORTS
  _beatplate_create _beatplate_destroy _beatplate_input _beatplate_argument _beatplate_load_sheet
  _beatplate_load_font _beatplate_draw _beatplate_check _beatplate_figures _beatplate_sound
  _beatplate_voices _beatplate_chart_of
  _beatplate_read_chart_file _beatplate_write_chart_file _beatplate_answer_json
  _beatplate_answer_files _beatplate_answer_file _beatplate_answer_file_size)
string(REPLACE ";" "," BEATPLATE_WEB_EXPORT_LIST "${BEATPLATE_WEB_EXPORTS}")

add_executable(beatplate_wasm src/web/main.cpp)
set_target_properties(beatplate_wasm PROPERTIES OUTPUT_NAME beatplate SUFFIX .js)
target_link_libraries(beatplate_wasm PRIVATE beatplate_warnings beatplate_web)
# The script defines window.beatplate around the module, which it starts in a worker of its
# own: one file for the page and the worker, and the wasm beside it.
target_link_options(beatplate_wasm PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=createBeatplateCore -sENVIRONMENT=web,worker
  -sFILESYSTEM=0 -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=4GB
  -sEXPORTED_FUNCTIONS=${BEATPLATE_WEB_EXPORT_LIST}
  -sEXPORTED_RUNTIME_METHODS=UTF8ToString
  --extern-post-js ${PROJECT_SOURCE_DIR}/web/beatplate_api.js)
set_property(TARGET beatplate_wasm APPEND PROPERTY LINK_DEPENDS
  ${PROJECT_SOURCE_DIR}/web/beatplate_api.js)

# The page as a static site: its files, the core, our sprite sheet, and the header face the
# Linux program finds through fontconfig, IPAGothic, with its licence.
set(BEATPLATE_HEADER_FONT /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf CACHE FILEPATH
    "The header face the page draws with")
set(BEATPLATE_HEADER_FONT_LICENCE /usr/share/doc/fonts-ipafont-gothic/copyright CACHE FILEPATH
    "Its copyright and licence")
set(BEATPLATE_PAGE_DIR ${PROJECT_BINARY_DIR}/page)
set_target_properties(beatplate_wasm PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BEATPLATE_PAGE_DIR})
set(BEATPLATE_PAGE_SOURCES)
foreach(name ${BEATPLATE_WEB_FILES})
  list(APPEND BEATPLATE_PAGE_SOURCES ${PROJECT_SOURCE_DIR}/web/${name})
endforeach()
add_custom_target(web_page ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BEATPLATE_PAGE_DIR}/fonts
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${BEATPLATE_PAGE_SOURCES}
          ${PROJECT_SOURCE_DIR}/assets/pic.png ${BEATPLATE_PAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${BEATPLATE_HEADER_FONT}
          ${BEATPLATE_PAGE_DIR}/fonts/ipag.ttf
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${BEATPLATE_HEADER_FONT_LICENCE}
          ${BEATPLATE_PAGE_DIR}/fonts/LICENSE-IPAfont.txt
  DEPENDS beatplate_wasm ${BEATPLATE_PAGE_SOURCES}
  COMMENT "Putting the page together in ${BEATPLATE_PAGE_DIR}")
