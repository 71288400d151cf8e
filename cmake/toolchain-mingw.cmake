# Cross-compiling for Windows with Debian's mingw-w64 (posix threads); the including
# toolchain file names the processor and its flags first.
set(CMAKE_SYSTEM_NAME Windows)
set(mingw_triplet ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The oldest Windows the program runs on: Vista (6.0), for GetTickCount64, which the static
# thread library imports. The headers then hide anything newer, and the PE header says so,
# so an older Windows refuses the program at once instead of failing on a missing import.
set(VEMTORA_WINDOWS_VERSION 6.0)
string(REPLACE "." ";" vemtora_windows_version_parts ${VEMTORA_WINDOWS_VERSION})
list(GET vemtora_windows_version_parts 0 vemtora_windows_major)
list(GET vemtora_windows_version_parts 1 vemtora_windows_minor)
math(EXPR vemtora_windows_nt "(${vemtora_windows_major} << 8) | ${vemtora_windows_minor}" OUTPUT_FORMAT HEXADECIMAL)
set(vemtora_windows_flags "-D_WIN32_WINNT=${vemtora_windows_nt} -DWINVER=${vemtora_windows_nt}")
set(CMAKE_C_FLAGS_INIT "${vemtora_processor_flags} ${vemtora_windows_flags}")
set(CMAKE_CXX_FLAGS_INIT "${vemtora_processor_flags} ${vemtora_windows_flags}")

# One self-contained .exe: no libstdc++, libgcc or winpthread DLLs to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,\
--major-os-version,${vemtora_windows_major},--minor-os-version,${vemtora_windows_minor},\
--major-subsystem-version,${vemtora_windows_major},--minor-subsystem-version,${vemtora_windows_minor}")
