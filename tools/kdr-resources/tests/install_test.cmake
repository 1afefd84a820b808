# Installs the build into a fresh folder and checks the plug-ins for host
# programs: each lies in its host's folder under plugins/, the installed
# kdr-resources lists its resources there, and the plug-ins that use the
# selection dialog find the installed libKaleidra30.so through their run
# path.
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P install_test.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/FreshInstall.cmake)

install_once()
set(plugins
  plugins/premiere/Fx-Kdr30.so plugins/premiere/Fl-KdrM30.so
  plugins/speedrazor/Kdr30.tra plugins/speedrazor/KdrMulti30.so
  plugins/aftereffects/Kdr30.aex plugins/photoshop/Kdr30.8bf)
expect_installed(${plugins} bin/kdr-resources lib/libKaleidra30.so)

foreach(plugin ${plugins})
  execute_process(COMMAND ${prefix}/bin/kdr-resources ${prefix}/${plugin}
                  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE failed)
  if(failed OR NOT listing MATCHES "resource")
    message(FATAL_ERROR "kdr-resources cannot list ${plugin}: ${errors}${listing}")
  endif()
endforeach()

# The effect and the filter for the Adobe hosts declare themselves in their
# property lists.
foreach(plugin plugins/aftereffects/Kdr30.aex plugins/photoshop/Kdr30.8bf)
  execute_process(COMMAND ${prefix}/bin/kdr-resources ${prefix}/${plugin} OUTPUT_VARIABLE listing)
  if(NOT listing MATCHES "PiPL +16000")
    message(FATAL_ERROR "kdr-resources lists no property list in ${plugin}:\n${listing}")
  endif()
endforeach()
# The GIMP plug-in, where libgimp was there to build it.
if(EXISTS ${BUILD_DIR}/hosts/gimp/plug-ins/kaleidra-gimp)
  expect_installed(plugins/gimp/kaleidra-gimp)
endif()

foreach(plugin plugins/premiere/Fx-Kdr30.so plugins/speedrazor/Kdr30.tra
               plugins/aftereffects/Kdr30.aex plugins/photoshop/Kdr30.8bf)
  execute_process(COMMAND ldd ${prefix}/${plugin} OUTPUT_VARIABLE libraries)
  if(NOT libraries MATCHES "libKaleidra30\\.so => ${prefix}/plugins/[a-z]+/\\.\\./\\.\\./lib/libKaleidra30\\.so")
    message(FATAL_ERROR "${plugin} does not find the installed libKaleidra30.so:\n${libraries}")
  endif()
  execute_process(COMMAND readelf -d ${prefix}/${plugin} OUTPUT_VARIABLE dynamic)
  if(dynamic MATCHES "${BUILD_DIR}")
    message(FATAL_ERROR "${plugin} still names the build folder:\n${dynamic}")
  endif()
endforeach()
