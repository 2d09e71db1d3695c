# Cross-build for 32-bit Windows with Debian's MinGW-w64 (i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
# The programs we ship use the win32 thread model: the posix one links
# winpthread, which needs GetTickCount64 (Vista and later) and so keeps the
# programs off Windows XP. GoogleTest needs std::mutex, which GCC 12's win32
# thread model lacks, so the test programs are built with the posix one
# (preset mingw-tests); nothing built that way is shipped.
set(TESSAVUE_MINGW_THREADS win32 CACHE STRING "MinGW-w64 thread model: win32 (shipped programs) or posix (test programs)")
set_property(CACHE TESSAVUE_MINGW_THREADS PROPERTY STRINGS win32 posix)
if(NOT TESSAVUE_MINGW_THREADS MATCHES "^(win32|posix)$")
  message(FATAL_ERROR "TESSAVUE_MINGW_THREADS must be win32 or posix, not '${TESSAVUE_MINGW_THREADS}'")
endif()
find_program(CMAKE_C_COMPILER NAMES ${TOOLCHAIN_PREFIX}-gcc-${TESSAVUE_MINGW_THREADS} REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TOOLCHAIN_PREFIX}-g++-${TESSAVUE_MINGW_THREADS} REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TOOLCHAIN_PREFIX}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests built for Windows run under 32-bit Wine.
find_program(TESSAVUE_WINE NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT TESSAVUE_WINE)
  find_program(TESSAVUE_WINE NAMES wine)
endif()
if(TESSAVUE_WINE)
  # Through a wrapper that starts a program again when Wine ended its start
  # at once with nothing printed.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${TESSAVUE_WINE})
endif()
