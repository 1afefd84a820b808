# Pictures of the selection dialog for the README: every page of the sheet,
# the envelope and path editors and the about box, drawn on the offscreen platform with previews from
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

# The FX page, the Options page with a shadows envelope rising to the end
# in its editor, the Objects page and the path editor over the layout
# view, the Settings page and the about box.
set(ENV{KALEIDRA_DIALOG_SCRIPT}
    "choose 1026 1; click 1002; wait-preview; wait 700; shot ${OUTPUT_DIR}/select-fx.png; page 103; click 1132; slide 1201 0; type 1092 10; slide 1201 60; type 1092 35; click 6; slide 1201 100; type 1092 90; slide 1201 60; wait-preview; wait 700; shot ${OUTPUT_DIR}/select-envelope.png; close; wait-preview; wait 700; shot ${OUTPUT_DIR}/select-options.png; page 104; wait 700; shot ${OUTPUT_DIR}/select-objects.png; click 1129; click 1137; slide 1201 70; wait-preview; wait 700; shot ${OUTPUT_DIR}/select-path.png; close; page 114; wait 700; shot ${OUTPUT_DIR}/select-settings.png; click 2001; wait 200; shot ${OUTPUT_DIR}/select-about.png; close; cancel")
execute_process(COMMAND ${SELECT} ${work}/screenshots.kri RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 1)
  message(FATAL_ERROR "kaleidra-select ended with ${result}: ${errors}")
endif()
# The Filter Options page, as image filters open the dialog.
set(ENV{KALEIDRA_DIALOG_SCRIPT}
    "choose 1026 3; click 1001; page 113; wait-preview; wait 700; shot ${OUTPUT_DIR}/select-filter.png; cancel")
execute_process(COMMAND ${SELECT} --filter ${work}/filter.kri RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 1)
  message(FATAL_ERROR "kaleidra-select --filter ended with ${result}: ${errors}")
endif()
message(STATUS "Pictures of the selection dialog are in ${OUTPUT_DIR}")
