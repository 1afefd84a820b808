# Installs the build into a fresh folder and checks that the frei0r
# transition lands where MLT finds frei0r plug-ins: melt lists it with
# FREI0R_PATH at <prefix>/lib/frei0r-1, and Kdenlive's description lies in
# <prefix>/share/kdenlive/transitions.
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P install_test.cmake

foreach(variable BUILD_DIR WORK_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(prefix ${WORK_DIR}/Kaleidra)
set(ENV{KALEIDRA_REGISTRY} ${WORK_DIR}/registry)
set(ENV{DESTDIR} "")

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

foreach(file lib/frei0r-1/kaleidra.so share/kdenlive/transitions/frei0r_kaleidra.xml)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "the installation lacks ${file}")
  endif()
endforeach()

set(ENV{FREI0R_PATH} ${prefix}/lib/frei0r-1)
execute_process(COMMAND melt -query transitions
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "melt -query transitions failed: ${errors}")
endif()
if(NOT listing MATCHES "frei0r\\.kaleidra")
  message(FATAL_ERROR "melt does not list frei0r.kaleidra from ${prefix}/lib/frei0r-1:\n${listing}")
endif()
