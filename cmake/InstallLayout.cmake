# The installation folder: the folder that the registry value "Path" names.
# Programs and tools go to bin/, engines to LIBS/, data to the fixed folders.
# Installing also records the folder in the registry and writes the defaults
# that the store does not hold yet (a second install keeps the choices made
# since; users' own stores are never touched).

set(KALEIDRA_INSTALL_FOLDERS
  LIBS EFFECTS Textures WARPS Work HELP Projects Samples Envelopes Paths orgs)

foreach(folder IN LISTS KALEIDRA_INSTALL_FOLDERS)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${folder}\")")
endforeach()

set(KALEIDRA_REGISTRY_DEFAULTS_STRING
  "Engine=Rnd_Generic"
  "Prev_Engine=Rnd_Generic")
set(KALEIDRA_REGISTRY_DEFAULTS_NUMBER
  "Prev_Quality=1" "Prev_Frames=30" "Prev_Speed=15" "Prev_Render=1"
  "Eff_Display=2" "Eff_Autoreverse=1" "Rnd_Logging=0" "Rnd_Multi=0")

# Writing the registry is skipped for staged installs (DESTDIR), which package
# builders use; the package's own post-install step writes it then. The
# values go to the system store that every user reads (see `kdr-reg --help`);
# an installing user who may not write it (not root) gets them in their own
# store instead. $KALEIDRA_REGISTRY, when set, is the one store either way.
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    set(reg \"\${CMAKE_INSTALL_PREFIX}/bin/kdr-reg\")
    set(key \"Software\\\\Talvane\\\\Kaleidra\\\\3.0\")
    execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(store --system)
    execute_process(COMMAND \"\${reg}\" \${store} set --string \"\${key}\" Path \"\${CMAKE_INSTALL_PREFIX}\"
                    RESULT_VARIABLE failed ERROR_VARIABLE why)
    if(failed AND NOT uid STREQUAL \"0\")
      set(store \"\")
      execute_process(COMMAND \"\${reg}\" set --string \"\${key}\" Path \"\${CMAKE_INSTALL_PREFIX}\"
                      RESULT_VARIABLE failed ERROR_VARIABLE why)
    endif()
    if(failed)
      message(FATAL_ERROR \"could not record the installation folder in the registry: \${why}\")
    endif()
    foreach(pair ${KALEIDRA_REGISTRY_DEFAULTS_STRING})
      string(REPLACE \"=\" \";\" parts \"\${pair}\")
      list(GET parts 0 name)
      list(GET parts 1 value)
      execute_process(COMMAND \"\${reg}\" \${store} set --missing --string \"\${key}\" \"\${name}\" \"\${value}\"
                      RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR \"could not write the registry default \${name}\")
      endif()
    endforeach()
    foreach(pair ${KALEIDRA_REGISTRY_DEFAULTS_NUMBER})
      string(REPLACE \"=\" \";\" parts \"\${pair}\")
      list(GET parts 0 name)
      list(GET parts 1 value)
      execute_process(COMMAND \"\${reg}\" \${store} set --missing --number \"\${key}\" \"\${name}\" \"\${value}\"
                      RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR \"could not write the registry default \${name}\")
      endif()
    endforeach()
    execute_process(COMMAND \"\${reg}\" \${store} where OUTPUT_VARIABLE written
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    message(STATUS \"Registry: Path = \${CMAKE_INSTALL_PREFIX} (store: \${written})\")
  endif()
")

# The render engines, loaded by name from LIBS.
install(TARGETS Rnd_Generic Rnd_Hardware LIBRARY DESTINATION LIBS)

# The shipped content, made at build time in a staged installation folder:
# effects and the master list in EFFECTS, the preview and backdrop textures
# in Textures, the sample clips and pictures in Samples, the sample project
# in Projects. Reinstalling replaces these files; the registry values above
# are kept.
if(DEFINED KALEIDRA_CONTENT_STAGE)
  install(DIRECTORY ${KALEIDRA_CONTENT_STAGE}/EFFECTS ${KALEIDRA_CONTENT_STAGE}/Textures
                    ${KALEIDRA_CONTENT_STAGE}/Samples ${KALEIDRA_CONTENT_STAGE}/Projects
          DESTINATION .)
endif()

# The frei0r transition for MLT hosts (melt, Kdenlive, Shotcut), where MLT
# looks for frei0r plug-ins when FREI0R_PATH names <prefix>/lib/frei0r-1,
# and Kdenlive's description of it (copied by the user into Kdenlive's
# transitions folder, see README).
if(TARGET kaleidra_frei0r)
  install(TARGETS kaleidra_frei0r LIBRARY DESTINATION lib/frei0r-1)
  install(FILES ${KALEIDRA_KDENLIVE_TRANSITION}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/kdenlive/transitions)
endif()
