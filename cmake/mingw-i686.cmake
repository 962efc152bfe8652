# Cross-build for 32-bit Windows with Debian's MinGW-w64 (posix thread model);
# target programs run through the 32-bit Wine loader, which only hosts that
# run 32-bit Linux code can start.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
