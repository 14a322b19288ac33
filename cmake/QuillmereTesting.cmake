# GoogleTest from source (Debian's googletest package), so that the native and
# the Windows build use the same version; an installed package elsewhere.
set(QUILLMERE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(EXISTS ${QUILLMERE_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUILLMERE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own sources are not held to our warning level.
  foreach(target gtest gtest_main)
    target_compile_options(${target} PRIVATE -w)
  endforeach()
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest CONFIG REQUIRED)
endif()

if(WIN32)
  set(QUILLMERE_TEST_PREFIX "win.")
else()
  set(QUILLMERE_TEST_PREFIX "")
endif()

# quillmere_add_test(name SOURCES ... LIBS ...): one GoogleTest executable,
# registered as one CTest test; Windows executables run through tools/wine-run.
function(quillmere_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  add_test(NAME ${QUILLMERE_TEST_PREFIX}${name} COMMAND ${name} --gtest_brief=1)
  # A test that hangs fails instead of holding up the whole run.
  set_tests_properties(${QUILLMERE_TEST_PREFIX}${name} PROPERTIES TIMEOUT 300)
  if(WIN32)
    set_tests_properties(${QUILLMERE_TEST_PREFIX}${name} PROPERTIES
      ENVIRONMENT "QUILLMERE_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
  endif()
endfunction()

# quillmere_add_size_limited_test(name target filter): runs the tests of
# `target` that match `filter` as a full disk finds them: under a file-size
# limit of 64 KiB set before the program starts, with the signal for
# exceeding it ignored, so that a write fails instead (under Wine as well:
# the limit holds for the Windows program's own writes). The tests see
# QUILLMERE_FILE_SIZE_LIMITED and skip themselves without it.
function(quillmere_add_size_limited_test name target filter)
  if(WIN32)
    set(runner ${PROJECT_SOURCE_DIR}/tools/wine-run)
  else()
    set(runner "")
  endif()
  add_test(NAME ${QUILLMERE_TEST_PREFIX}${name}
           COMMAND bash -c "trap '' XFSZ; ulimit -f 64; exec ${runner} \"$0\" --gtest_brief=1 --gtest_filter=${filter}"
                   $<TARGET_FILE:${target}>)
  set_tests_properties(${QUILLMERE_TEST_PREFIX}${name} PROPERTIES TIMEOUT 300
    ENVIRONMENT "QUILLMERE_FILE_SIZE_LIMITED=1;QUILLMERE_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
endfunction()
