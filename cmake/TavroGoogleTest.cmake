# GoogleTest, built for the target from the sources Debian ships in
# /usr/src/googletest; on Windows an installed GoogleTest is used.
if(TARGET gtest)
    return()
endif()

set(TAVRO_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source folder")
if(EXISTS "${TAVRO_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory("${TAVRO_GOOGLETEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
    add_library(gtest ALIAS GTest::gtest)
    add_library(gtest_main ALIAS GTest::gtest_main)
endif()
