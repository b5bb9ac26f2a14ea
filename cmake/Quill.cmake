# Helpers for the project's targets.
#
# Libraries: every role folder under platform/, playcore/ and tavrin/ that has a CMakeLists.txt is one
# static library named <subsystem>_<folder> (playcore_recorder, tavrin_skin, ...), made of the .cpp files
# of that folder. The subsystem's own name (playcore, tavrin, platform) links all its parts.
# Includes are written from the repository root: #include "playcore/recorder/gps_box.h".

function(quill_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(QUILL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# quill_library(<name> [LINK <targets and system libraries>...] [EXTRA_SOURCES <files>...])
function(quill_library name)
  cmake_parse_arguments(ARG "" "" "LINK;EXTRA_SOURCES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources} ${ARG_EXTRA_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
  quill_warnings(${name})
  string(REGEX MATCH "^[a-z]+" subsystem ${name})
  set_property(GLOBAL APPEND PROPERTY QUILL_PARTS_${subsystem} ${name})
endfunction()

# Adds every role folder of the current subsystem folder and the subsystem's umbrella target.
function(quill_subsystem subsystem)
  file(GLOB lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  list(SORT lists)
  foreach(list_file IN LISTS lists)
    get_filename_component(dir ${list_file} DIRECTORY)
    add_subdirectory(${dir})
  endforeach()
  add_library(${subsystem} INTERFACE)
  get_property(parts GLOBAL PROPERTY QUILL_PARTS_${subsystem})
  target_link_libraries(${subsystem} INTERFACE ${parts})
endfunction()

# quill_test(<name> LABELS <area>... SOURCES <files>... [LINK <libs>...]
#            [TIMEOUT <s>] [LOCALE <locale>] [RECORDINGS] [DIRECT3D] [SCREEN] [ENVIRONMENT <VAR=value>...])
# One GoogleTest program, run by CTest through the build's Wine prefix. RECORDINGS: the test reads the
# generated recordings (QUILL_RECORDINGS names their folder, as a Unix path). LOCALE: run under another
# locale than the default Japanese one, e.g. en_US.UTF-8. DIRECT3D: the test draws with Direct3D; such
# tests run one at a time, because Wine's Direct3D over Mesa on one X display can stall several
# processes that use it at the same moment (seen as two tests hanging together under ctest -j).
# SCREEN: the test reads pixels from the screen or moves the mouse; such tests run one at a time too,
# since every test's windows share the one test display and would show through each other.
function(quill_test name)
  cmake_parse_arguments(ARG "RECORDINGS;DIRECT3D;SCREEN" "TIMEOUT;LOCALE" "LABELS;SOURCES;LINK;ENVIRONMENT" ${ARGN})
  if(NOT ARG_LABELS)
    message(FATAL_ERROR "quill_test(${name}): every test needs an area label")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quill_test_support GTest::gtest GTest::gmock ${ARG_LINK})
  quill_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  # A program still running shortly before CTest's timeout prints every thread's stack and ends
  # (tests/support/crash_report.h), instead of being killed without a word.
  if(ARG_TIMEOUT GREATER_EQUAL 40)
    math(EXPR hang_ms "(${ARG_TIMEOUT} - 10) * 1000")
  else()
    math(EXPR hang_ms "${ARG_TIMEOUT} * 750")
  endif()
  set(env QUILL_SOURCE_DIR=${PROJECT_SOURCE_DIR} QUILL_BUILD_DIR=${CMAKE_BINARY_DIR}
          QUILL_RECORDINGS=${QUILL_RECORDINGS_DIR} QUILL_HANG_REPORT_MS=${hang_ms} ${ARG_ENVIRONMENT})
  if(ARG_LOCALE)
    list(APPEND env QUILL_LOCALE=${ARG_LOCALE})
  endif()
  set(fixtures wine_bed)
  if(ARG_RECORDINGS)
    list(APPEND fixtures recordings)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT}
                       FIXTURES_REQUIRED "${fixtures}" ENVIRONMENT "${env}")
  set(locks)
  if(ARG_DIRECT3D OR ARG_SCREEN)
    list(APPEND locks test_display)
  endif()
  # Drive letters belong to the whole prefix: a test that maps a card reader (removable_drive.cpp)
  # would show its drive to every other test that lists the drives at the same moment.
  if(ARG_SOURCES MATCHES "removable_drive\\.cpp")
    list(APPEND locks drive_letters)
  endif()
  if(locks)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
endfunction()
