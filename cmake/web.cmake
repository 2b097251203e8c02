# The core in the browser, built by emscripten (scripts/build-web.sh): the chart reader, the
# figures, the sound's strokes and voices, the layout and drawing, the PNG encoder and the chart back out of a picture, on the
# platform of src/platform/web (no files, one thread), behind the few calls of src/web that the
# page's script makes. zlib, libpng and FreeType come from scripts/web-deps.sh.
set(BEATPLATE_WEB_PREFIX "" CACHE PATH "The prefix scripts/web-deps.sh printed")
if(NOT EXISTS "${BEATPLATE_WEB_PREFIX}/lib/libfreetype.a")
  message(FATAL_ERROR "zlib, libpng and FreeType for the browser are missing: "
                      "give -DBEATPLATE_WEB_PREFIX=$(scripts/web-deps.sh)")
endif()

add_library(beatplate_web_libraries INTERFACE)
target_include_directories(beatplate_web_libraries SYSTEM INTERFACE
  ${BEATPLATE_WEB_PREFIX}/include ${BEATPLATE_WEB_PREFIX}/include/freetype2)
target_link_libraries(beatplate_web_libraries INTERFACE ${BEATPLATE_WEB_PREFIX}/lib/libfreetype.a
  ${BEATPLATE_WEB_PREFIX}/lib/libpng16.a ${BEATPLATE_WEB_PREFIX}/lib/libz.a)
# Chart errors are exceptions caught in the reader, so they must be caught here too.
target_compile_options(beatplate_web_libraries INTERFACE -fexceptions)
target_link_options(beatplate_web_libraries INTERFACE -fexceptions)

# The folders that read and draw a chart whole, as the other builds take them, and the few files
# of the others that src/web needs.
file(GLOB BEATPLATE_WEB_SOURCES CONFIGURE_DEPENDS
  src/base/*.cpp src/chart/*.cpp src/sound/*.cpp src/image/*.cpp src/render/*.cpp src/output/*.cpp src/png/*.cpp
  src/pipeline/*.cpp src/web/*.cpp src/platform/web/*.cpp src/platform/tables/*.cpp)
list(FILTER BEATPLATE_WEB_SOURCES EXCLUDE REGEX ".*/libpng_reference\\.cpp$")
list(APPEND BEATPLATE_WEB_SOURCES
  src/platform/cp932_table.cpp src/platform/cp932_lookup.cpp src/platform/iconv.cpp
  src/load/header_font.cpp src/load/sprite_sheet.cpp
  src/extract/chart_chunk_reader.cpp src/extract/png_chunk_reader.cpp
  src/server/chart_text_form.cpp src/server/preview_json.cpp
  src/driver/picture_form_options.cpp src/cli/option_parser.cpp src/cli/console.cpp)

set(BEATPLATE_WEB_EXPORTS
  _beatplate_create _beatplate_destroy _beatplate_input _beatplate_argument _beatplate_load_sheet
  _beatplate_load_font _beatplate_draw _beatplate_check _beatplate_figures _beatplate_sound
  _beatplate_voices _beatplate_chart_of
  _beatplate_read_chart_file _beatplate_write_chart_file _beatplate_answer_json
  _beatplate_answer_files _beatplate_answer_file _beatplate_answer_file_size)
string(REPLACE ";" "," BEATPLATE_WEB_EXPORT_LIST "${BEATPLATE_WEB_EXPORTS}")

add_executable(beatplate_web ${BEATPLATE_WEB_SOURCES})
set_target_properties(beatplate_web PROPERTIES OUTPUT_NAME beatplate SUFFIX .js)
target_include_directories(beatplate_web PRIVATE src)
target_link_libraries(beatplate_web PRIVATE beatplate_warnings beatplate_web_libraries)
target_compile_definitions(beatplate_web PRIVATE BEATPLATE_VERSION="${PROJECT_VERSION}")
# The script defines window.beatplate around the module, which it starts in a worker of its
# own: one file for the page and the worker, and the wasm beside it.
target_link_options(beatplate_web PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=createBeatplateCore -sENVIRONMENT=web,worker
  -sFILESYSTEM=0 -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=4GB
  -sEXPORTED_FUNCTIONS=${BEATPLATE_WEB_EXPORT_LIST}
  -sEXPORTED_RUNTIME_METHODS=UTF8ToString
  --extern-post-js ${PROJECT_SOURCE_DIR}/web/beatplate_api.js)
set_property(TARGET beatplate_web APPEND PROPERTY LINK_DEPENDS
  ${PROJECT_SOURCE_DIR}/web/beatplate_api.js)

# The page as a static site: its files, the core, our sprite sheet, and the header face the
# Linux program finds through fontconfig, IPAGothic, with its licence.
set(BEATPLATE_HEADER_FONT /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf CACHE FILEPATH
    "The header face the page draws with")
set(BEATPLATE_HEADER_FONT_LICENCE /usr/share/doc/fonts-ipafont-gothic/copyright CACHE FILEPATH
    "Its copyright and licence")
set(BEATPLATE_PAGE_DIR ${PROJECT_BINARY_DIR}/page)
set_target_properties(beatplate_web PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BEATPLATE_PAGE_DIR})
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
  DEPENDS beatplate_web ${BEATPLATE_PAGE_SOURCES}
  COMMENT "Putting the page together in ${BEATPLATE_PAGE_DIR}")
