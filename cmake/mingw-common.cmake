# Shared part of the mingw-w64 toolchains; VZ_MINGW_PREFIX names the target.
set(CMAKE_C_COMPILER ${VZ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VZ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VZ_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VZ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in: the programs must not depend on libwinpthread-1.dll or
# the compiler's runtime DLLs, whose absence on a plain Windows system makes
# the program fail to start without a message.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine through this wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
