# Cross toolchain: 64-bit Windows with MinGW-w64 (win32 thread model). Never
# shipped: the build that runs the tests under 64-bit Wine on hosts that run no
# 32-bit code, and that shows at compile time what 64-bit Windows would expose.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
