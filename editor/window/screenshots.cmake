# Pictures of Reelbench for the README: the main window with the shipped
# sample project, the Settings dialog and the compression dialog, drawn on
# the offscreen platform over the staged content. Run by the target
# reelbench_screenshots; the pictures land in OUTPUT_DIR.
#
#   cmake -DSTAGE=... -DENGINE=... -DHELP=... -DSHOTS=... -DREG=... -DOUTPUT_DIR=...
#         -P screenshots.cmake

set(work ${OUTPUT_DIR}/installation)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/LIBS ${work}/Work ${work}/HELP)
foreach(folder EFFECTS Textures Samples Projects)
  file(CREATE_LINK ${STAGE}/${folder} ${work}/${folder} SYMBOLIC)
endforeach()
file(CREATE_LINK ${ENGINE} ${work}/LIBS/Rnd_Generic.so SYMBOLIC)
file(CREATE_LINK ${HELP} ${work}/HELP/REELBENCH.html SYMBOLIC)
set(ENV{KALEIDRA_REGISTRY} ${work}/registry)
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{ASAN_OPTIONS} detect_leaks=0)
foreach(pair Path=${work} Engine=Rnd_Generic Prev_Engine=Rnd_Generic)
  string(REPLACE "=" ";" parts ${pair})
  list(GET parts 0 name)
  list(GET parts 1 value)
  execute_process(COMMAND ${REG} set "Software\\Talvane\\Kaleidra\\3.0" ${name} ${value}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "kdr-reg could not set ${name}")
  endif()
endforeach()
execute_process(COMMAND ${SHOTS} ${OUTPUT_DIR} ${work}/Projects/Sample.kdp
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "kdr-reelbench-shots ended with ${result}: ${errors}")
endif()
message(STATUS "Pictures of Reelbench are in ${OUTPUT_DIR}")
