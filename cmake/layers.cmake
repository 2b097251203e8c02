# One library per folder of src/, each linking only libraries on the floors below its own, as
# src/floors.txt orders them. Each library is also linked whole on its own with only what it
# names, so that a call into a folder it does not name (one above it) fails to link, and the
# include order is checked on every build, so that an upward include fails even where it calls
# nothing.

option(BEATPLATE_LAYER_CHECKS "Fail the build on an include or a call against the floors" ON)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/floors.txt)
file(STRINGS ${PROJECT_SOURCE_DIR}/src/floors.txt beatplate_floor_lines REGEX "^[a-z]")
set(beatplate_floor 0)
foreach(line IN LISTS beatplate_floor_lines)
  string(REGEX REPLACE "#.*" "" line "${line}")
  string(REGEX MATCHALL "[a-z_]+" folders "${line}")
  foreach(folder IN LISTS folders)
    set(BEATPLATE_FLOOR_${folder} ${beatplate_floor})
  endforeach()
  math(EXPR beatplate_floor "${beatplate_floor} + 1")
endforeach()

if(BEATPLATE_LAYER_CHECKS)
  set(main ${PROJECT_BINARY_DIR}/generated/layer_check_main.cpp)
  file(WRITE ${main} "int main() { return 0; }\n")
  add_library(beatplate_layer_check_main OBJECT ${main})
endif()

# beatplate_layer_library(NAME FOLDER folder SOURCES source... LINKS target...): a static library
# of a folder's sources. The libraries of ours that it links must be its folder's own or lie on
# lower floors.
function(beatplate_layer_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "FOLDER" "SOURCES;LINKS")
  if(NOT DEFINED BEATPLATE_FLOOR_${arg_FOLDER})
    message(FATAL_ERROR "src/${arg_FOLDER}/ is on no floor of src/floors.txt")
  endif()
  add_library(${name} STATIC ${arg_SOURCES})
  set_target_properties(${name} PROPERTIES BEATPLATE_FOLDER ${arg_FOLDER})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${arg_LINKS} PRIVATE beatplate_warnings)
  foreach(link IN LISTS arg_LINKS)
    if(NOT TARGET ${link})
      continue()
    endif()
    get_target_property(folder ${link} BEATPLATE_FOLDER)
    if(folder AND NOT folder STREQUAL arg_FOLDER
       AND NOT BEATPLATE_FLOOR_${folder} LESS BEATPLATE_FLOOR_${arg_FOLDER})
      message(FATAL_ERROR "${name} (src/${arg_FOLDER}/) links ${link} (src/${folder}/), which "
                          "is not on a floor below it in src/floors.txt")
    endif()
  endforeach()
  if(BEATPLATE_LAYER_CHECKS)
    add_executable(${name}_links $<TARGET_OBJECTS:beatplate_layer_check_main>)
    target_link_libraries(${name}_links PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
  endif()
endfunction()

# The folder's sources, but a program's main.
function(beatplate_folder_sources variable folder)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX ".*/main\\.cpp$")
  set(${variable} ${sources} PARENT_SCOPE)
endfunction()

if(BEATPLATE_LAYER_CHECKS)
  find_program(BEATPLATE_BUILD_PYTHON python3 REQUIRED)
  file(GLOB_RECURSE beatplate_all_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.h
       ${PROJECT_SOURCE_DIR}/src/*.cpp)
  set(stamp ${PROJECT_BINARY_DIR}/generated/includes_checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${BEATPLATE_BUILD_PYTHON} ${PROJECT_SOURCE_DIR}/scripts/check-includes.py
            ${PROJECT_SOURCE_DIR}/src
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${beatplate_all_sources} ${PROJECT_SOURCE_DIR}/src/floors.txt
            ${PROJECT_SOURCE_DIR}/scripts/check-includes.py
    COMMENT "Checking that the folders of src/ include downward only")
  add_custom_target(beatplate_include_order ALL DEPENDS ${stamp})
endif()
