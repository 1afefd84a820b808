# Installs the build into a fresh folder and checks that the frei0r
# transition lands where MLT finds frei0r plug-ins: melt lists it with
# FREI0R_PATH at <prefix>/lib/frei0r-1, and Kdenlive's description lies in
# <prefix>/share/kdenlive/transitions.
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P install_test.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/FreshInstall.cmake)

install_once()
expect_installed(lib/frei0r-1/kaleidra.so share/kdenlive/transitions/frei0r_kaleidra.xml)

set(ENV{FREI0R_PATH} ${prefix}/lib/frei0r-1)
execute_process(COMMAND melt -query transitions
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "melt -query transitions failed: ${errors}")
endif()
if(NOT listing MATCHES "frei0r\\.kaleidra")
  message(FATAL_ERROR "melt does not list frei0r.kaleidra from ${prefix}/lib/frei0r-1:\n${listing}")
endif()
