# TavroDeviceKitConfig.cmake - the Tavro device-library SDK as a CMake
# package, for a library writer's own build. In a release ZIP it is
# sdk/cmake/, with the SDK one folder up and TavroCheck.exe beside the SDK:
#
#   find_package(TavroDeviceKit CONFIG REQUIRED)  # -DTavroDeviceKit_DIR=<zip>/sdk/cmake,
#                                                 # or CMAKE_PREFIX_PATH=<zip>/sdk
#   add_library(MyDevice SHARED MyDevice.cpp)
#   target_link_libraries(MyDevice PRIVATE Tavro::DeviceKit)
#   tavro_add_check_test(MyDevice)                # a CTest test: TavroCheck on MyDevice
#
# Imported targets:
#   Tavro::Interface   the interface header, include/TavroDeviceLibrary.h
#   Tavro::DeviceKit   the kit headers, kit/, with the interface and what a
#                      library built on them needs: C++17, its exports
#                      (TAVRO_DEVICE_LIBRARY_EXPORTS), threads and user32,
#                      and with MinGW the C++ runtime linked in (-static), so
#                      that the DLL needs no MinGW DLL beside it
#   Tavro::TavroCheck  the conformance checker of this package, for the
#                      architecture it was built for (x86-64 in the win64
#                      ZIP, i386 in the win32 one)
#
# tavro_add_check_test(<library target> [NAME <test>] [TIME <s>] [SOAK <s>]
#                      [ONLY <id>...] [SKIP <id>...] [REPEAT <n>]
#                      [JUNIT <file>] [JSON <file>])
#   Registers the CTest test <test> (default: tavro_check_<library target>)
#   that runs TavroCheck on $<TARGET_FILE:<library target>>, through
#   CMAKE_CROSSCOMPILING_EMULATOR when one is set (Wine, on a Linux cross
#   build). TIME, SOAK, ONLY, SKIP and REPEAT are TavroCheck's --time,
#   --soak, --only, --skip and --repeat. The test fails exactly when
#   TavroCheck exits non-zero (a check failed, or bad usage). It writes the
#   JUnit file <file> (default: <build>/tavro-check/<test>.xml), and the
#   JSON file when JSON is given; relative names are taken in the current
#   build folder. A library built for the other architecture than this
#   TavroCheck's is a configure error.
if(CMAKE_VERSION VERSION_LESS 3.16)
    message(FATAL_ERROR "TavroDeviceKit needs CMake 3.16 or later")
endif()

