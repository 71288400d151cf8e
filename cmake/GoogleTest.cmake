# GoogleTest from the system, or built from Debian's sources when cross-compiling.
if(CMAKE_CROSSCOMPILING)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    # Newer GoogleTest sources define the namespaced names themselves.
    if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gmock ALIAS gmock)
    endif()
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Registers a GoogleTest executable. Natively each case becomes a ctest test; under an emulator
# (Wine) the executable runs once, since starting it costs far more than running its cases.
function(vemtora_add_gtest target)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        add_test(NAME ${target} COMMAND ${target} ${ARGN})
    else()
        set(extra)
        if(ARGN)
            set(extra EXTRA_ARGS ${ARGN})
        endif()
        gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES ${extra})
    endif()
endfunction()
