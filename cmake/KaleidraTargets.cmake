# Helpers every module uses, so that warnings, sanitizers and test registration
# are decided in one place.
include(GNUInstallDirs)

if(KALEIDRA_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(KALEIDRA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT KALEIDRA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KALEIDRA_SANITIZE must be address, thread or empty")
endif()

if(KALEIDRA_BUILD_FUZZERS)
  # Every library the fuzz targets link is instrumented for coverage.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Our own code is held to -Wall -Wextra -Werror; third-party headers are
# included as SYSTEM so their warnings do not count.
function(kdr_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 reports false -Wrestrict overlaps inside std::string concatenation
  # at -O3 (GCC bug 105651); the warning says nothing about our code there.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# kdr_library(name ALIAS alias SOURCES ... [PUBLIC_LINKS ...] [PRIVATE_LINKS ...])
# A static, position independent library with include/ as its public include
# directory.
function(kdr_library name)
  cmake_parse_arguments(ARG "" "ALIAS" "SOURCES;PUBLIC_LINKS;PRIVATE_LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LINKS} PRIVATE ${ARG_PRIVATE_LINKS})
  kdr_warnings(${name})
  if(ARG_ALIAS)
    add_library(${ARG_ALIAS} ALIAS ${name})
  endif()
endfunction()

# kdr_test(name SOURCES ... LINKS ... [LABELS ...] [ENVIRONMENT ...])
# A GoogleTest program registered with CTest. Each test gets its own
# registry file and work folder through the environment so tests never touch
# the user's configuration. Tests live beside their module, in its tests/
# folder (cross-engine tests in engine/tests); their main() fails the
# program when a test skipped itself and KALEIDRA_TESTS_MUST_RUN is set, as
# scripts/test sets it.
function(kdr_test name)
  if(NOT KALEIDRA_BUILD_TESTS)
    return()
  endif()
  if(NOT CMAKE_CURRENT_SOURCE_DIR MATCHES "/tests$")
    message(FATAL_ERROR "kdr_test(${name}): tests live in the tests/ folder beside their "
                        "module, not in ${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} Kaleidra::test_main GTest::gtest GTest::gmock)
  kdr_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set(env "KALEIDRA_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/${name}.registry"
          "KALEIDRA_TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
          ${ARG_ENVIRONMENT})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  # The thread sanitizer stage builds only what its tests need.
  if("threads" IN_LIST ARG_LABELS)
    if(NOT TARGET threads_tests)
      add_custom_target(threads_tests)
    endif()
    add_dependencies(threads_tests ${name})
  endif()
endfunction()

# kdr_tool(name SOURCES ... LINKS ...): a command-line program installed in bin/.
function(kdr_tool name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS})
  kdr_warnings(${name})
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# kdr_plugin_module(name EXPORTS symbol... SOURCES ... [LINKS ...] [STAYS_LOADED] [SHARED])
# A loadable module that a host opens by file name (an engine, a host
# plug-in) and that exports exactly the named entry points: a version script
# generated from EXPORTS hides every other symbol, those of the static
# libraries linked in included, so two plug-ins in one process never bind
# each other's copies of our code. Every symbol must resolve when the module
# is linked. STAYS_LOADED keeps the module in the process once loaded
# (-z nodelete), for modules whose libraries hold thread-local storage that
# repeated unloading and reloading would exhaust. With the tests, the test
# NAME_exports checks with nm that the built module exports exactly these
# symbols. SHARED builds a shared library that programs and plug-ins link by
# name (lib<name>.so) instead of a module opened by file name.
function(kdr_plugin_module name)
  cmake_parse_arguments(ARG "STAYS_LOADED;SHARED" "" "EXPORTS;SOURCES;LINKS" ${ARGN})
  if(NOT ARG_EXPORTS)
    message(FATAL_ERROR "kdr_plugin_module(${name}) needs EXPORTS")
  endif()
  list(JOIN ARG_EXPORTS ";\n    " symbols)
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${name}.map)
  file(CONFIGURE OUTPUT ${map}
       CONTENT "{\n  global:\n    ${symbols};\n  local:\n    *;\n};\n" @ONLY)
  if(ARG_SHARED)
    add_library(${name} SHARED ${ARG_SOURCES})
  else()
    add_library(${name} MODULE ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES PREFIX "")
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LINKS})
  set_target_properties(${name} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${map})
  target_link_options(${name} PRIVATE
    -Wl,--version-script=${map} -Wl,--no-undefined -Wl,--exclude-libs,ALL)
  if(ARG_STAYS_LOADED)
    target_link_options(${name} PRIVATE -Wl,-z,nodelete)
  endif()
  kdr_warnings(${name})
  if(KALEIDRA_BUILD_TESTS)
    list(JOIN ARG_EXPORTS "," expected)
    add_test(NAME ${name}_exports
      COMMAND ${CMAKE_COMMAND} -DMODULE=$<TARGET_FILE:${name}> "-DEXPECTED=${expected}"
              -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake)
  endif()
endfunction()
