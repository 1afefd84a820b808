# Pictures of the selection dialog for the README: every page of the sheet
# and the about box, drawn on the offscreen platform with previews from
# Rnd_Generic over the staged content. Run by the target
# kaleidra_gui_screenshots; the pictures land in OUTPUT_DIR.
#
#   cmake -DSTAGE=... -DENGINE=... -DHELP=... -DSELECT=... -DREG=... -DOUTPUT_DIR=...
#         -P screenshots.cmake

set(work ${OUTPUT_DIR}/installation)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/LIBS ${work}/Work ${work}/orgs ${work}/HELP)
file(CREATE_LINK ${STAGE}/EFFECTS ${work}/EFFECTS SYMBOLIC)
file(CREATE_LINK ${STAGE}/Textures ${work}/Textures SYMBOLIC)
file(CREATE_LINK ${ENGINE} ${work}/LIBS/Rnd_Generic.so SYMBOLIC)
file(CREATE_LINK ${HELP} ${work}/HELP/KDRSlct.html SYMBOLIC)
set(ENV{KALEIDRA_REGISTRY} ${work}/registry)
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{ASAN_OPTIONS} detect_leaks=0)
set(reg ${REG})
set(key "Software\\Talvane\\Kaleidra\\3.0")
foreach(pair Path=${work} Engine=Rnd_Generic Prev_Engine=Rnd_Generic)
  string(REPLACE "=" ";" parts ${pair})
  list(GET parts 0 name)
  list(GET parts 1 value)
  execute_process(COMMAND ${reg} set ${key} ${name} ${value} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "kdr-reg could not set ${name}")
  endif()
endforeach()
foreach(pair Prev_Quality=2 Prev_Frames=30 Prev_Speed=15 Prev_Render=1 Eff_Display=2
             Eff_Autoreverse=1)
  string(REPLACE "=" ";" parts ${pair})
  list(GET parts 0 name)
  list(GET parts 1 value)
  execute_process(COMMAND ${reg} set --number ${key} ${name} ${value})
endforeach()

set(ENV{KALEIDRA_DIALOG_SCRIPT}
    "choose 1026 1; click 1002; wait-preview; wait 700; shot ${OUTPUT_DIR}/select-fx.png; page 114; wait 700; shot ${OUTPUT_DIR}/select-settings.png; click 2001; wait 200; shot ${OUTPUT_DIR}/select-about.png; close; cancel")
execute_process(COMMAND ${SELECT} ${work}/screenshots.kri RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 1)
  message(FATAL_ERROR "kaleidra-select ended with ${result}: ${errors}")
endif()
message(STATUS "Pictures of the selection dialog are in ${OUTPUT_DIR}")
