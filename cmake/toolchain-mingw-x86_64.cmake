# The 64-bit build of the same code, which the tests run under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(vemtora_processor_flags "")
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
