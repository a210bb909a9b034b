# Cross build for 64-bit Windows; its programs and tests run under Wine.
set(TQ58_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
