# Cross build of the product: a 32-bit (PE32) Windows GUI executable.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLET i686-w64-mingw32)
# Win32 threads: the product needs no threading runtime at all.
if(NOT MINGW_THREAD_MODEL)
    set(MINGW_THREAD_MODEL win32)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
