# Test registration helpers.
#
# Native tests register each GoogleTest case with CTest. Windows test executables run under
# Wine, where every process start costs seconds, so each executable is one CTest test.

if(WIN32)
    if(NOT TARGET gtest)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    endif()
else()
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()

# tidemarch_test(<name> SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...])
function(tidemarch_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} tidemarch_test_main GTest::gtest GTest::gmock)
    if(WIN32)
        add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
        set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "windows;${T_LABELS}")
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
            PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "native;${T_LABELS}")
    endif()
endfunction()
