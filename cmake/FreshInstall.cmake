# Shared by the install tests (run with cmake -P): installs the build into a
# fresh folder as `cmake --install` does for a user, with a private registry
# store. Needs BUILD_DIR and WORK_DIR; sets `prefix`.

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

function(install_once)
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE errors)
  if(failed)
    message(FATAL_ERROR "cmake --install failed: ${errors}")
  endif()
endfunction()

# Fails unless every named file (relative to the prefix) was installed.
function(expect_installed)
  foreach(file ${ARGN})
    if(NOT EXISTS ${prefix}/${file})
      message(FATAL_ERROR "the installation lacks ${file}")
    endif()
  endforeach()
endfunction()
