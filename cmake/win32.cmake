# Cross build of the real program: freestanding (no C runtime DLL, no C++
# runtime), so the executable loads on Windows 95 as it is.
enable_language(RC)

set(DUSKLENS_WIN32_COMPILE
    -Wall -Wextra -Wpedantic -Werror
    -Os -march=i386 -mtune=i686
    -ffreestanding -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-stack-protector
    -fno-ident -ffunction-sections -fdata-sections)
set(DUSKLENS_WIN32_LINK
    -nostdlib -nostartfiles -s
    -Wl,--gc-sections
    -Wl,--subsystem,windows:4.0
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--disable-dynamicbase -Wl,--disable-nxcompat -Wl,--disable-reloc-section
    -Wl,--no-insert-timestamp -Wl,--build-id=none
    -Wl,--file-alignment,512)
set(DUSKLENS_WIN32_LIBS kernel32 user32 gdi32 advapi32 version gcc)

add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${DUSKLENS_WIN32_COMPILE}>")

# Windows' side of the boundary and the few lines of runtime support that a
# freestanding executable needs; reused by the test programs under tests/e2e.
add_library(platform_win32 STATIC platform/win32/win32.cpp platform/win32/runtime.cpp)
target_include_directories(platform_win32 PUBLIC ${CMAKE_SOURCE_DIR})

add_library(dusklens_core STATIC ${DUSKLENS_CORE_SOURCES})
target_include_directories(dusklens_core PUBLIC ${CMAKE_SOURCE_DIR})

# Links a freestanding Windows GUI program whose entry point is `entry`.
function(dusklens_win32_executable target entry)
  add_executable(${target} ${ARGN})
  target_link_options(${target} PRIVATE ${DUSKLENS_WIN32_LINK} -Wl,-e,${entry})
  target_link_libraries(${target} PRIVATE ${DUSKLENS_WIN32_LIBS})
endfunction()

dusklens_win32_executable(dusklens _DusklensEntry platform/win32/entry.cpp res/dusklens.rc)
target_link_libraries(dusklens PRIVATE dusklens_core platform_win32 ${DUSKLENS_WIN32_LIBS})
set_target_properties(dusklens PROPERTIES OUTPUT_NAME dusklens RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
  add_subdirectory(tests/e2e)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
