# The release package of one build: a ZIP holding the program, the
# conformance checker (TavroCheck.exe), the README, the license and the SDK
# (the interface header, the kit headers, the sample device library built
# for this architecture, the sources with the SDK's CMake project, which
# builds the sample from the SDK alone, and in sdk/cmake the CMake package
# TavroDeviceKit that a library writer's build finds).
install(TARGETS TavroProbe TavroCheck RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/sdk/README.md ${PROJECT_SOURCE_DIR}/sdk/CMakeLists.txt DESTINATION sdk)
install(FILES ${PROJECT_SOURCE_DIR}/sdk/include/TavroDeviceLibrary.h DESTINATION sdk/include)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/sdk/kit/ DESTINATION sdk/kit FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/sdk/sample/ DESTINATION sdk/sample
        FILES_MATCHING PATTERN "*.cpp" PATTERN "*.h" PATTERN "CMakeLists.txt")
include(CMakePackageConfigHelpers)
# The headers serve either architecture; tavro_add_check_test compares the
# library's with TavroCheck's.
write_basic_package_version_file("${CMAKE_BINARY_DIR}/sdk-package/TavroDeviceKitConfigVersion.cmake"
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${PROJECT_SOURCE_DIR}/sdk/cmake/TavroDeviceKitConfig.cmake
              "${CMAKE_BINARY_DIR}/sdk-package/TavroDeviceKitConfigVersion.cmake"
        DESTINATION sdk/cmake)
if(TARGET tavro_sample_device)
    install(TARGETS tavro_sample_device RUNTIME DESTINATION sdk/bin LIBRARY DESTINATION sdk/bin)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(tavro_package_platform win64)
else()
    set(tavro_package_platform win32)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME TavroProbe)
set(CPACK_PACKAGE_VENDOR Morvane)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tests the Tavro device libraries installed on a workstation")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME TavroProbe-${PROJECT_VERSION}-${tavro_package_platform})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# Only what the lines above install: GoogleTest and the fixtures stay out.
set(CPACK_COMPONENTS_ALL Unspecified)
include(CPack)
