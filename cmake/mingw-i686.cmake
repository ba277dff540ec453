# Cross build for 32-bit Windows on x86 with mingw-w64 (POSIX thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VZ_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# SSE2 arithmetic for float and double. The 32-bit compiler otherwise keeps
# float and double variables in the 80-bit x87 registers and rounds them only
# when they are spilled to memory: the world step then differs from the other
# builds in 2 of 65536 particles after a single frame, and the ellipse loop,
# which relies on every float step being rounded to float, never ends. The
# simulation's long double arithmetic stays on the x87 unit.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
