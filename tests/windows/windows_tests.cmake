# The unit tests of the Windows build, run under Wine by scripts/test-windows.sh: each folder's
# tests but those that start processes or use POSIX calls themselves, one test per program (every
# start of a program under Wine costs a second or more). The programs themselves are tested by
# tests/windows/e2e.sh.
set(BEATPLATE_WINDOWS_SKIPPED
  # compared with glibc's iconv, which Windows has not
  platform/cp932_table_test.cpp
  # POSIX calls, processes started through the Linux helpers
  platform/files_test.cpp platform/stop_on_interrupt_test.cpp platform/temporary_file_test.cpp
  platform/terminal_test.cpp platform/browser_test.cpp cli/console_test.cpp load/sprite_sheet_choice_test.cpp
  output/png_writer_test.cpp server/chart_server_test.cpp platform/file_watcher_test.cpp
  pipeline/picture_sources_test.cpp
  extract/beatplate_chart_test.cpp extract/round_trip_test.cpp
  # the choices of the Linux lookup among the faces fontconfig knows
  platform/text_font_lookup_test.cpp)
foreach(folder platform base cli chart load sound render output pipeline driver server extract lsp
        web)
  file(GLOB sources CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${folder}/*.cpp)
  list(REMOVE_ITEM sources ${BEATPLATE_WINDOWS_SKIPPED})
  if(sources)
    add_executable(${folder}_tests ${sources})
    target_link_libraries(${folder}_tests PRIVATE beatplate_warnings beatplate_test_support
                          GTest::gtest_main)
    add_test(NAME ${folder}_tests COMMAND ${folder}_tests WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
endforeach()
foreach(folder chart server web)
  target_link_libraries(${folder}_tests PRIVATE beatplate_json)
endforeach()
target_link_libraries(web_tests PRIVATE beatplate_web)
target_compile_definitions(render_tests PRIVATE
  BEATPLATE_BUILT_SPRITE_SHEET="${BEATPLATE_SPRITE_SHEET}")
target_link_libraries(extract_tests PRIVATE beatplate_extract)
target_compile_definitions(extract_tests PRIVATE
  BEATPLATE_CHART_BINARY_PATH="$<TARGET_FILE:beatplate-chart>")
