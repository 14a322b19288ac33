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
