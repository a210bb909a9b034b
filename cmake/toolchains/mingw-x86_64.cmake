# Cross build for 64-bit Windows; its programs and tests run under Wine. The 64-bit loader is
# named: with wine32 installed, Debian's `wine` starts every program with the 32-bit one.
set(TQ58_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
