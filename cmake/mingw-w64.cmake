# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads). Everything links statically,
# so the program is one .exe beside its two data files.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KALVORA_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KALVORA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KALVORA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KALVORA_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KALVORA_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and tools run through Wine where it is installed.
find_program(KALVORA_WINE NAMES wine wine64)
if(KALVORA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KALVORA_WINE})
endif()
