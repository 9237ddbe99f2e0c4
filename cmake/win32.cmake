# Cross build of the real program: freestanding (no C runtime DLL, no C++
# runtime), so the executable loads on Windows 95 as it is. The same file
# builds the 64-bit twin (preset win64) for machines that run no 32-bit
# programs; only the two blocks on CMAKE_SIZEOF_VOID_P differ between them.
enable_language(RC)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # i386 code, so Pentium laptops without CMOV run it too. The 32-bit C
  # names carry a leading underscore; 4.0 is Windows 95.
  set(DUSKLENS_WIN32_ARCH -march=i386 -mtune=i686)
  set(DUSKLENS_SYMBOL_PREFIX _)
  set(DUSKLENS_WINDOWS_MAJOR 4)
  set(DUSKLENS_WINDOWS_MINOR 0)
else()
  # 5.2 is the first Windows for x64.
  set(DUSKLENS_WIN32_ARCH)
  set(DUSKLENS_SYMBOL_PREFIX)
  set(DUSKLENS_WINDOWS_MAJOR 5)
  set(DUSKLENS_WINDOWS_MINOR 2)
endif()

# Size counts: the executable is to fit in 9,216 bytes. Link-time optimisation
# (CMAKE_INTERPROCEDURAL_OPTIMIZATION below) folds the one-line boundary
# functions into their callers; no frame pointer; data aligned only as the
# ABI needs; and no complete unrolling of loops with a few fixed iterations,
# which -Oz still does and which costs bytes here.
set(DUSKLENS_WIN32_COMPILE
    -Wall -Wextra -Wpedantic -Werror
    -Oz ${DUSKLENS_WIN32_ARCH}
    -ffreestanding -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-stack-protector
    -fno-ident -ffunction-sections -fdata-sections
    -fomit-frame-pointer -malign-data=abi --param=max-completely-peel-times=0)
set(DUSKLENS_WIN32_LINK
    -nostdlib -nostartfiles -s
    -Wl,--gc-sections
    -Wl,--subsystem,windows:${DUSKLENS_WINDOWS_MAJOR}.${DUSKLENS_WINDOWS_MINOR}
    -Wl,--major-os-version,${DUSKLENS_WINDOWS_MAJOR} -Wl,--minor-os-version,${DUSKLENS_WINDOWS_MINOR}
    -Wl,--disable-dynamicbase -Wl,--disable-nxcompat -Wl,--disable-reloc-section
    -Wl,--no-insert-timestamp -Wl,--build-id=none
    -Wl,--file-alignment,512)
set(DUSKLENS_WIN32_LIBS kernel32 user32 gdi32 advapi32 version gcc)

# 32-bit only; a 64-bit build keeps the compiler's and the linker's defaults.
# - Every executable gets the section layout of cmake/mingw-i686.ld: three
#   sections instead of five.
# - The program's own code keeps the stack 4-byte aligned, all the 32-bit
#   Windows ABI promises, and has the stack probe off, so that the compiler
#   pushes call arguments instead of storing them into an area set aside in
#   each frame. That is safe while no frame reaches the 4,000 bytes at which
#   the probe would start: the program's link refuses one (frames are laid
#   out at the link). The test programs keep the probe: some of their frames
#   are larger.
set(DUSKLENS_WIN32_LAYOUT)
set(DUSKLENS_WIN32_LINK_DEPENDS)
set(DUSKLENS_WIN32_PROGRAM_COMPILE)
set(DUSKLENS_WIN32_PROGRAM_LINK)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND DUSKLENS_WIN32_LAYOUT
       -Wl,-T,${CMAKE_SOURCE_DIR}/cmake/mingw-i686.ld -Wl,--orphan-handling=error)
  list(APPEND DUSKLENS_WIN32_LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/mingw-i686.ld)
  list(APPEND DUSKLENS_WIN32_PROGRAM_COMPILE
       -mno-stack-arg-probe -mpreferred-stack-boundary=2)
  list(APPEND DUSKLENS_WIN32_PROGRAM_LINK -Wframe-larger-than=4000 -Werror)
endif()

add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${DUSKLENS_WIN32_COMPILE}>")
set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)

# Windows' side of the boundary and the few lines of runtime support that a
# freestanding executable needs; reused by the programs under winehost/.
add_library(platform_win32 STATIC platform/win32/win32.cpp platform/win32/runtime.cpp)
target_include_directories(platform_win32 PUBLIC ${CMAKE_SOURCE_DIR})

add_library(dusklens_core STATIC ${DUSKLENS_CORE_SOURCES})
target_include_directories(dusklens_core PUBLIC ${CMAKE_SOURCE_DIR})

# Links a freestanding Windows GUI program whose entry point is the C
# function `entry`.
function(dusklens_win32_executable target entry)
  add_executable(${target} ${ARGN})
  target_link_options(${target} PRIVATE ${DUSKLENS_WIN32_LINK} ${DUSKLENS_WIN32_LAYOUT}
                      -Wl,-e,${DUSKLENS_SYMBOL_PREFIX}${entry})
  target_link_libraries(${target} PRIVATE ${DUSKLENS_WIN32_LIBS})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${DUSKLENS_WIN32_LINK_DEPENDS})
endfunction()

# Links a freestanding DLL whose entry point is the __stdcall C function
# `entry`, with DllMain's arguments. It keeps ld's section layout and its
# relocations: it is loaded into another program, maybe not at its own base.
function(dusklens_win32_library target entry)
  add_library(${target} SHARED ${ARGN})
  set(symbol ${DUSKLENS_SYMBOL_PREFIX}${entry})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    string(APPEND symbol @12)
  endif()
  set(link ${DUSKLENS_WIN32_LINK})
  list(REMOVE_ITEM link -Wl,--disable-reloc-section)
  target_link_options(${target} PRIVATE ${link} -Wl,-e,${symbol})
  target_link_libraries(${target} PRIVATE ${DUSKLENS_WIN32_LIBS})
  set_target_properties(${target} PROPERTIES PREFIX "")
endfunction()

dusklens_win32_executable(dusklens DusklensEntry platform/win32/entry.cpp res/dusklens.rc)
target_link_libraries(dusklens PRIVATE dusklens_core platform_win32 ${DUSKLENS_WIN32_LIBS})
foreach(target dusklens dusklens_core platform_win32)
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${DUSKLENS_WIN32_PROGRAM_COMPILE}>")
endforeach()
target_link_options(dusklens PRIVATE ${DUSKLENS_WIN32_PROGRAM_LINK})
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The zero-initialised data at the end of the file takes no bytes on disk
  # (cmake/mingw-i686.ld).
  add_custom_command(TARGET dusklens POST_BUILD
                     COMMAND ${CMAKE_SOURCE_DIR}/cmake/trim-zero-tail.sh $<TARGET_FILE:dusklens>
                     VERBATIM)
endif()
set_target_properties(dusklens PROPERTIES OUTPUT_NAME dusklens RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_subdirectory(winehost)
add_subdirectory(tests/e2e)
add_subdirectory(bench)
