# Host build: the program's logic over the simulated desktop, the unit tests
# and the load check, with AddressSanitizer and UndefinedBehaviorSanitizer.
enable_testing()
find_package(GTest REQUIRED)

set(DUSKLENS_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-Wall -Wextra -Wpedantic -Werror -g ${DUSKLENS_SANITIZERS})
add_link_options(${DUSKLENS_SANITIZERS})

add_library(dusklens_core STATIC ${DUSKLENS_CORE_SOURCES})
target_include_directories(dusklens_core PUBLIC ${CMAKE_SOURCE_DIR})

add_library(platform_sim STATIC
    platform/sim/appearance.cpp
    platform/sim/calls.cpp
    platform/sim/process.cpp
    platform/sim/registry.cpp
    platform/sim/windows.cpp)
target_include_directories(platform_sim PUBLIC ${CMAKE_SOURCE_DIR})

add_subdirectory(tests/unit)
add_subdirectory(tools)
