# Cross build for 32-bit Windows, the only kind of program that can load the boards' drivers. Its
# tests run under 32-bit Wine, which runs under qemu-user here (scripts/setup-wine32.sh).
set(TQ58_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
