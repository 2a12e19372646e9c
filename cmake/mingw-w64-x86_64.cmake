# Cross build of the Windows programs with MinGW-w64 (Debian's g++-mingw-w64-x86-64).
# The posix threading flavour is used so that std::thread and std::mutex exist.
#
# VELLORA_MINGW_PREFIX names a folder of libraries built for the target (see
# scripts/build-windows-deps); it is searched like the compiler's own root.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(VELLORA_MINGW_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VELLORA_MINGW_PREFIX})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELLORA_MINGW_PREFIX)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
