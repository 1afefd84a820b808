# Installs the build into a fresh folder and renders the shipped sample
# project there as the README says: `bin/reelbench --render
# Projects/Sample.kdp` from the installation folder, with the engine the
# install recorded.
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P install_test.cmake

cmake_policy(SET CMP0057 NEW)  # if(... IN_LIST ...)
include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/FreshInstall.cmake)

install_once()
expect_installed(bin/reelbench Projects/Sample.kdp Samples/clip_a.avi LIBS/Rnd_Generic.so
                 HELP/REELBENCH.html share/applications/reelbench.desktop
                 share/icons/hicolor/48x48/apps/reelbench.png
                 share/icons/hicolor/256x256/apps/reelbench.png)

# The desktop entry starts the installed program and shows the installed icon.
file(STRINGS ${prefix}/share/applications/reelbench.desktop entry)
if(NOT "Exec=${prefix}/bin/reelbench %f" IN_LIST entry OR
   NOT "Icon=${prefix}/share/icons/hicolor/256x256/apps/reelbench.png" IN_LIST entry)
  message(FATAL_ERROR "the desktop entry does not name the installed program and icon: ${entry}")
endif()

execute_process(COMMAND ${prefix}/bin/reelbench --render Projects/Sample.kdp
                WORKING_DIRECTORY ${prefix}
                RESULT_VARIABLE failed OUTPUT_VARIABLE movie ERROR_VARIABLE errors
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(failed)
  message(FATAL_ERROR "reelbench --render Projects/Sample.kdp failed: ${errors}")
endif()
if(NOT movie STREQUAL "${prefix}/Work/Sample.avi")
  message(FATAL_ERROR "the sample movie went to \"${movie}\", not Work/Sample.avi")
endif()
execute_process(COMMAND ffprobe -v error -count_frames -select_streams v:0
                        -show_entries stream=nb_read_frames,width,height -of csv=p=0 ${movie}
                OUTPUT_VARIABLE shape OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed OR NOT shape STREQUAL "320,240,130")
  message(FATAL_ERROR "the sample movie is \"${shape}\", not 130 frames of 320 x 240")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "a fresh install rendered the sample project: ${shape}")
