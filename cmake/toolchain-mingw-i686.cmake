# The 32-bit Windows program that users get, and its test build: both take their flags from here.
set(CMAKE_SYSTEM_PROCESSOR i686)
# SSE2 doubles, as the x86_64 and Linux builds compute: the x87 unit's extended precision
# rounds some averages the other way. Every x86 processor since 2001 has SSE2.
set(vemtora_processor_flags "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
