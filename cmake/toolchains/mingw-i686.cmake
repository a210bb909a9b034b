# Cross build for 32-bit Windows, the only kind of program that can load the boards' drivers.
set(TQ58_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
