# The Windows build, included by the top-level CMakeLists.txt in place of the Linux targets when
# cross-building with cmake/mingw-w64-x86_64.cmake. It builds what compiles for Windows without the
# platform seams, the code that calls no POSIX function, and the unit tests of that code; the files
# left out below call POSIX or fontconfig directly and wait for their Windows side.

find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(Freetype REQUIRED)
find_package(Threads REQUIRED)
# Boost and nlohmann-json are the Linux packages' headers, linked into the prefix by
# scripts/windows-deps.sh.
find_path(BEATPLATE_HEADER_ONLY_INCLUDE boost/numeric/interval.hpp REQUIRED)
add_library(beatplate_header_only INTERFACE)
target_include_directories(beatplate_header_only SYSTEM INTERFACE ${BEATPLATE_HEADER_ONLY_INCLUDE})

set(BEATPLATE_WINDOWS_PENDING
  # code page 932 through iconv
  src/base/cp932.cpp src/base/iconv.cpp src/chart/chart_text_reader.cpp
  # signals, POSIX temporary files and errno values
  src/base/removal_on_signal.cpp src/base/temporary_file.cpp src/output/png_writer.cpp
  # opening a file by a narrow path (a Windows path is wide), fontconfig
  src/load/header_font.cpp src/load/sprite_sheet.cpp src/load/text_font_lookup.cpp
  # the terminal
  src/cli/console.cpp)
list(TRANSFORM BEATPLATE_WINDOWS_PENDING PREPEND ${PROJECT_SOURCE_DIR}/)

file(GLOB BEATPLATE_PORTABLE_SOURCES CONFIGURE_DEPENDS
  src/base/*.cpp src/png/*.cpp src/cli/*.cpp src/chart/*.cpp src/render/*.cpp src/output/*.cpp
  src/load/*.cpp)
list(REMOVE_ITEM BEATPLATE_PORTABLE_SOURCES ${BEATPLATE_WINDOWS_PENDING})
add_library(beatplate_portable STATIC ${BEATPLATE_PORTABLE_SOURCES})
target_include_directories(beatplate_portable PUBLIC src)
target_link_libraries(beatplate_portable PUBLIC beatplate_header_only PNG::PNG ZLIB::ZLIB
                      Freetype::Freetype Threads::Threads PRIVATE beatplate_warnings)
target_compile_definitions(beatplate_portable PRIVATE BEATPLATE_VERSION="${PROJECT_VERSION}")

if(NOT BEATPLATE_TESTS)
  return()
endif()
enable_testing()
# GoogleTest from the sources that Debian's libgtest-dev ships, built with our compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The helpers that create files and compare pictures; the ones that start processes stay Linux's.
set(BEATPLATE_WINDOWS_TEST_SUPPORT png_bytes.cpp png_file.cpp random_chart.cpp test_sheet.cpp
    text_pixels.cpp temp_dir.cpp)
list(TRANSFORM BEATPLATE_WINDOWS_TEST_SUPPORT PREPEND ${PROJECT_SOURCE_DIR}/tests/support/)
add_library(beatplate_test_support STATIC ${BEATPLATE_WINDOWS_TEST_SUPPORT})
target_include_directories(beatplate_test_support PUBLIC tests)
target_link_libraries(beatplate_test_support PUBLIC beatplate_portable gtest gmock
                      PRIVATE beatplate_warnings)
target_compile_definitions(beatplate_test_support PUBLIC
  BEATPLATE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  BEATPLATE_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")

# Each folder's tests that link against the portable code alone.
set(BEATPLATE_WINDOWS_CHART_TESTS chart_document_test.cpp directive_scanner_test.cpp
    note_set_test.cpp)
set(BEATPLATE_WINDOWS_RENDER_TESTS events_pass_test.cpp measures_pass_test.cpp
    number_text_test.cpp scaled_blit_test.cpp score_layout_test.cpp sprite_drawing_test.cpp)
set(BEATPLATE_WINDOWS_CLI_TESTS option_parser_test.cpp)
foreach(folder chart render cli)
  string(TOUPPER ${folder} name)
  list(TRANSFORM BEATPLATE_WINDOWS_${name}_TESTS PREPEND ${PROJECT_SOURCE_DIR}/tests/${folder}/
       OUTPUT_VARIABLE files)
  add_executable(${folder}_tests ${files})
  target_link_libraries(${folder}_tests PRIVATE beatplate_warnings beatplate_test_support
                        gtest_main)
  # One test per program: every start of a program under Wine costs a second or more.
  add_test(NAME ${folder}_tests COMMAND ${folder}_tests)
endforeach()
if(TARGET render_tests)
  # The sheet the tools draw; its reference copy in assets/ is kept equal to it by a Linux test.
  target_compile_definitions(render_tests PRIVATE
    BEATPLATE_BUILT_SPRITE_SHEET="${PROJECT_SOURCE_DIR}/assets/pic.png")
endif()
