# Cross-build for 64-bit Windows with Debian's MinGW-w64 (posix thread model);
# target programs run through the 64-bit Wine loader, which every x86-64 host
# can start. The session sets WINELOADER and WINEARCH to match.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