get_filename_component(_tavro_sdk_dir "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
# The TavroCheck.exe beside the SDK, unless -DTAVRO_CHECK_EXECUTABLE names another.
if(NOT TAVRO_CHECK_EXECUTABLE)
    get_filename_component(TAVRO_CHECK_EXECUTABLE "${_tavro_sdk_dir}/../TavroCheck.exe" ABSOLUTE)
endif()

# The architecture a Windows program was built for, as TavroCheck names it
# ("x86-64", "i386"), read from its PE header; "" if the file is none.
function(_tavro_program_architecture file result)
    set(${result} "" PARENT_SCOPE)
    if(NOT EXISTS "${file}")
        return()
    endif()
    file(READ "${file}" offset LIMIT 4 OFFSET 60 HEX)  # e_lfanew, little-endian
    if(NOT offset MATCHES "^(..)(..)(..)(..)$")
        return()
    endif()
    math(EXPR machine_at "0x${CMAKE_MATCH_4}${CMAKE_MATCH_3}${CMAKE_MATCH_2}${CMAKE_MATCH_1} + 4")
    file(READ "${file}" machine LIMIT 2 OFFSET ${machine_at} HEX)
    if(machine STREQUAL "6486")
        set(${result} "x86-64" PARENT_SCOPE)
    elseif(machine STREQUAL "4c01")
        set(${result} "i386" PARENT_SCOPE)
    endif()
endfunction()

if(NOT TARGET Tavro::Interface)
    add_library(Tavro::Interface INTERFACE IMPORTED)
    set_target_properties(Tavro::Interface PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${_tavro_sdk_dir}/include")

    include(CMakeFindDependencyMacro)
    find_dependency(Threads)
    add_library(Tavro::DeviceKit INTERFACE IMPORTED)
    set_target_properties(Tavro::DeviceKit PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${_tavro_sdk_dir}/kit"
        INTERFACE_COMPILE_FEATURES cxx_std_17
        INTERFACE_COMPILE_DEFINITIONS TAVRO_DEVICE_LIBRARY_EXPORTS
        INTERFACE_LINK_LIBRARIES "Tavro::Interface;Threads::Threads;user32")
    if(MINGW)
        set_target_properties(Tavro::DeviceKit PROPERTIES INTERFACE_LINK_OPTIONS -static)
    endif()
endif()

_tavro_program_architecture("${TAVRO_CHECK_EXECUTABLE}" _tavro_check_architecture)
if(_tavro_check_architecture AND NOT TARGET Tavro::TavroCheck)
    add_executable(Tavro::TavroCheck IMPORTED)
    set_target_properties(Tavro::TavroCheck PROPERTIES
        IMPORTED_LOCATION "${TAVRO_CHECK_EXECUTABLE}"
        TAVRO_ARCHITECTURE "${_tavro_check_architecture}")
endif()

function(tavro_add_check_test library)
    cmake_parse_arguments(PARSE_ARGV 1 TAVRO "" "NAME;TIME;SOAK;REPEAT;JUNIT;JSON" "ONLY;SKIP")
    set(where "tavro_add_check_test(${library})")
    if(TAVRO_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "${where}: unknown arguments: ${TAVRO_UNPARSED_ARGUMENTS}")
    endif()
    if(NOT TARGET ${library})
        message(FATAL_ERROR "${where}: ${library} is not a target of this project")
    endif()
    get_target_property(type ${library} TYPE)
    if(NOT type MATCHES "^(SHARED|MODULE)_LIBRARY$")
        message(FATAL_ERROR "${where}: ${library} is a ${type}, not a DLL (add_library(${library} SHARED ...))")
    endif()
    if(NOT TARGET Tavro::TavroCheck)
        message(FATAL_ERROR "${where}: ${TAVRO_CHECK_EXECUTABLE} is not a TavroCheck.exe; set "
                            "TAVRO_CHECK_EXECUTABLE, or use the sdk/cmake folder of a release ZIP")
    endif()
    get_target_property(checker Tavro::TavroCheck IMPORTED_LOCATION)
    get_target_property(checks Tavro::TavroCheck TAVRO_ARCHITECTURE)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(built x86-64)
    else()
        set(built i386)
    endif()
    if(NOT built STREQUAL checks)
        message(FATAL_ERROR "${where}: ${library} is built for ${built}, but ${checker} checks ${checks} "
                            "libraries: use the TavroDeviceKit package of the release ZIP for ${built} "
                            "(win64: x86-64, win32: i386)")
    endif()

    if(NOT TAVRO_NAME)
        set(TAVRO_NAME tavro_check_${library})
    endif()
    if(NOT TAVRO_JUNIT)
        set(TAVRO_JUNIT "${CMAKE_BINARY_DIR}/tavro-check/${TAVRO_NAME}.xml")
    endif()
    set(arguments)
    foreach(report JUNIT JSON)
        if(TAVRO_${report})
            get_filename_component(file "${TAVRO_${report}}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
            get_filename_component(folder "${file}" DIRECTORY)
            file(MAKE_DIRECTORY "${folder}")
            string(TOLOWER "--${report}" option)
            list(APPEND arguments ${option} "${file}")
        endif()
    endforeach()
    foreach(option TIME SOAK REPEAT)
        if(DEFINED TAVRO_${option})
            string(TOLOWER "--${option}" name)
            list(APPEND arguments ${name} ${TAVRO_${option}})
        endif()
    endforeach()
    foreach(option ONLY SKIP)
        if(TAVRO_${option})
            string(TOLOWER "--${option}" name)
            list(JOIN TAVRO_${option} "," ids)
            list(APPEND arguments ${name} ${ids})
        endif()
    endforeach()
    add_test(NAME ${TAVRO_NAME}
             COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:Tavro::TavroCheck> ${arguments}
                     $<TARGET_FILE:${library}>)
endfunction()
