# Small, self-contained executables: no exceptions or RTTI, size optimisation,
# static runtime so that only Windows system DLLs are imported.
add_library(hotkey_options INTERFACE)
target_compile_definitions(hotkey_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_include_directories(hotkey_options INTERFACE ${PROJECT_SOURCE_DIR})

if(MINGW)
    target_compile_options(hotkey_options INTERFACE
        -Wall -Wextra -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
        -ffunction-sections -fdata-sections)
    target_link_options(hotkey_options INTERFACE
        -static -Wl,--gc-sections -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware
        $<$<CONFIG:MinSizeRel,Release>:-s>)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        target_link_options(hotkey_options INTERFACE -Wl,--high-entropy-va)
    endif()
elseif(MSVC)
    target_compile_options(hotkey_options INTERFACE /W4 /GR- /EHs-c- /D_HAS_EXCEPTIONS=0)
    set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
    target_link_options(hotkey_options INTERFACE /DYNAMICBASE /NXCOMPAT /TSAWARE)
endif()
