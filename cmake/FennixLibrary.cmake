# One shared library per deliverable, its sources found below the given folders
# so that adding a class is adding its .h/.cpp pair.
# EXCLUDE names folders below DIRS that make libraries of their own.
# EXPORTED_ONLY hides every symbol that its declaration does not mark with the
# library's export macro (<Library>Export.h, put on the headers by
# scripts/apply-export-macros). Inline functions are hidden in the libraries,
# since each user carries its own copy of them anyway; INLINES_VISIBLE keeps
# them in a library's table.
function(fennix_library name)
  cmake_parse_arguments(ARG "EXPORTED_ONLY;INLINES_VISIBLE" "" "DIRS;LINK;EXCLUDE" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  foreach(dir IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "^${PROJECT_SOURCE_DIR}/${dir}/")
  endforeach()
  add_library(${name} SHARED ${sources})
  add_library(Fennix::${name} ALIAS ${name})
  # Headers are named from the project's root ("engine/core/SgNode.h"), in
  # the tree and once installed.
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                                            $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/fennix>)
  if(NOT ARG_INLINES_VISIBLE)
    set_target_properties(${name} PROPERTIES VISIBILITY_INLINES_HIDDEN ON)
  endif()
  if(ARG_EXPORTED_ONLY)
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden)
  endif()
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
  fennix_install_library(${name} DIRS ${ARG_DIRS} EXCLUDE ${ARG_EXCLUDE})
endfunction()

# What `cmake --install` puts in place for a library: the library itself in
# the package's export set (find_package(Fennix) gives Fennix::<name>) and
# the headers of its folders, under include/fennix with their paths.
function(fennix_install_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;EXCLUDE" ${ARGN})
  set_target_properties(${name} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${name} EXPORT FennixTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/fennix
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}/fennix)
  set(excluded)
  foreach(dir IN LISTS ARG_EXCLUDE)
    file(RELATIVE_PATH below ${PROJECT_SOURCE_DIR}/${ARG_DIRS} ${PROJECT_SOURCE_DIR}/${dir})
    list(APPEND excluded PATTERN "${below}" EXCLUDE)
  endforeach()
  foreach(dir IN LISTS ARG_DIRS)
    get_filename_component(parent ${dir} DIRECTORY)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/fennix/${parent}
            FILES_MATCHING PATTERN "*.h" ${excluded})
  endforeach()
endfunction()

# One GoogleTest program per test folder tree, registered test by test with CTest.
# EXCLUDE names folders below DIRS that hold programs of their own.
function(fennix_test name)
  cmake_parse_arguments(ARG "" "" "DIRS;LINK;EXCLUDE" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  foreach(dir IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "^${PROJECT_SOURCE_DIR}/${dir}/")
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LINK} GTest::gtest GTest::gmock GTest::gtest_main)
  # Test programs are most of what a cold build compiles, and nearly all of it
  # is the test framework's templates: parse them once per program, and do not
  # optimise the test bodies (the code they test is optimised in its library;
  # this cuts the tests' compile time about four times).
  target_precompile_headers(${name} PRIVATE
    <gtest/gtest.h> <algorithm> <cmath> <functional> <map> <memory> <sstream> <string> <vector>)
  if(NOT FENNIX_SANITIZE AND NOT FENNIX_FUZZ)
    target_compile_options(${name} PRIVATE -O0)
  endif()
  target_compile_definitions(${name} PRIVATE FENNIX_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  # Each build tree gets a temporary folder of its own: test files named by
  # the test alone would meet those of a second build tested at the same time.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/tmp)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "LIBGL_ALWAYS_SOFTWARE=1"
                                  ENVIRONMENT_MODIFICATION "TMPDIR=set:${CMAKE_BINARY_DIR}/tmp")
endfunction()

# The largest targets compile their sources in batches of eight when
# FENNIX_UNITY_BUILD is on (the Makefile's builds, and so CI): their headers
# are then read once per batch instead of once per source, which cuts a cold
# build by about a third. An edit recompiles its whole batch, so a developer's
# own build folder leaves it off. Sources in a batch share one translation
# unit: file-local names must not clash with another file's (shared
# constants and helpers live in headers).
function(fennix_unity_build)
  if(NOT FENNIX_UNITY_BUILD)
    return()
  endif()
  foreach(target IN LISTS ARGN)
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
      # A batch includes its sources, and GCC then takes a class of one of
      # them built on an anonymous-namespace type (a test fixture) for a
      # header's.
      target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
    endif()
  endforeach()
endfunction()
