# Installs the build into a fresh folder twice, as `cmake --install` does for
# a user, with a private registry store: the first install lays out the
# installation folder with the content and writes the registry defaults;
# values the user changes in between survive the second install.
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P install_test.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/FreshInstall.cmake)
set(key "Software\\Talvane\\Kaleidra\\3.0")
set(reg ${prefix}/bin/kdr-reg)

function(expect_value name expected)
  execute_process(COMMAND ${reg} get ${key} ${name} OUTPUT_VARIABLE value
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed OR NOT value STREQUAL "${expected}")
    message(FATAL_ERROR "registry value ${name} is \"${value}\", expected \"${expected}\"")
  endif()
endfunction()

install_once()

expect_installed(
  EFFECTS/Master.lst EFFECTS/Ballsplt.KDR EFFECTS/PageTurn.KDR EFFECTS/Windows3.KDR
  Textures/PREVS_01.KDT Textures/PREVM_10.KDT Textures/PREVL_20.KDT Textures/KD_STAGE.KDT
  Samples/clip_a.avi Samples/clip_b.avi Samples/picture_wheel.tga
  LIBS/Rnd_Generic.so LIBS/Rnd_Hardware.so bin/kdr-effectc bin/kdr-contact-sheet)
foreach(folder LIBS EFFECTS Textures WARPS Work HELP Projects Samples Envelopes Paths orgs)
  if(NOT IS_DIRECTORY ${prefix}/${folder})
    message(FATAL_ERROR "the installation lacks the folder ${folder}")
  endif()
endforeach()
file(GLOB effects ${prefix}/EFFECTS/*.KDR)
list(LENGTH effects count)
if(count LESS 24)
  message(FATAL_ERROR "only ${count} effects were installed")
endif()

expect_value(Path ${prefix})
expect_value(Engine Rnd_Generic)
expect_value(Prev_Engine Rnd_Generic)
expect_value(Prev_Frames 30)
expect_value(Eff_Display 2)

# The user changes two values; installing again keeps them.
execute_process(COMMAND ${reg} set ${key} Engine Rnd_Hardware RESULT_VARIABLE failed)
execute_process(COMMAND ${reg} set --number ${key} Prev_Frames 12 RESULT_VARIABLE failed2)
if(failed OR failed2)
  message(FATAL_ERROR "kdr-reg could not change the values")
endif()
file(REMOVE ${prefix}/EFFECTS/Ballsplt.KDR)
install_once()
expect_value(Engine Rnd_Hardware)
expect_value(Prev_Frames 12)
expect_value(Path ${prefix})
if(NOT EXISTS ${prefix}/EFFECTS/Ballsplt.KDR)
  message(FATAL_ERROR "a second install does not restore a removed effect")
endif()

# The installed tools find the installed content.
execute_process(COMMAND ${prefix}/bin/kdr-contact-sheet -q --install ${prefix} --columns 1
                        --size 64x48 -o ${WORK_DIR}/sheet.png Ballsplt FloatFrame
                RESULT_VARIABLE failed ERROR_VARIABLE errors)
if(failed OR NOT EXISTS ${WORK_DIR}/sheet.png)
  message(FATAL_ERROR "the installed kdr-contact-sheet failed: ${errors}")
endif()

# The installed updater finds the installation through "Path".
set(update ${WORK_DIR}/update)
file(WRITE ${update}/update.txt "An update")
file(WRITE ${update}/extra.txt "extra")
file(WRITE ${update}/update.data "${key}\r\n1\r\nAn update\r\n1\r\nC,{KDRDIR}/Work/,extra.txt\r\n")
execute_process(COMMAND ${prefix}/bin/updater --yes ${update}
                RESULT_VARIABLE failed OUTPUT_VARIABLE output)
if(failed OR NOT EXISTS ${prefix}/Work/extra.txt)
  message(FATAL_ERROR "the installed updater did not copy into the installation: ${output}")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "installed ${count} effects into a fresh folder twice")
