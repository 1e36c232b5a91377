# The test build for hosts that run no 32-bit code: 64-bit Windows. It is never shipped.
set(ZEL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
