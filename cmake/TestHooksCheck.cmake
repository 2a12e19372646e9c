# Proof that a shipped build honours no test switch. The sources of the
# shipped programs that name an environment switch of their own ("VELLORA_...")
# are compiled once more as a shipped build compiles them, without
# VELLORA_TEST_HOOKS, and a test reads the strings of those objects: only the
# documented switches may be left (VELLORA_ROOT, VELLORA_UI_SCRIPT,
# VELLORA_UI_LOG). The same reading of the platform library of this build,
# which has the hooks, must find a test switch, so that the check cannot pass
# by seeing nothing.
if(NOT VELLORA_RUN_TESTS)
  return()
endif()

set(shipped_dirs platform scripted_ui common converter installer monitor launchers shellext
    tools/vlreg tools/vlgsreg tools/vlutil)
set(switch_sources)
foreach(dir ${shipped_dirs})
  file(GLOB_RECURSE dir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND switch_sources ${dir_sources})
endforeach()
list(FILTER switch_sources EXCLUDE REGEX "_test\\.cpp$")
if(VELLORA_PLATFORM STREQUAL "posix")
  list(FILTER switch_sources EXCLUDE REGEX "(/win32/|-win32\\.cpp$)")
else()
  list(FILTER switch_sources EXCLUDE REGEX "(/posix/|-posix\\.cpp$|/monitor/)")
endif()
set(named_switches)
foreach(source ${switch_sources})
  file(STRINGS ${source} mentions REGEX "\"VELLORA_[A-Z_]+")
  if(mentions)
    list(APPEND named_switches ${source})
  endif()
endforeach()

if(named_switches)
  add_library(vellora_hookless_probe OBJECT ${named_switches})
  vellora_target_defaults(vellora_hookless_probe)
  # Unoptimised, so that every text stays whole in the object's data: an
  # optimiser builds short strings from immediate values, in pieces.
  target_compile_options(vellora_hookless_probe PRIVATE -O0)
  if(VELLORA_TEST_HOOKS)
    set(hooked_switch VELLORA_USER_RIGHTS)
    if(NOT VELLORA_PLATFORM STREQUAL "posix")
      set(hooked_switch VELLORA_TEST_REGISTRY)
    endif()
    add_test(NAME ShippedBuild.HonoursNoTestSwitch
             COMMAND ${CMAKE_COMMAND}
                     "-DOBJECTS=$<JOIN:$<TARGET_OBJECTS:vellora_hookless_probe>,|>"
                     "-DHOOKED=$<TARGET_FILE:vellora_platform>"
                     "-DHOOKED_SWITCH=${hooked_switch}"
                     -P ${PROJECT_SOURCE_DIR}/cmake/check-test-switches.cmake)
  endif()
endif()
