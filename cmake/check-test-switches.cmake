# Run by the test ShippedBuild.HonoursNoTestSwitch (see TestHooksCheck.cmake):
# OBJECTS, "|"-separated, were compiled as a shipped build compiles them;
# HOOKED is a library of this build, compiled with the hooks, which must name
# HOOKED_SWITCH.
cmake_minimum_required(VERSION 3.16)
set(documented VELLORA_ROOT VELLORA_UI_SCRIPT VELLORA_UI_LOG)

function(switches_in file out)
  file(STRINGS ${file} lines REGEX "VELLORA_[A-Z_]+")
  set(found)
  foreach(line IN LISTS lines)
    string(REGEX MATCHALL "VELLORA_[A-Z_]+" names "${line}")
    list(APPEND found ${names})
  endforeach()
  list(REMOVE_DUPLICATES found)
  set(${out} ${found} PARENT_SCOPE)
endfunction()

switches_in(${HOOKED} hooked)
if(NOT HOOKED_SWITCH IN_LIST hooked)
  message(FATAL_ERROR "the check sees nothing: ${HOOKED} does not name ${HOOKED_SWITCH}")
endif()

string(REPLACE "|" ";" objects "${OBJECTS}")
set(failures)
foreach(object IN LISTS objects)
  switches_in(${object} names)
  foreach(name IN LISTS names)
    if(NOT name IN_LIST documented)
      list(APPEND failures "${object}: ${name}")
    endif()
  endforeach()
endforeach()
list(LENGTH objects count)
if(failures)
  string(REPLACE ";" "\n  " failures "${failures}")
  message(FATAL_ERROR "a shipped build would still read test switches:\n  ${failures}")
endif()
message(STATUS "${count} objects of a shipped build name only the documented switches")
