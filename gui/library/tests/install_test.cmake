# Installs the build into a fresh folder and runs the installed
# kaleidra-select: it finds the installed libKaleidra30.so through its run
# path, and the library finds the installed effects, engines and help.
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P install_test.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/FreshInstall.cmake)

install_once()
expect_installed(lib/libKaleidra30.so bin/kaleidra-select HELP/KDRSlct.html)

execute_process(COMMAND readelf -d ${prefix}/bin/kaleidra-select OUTPUT_VARIABLE dynamic)
if(NOT dynamic MATCHES "\\$ORIGIN/\\.\\./lib")
  message(FATAL_ERROR "bin/kaleidra-select does not look for libraries in \$ORIGIN/../lib:\n${dynamic}")
endif()
if(dynamic MATCHES "${BUILD_DIR}")
  message(FATAL_ERROR "bin/kaleidra-select still names the build folder:\n${dynamic}")
endif()

set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{KALEIDRA_DIALOG_SCRIPT} "choose 1026 1; click 1003; wait-preview; ok")
execute_process(COMMAND ${prefix}/bin/kaleidra-select ${WORK_DIR}/chosen.kri
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed kaleidra-select ended with ${result}: ${errors}")
endif()
execute_process(COMMAND ${prefix}/bin/kdr-dump ${WORK_DIR}/chosen.kri OUTPUT_VARIABLE dump)
if(NOT dump MATCHES "effect \"PageTurn\"")
  message(FATAL_ERROR "the settings file does not hold the chosen effect:\n${dump}")
endif()
if(NOT EXISTS ${prefix}/orgs/current.org)
  message(FATAL_ERROR "the first use did not write orgs/current.org")
endif()
