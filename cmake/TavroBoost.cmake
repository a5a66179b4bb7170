# Boost is used for its header-only parts (shared_ptr, string algorithms).
# A cross compiler must not see the build machine's /usr/include, so the
# headers are offered through a folder that holds nothing but "boost".
add_library(tavro_boost INTERFACE)

if(CMAKE_CROSSCOMPILING AND NOT MSVC)
    set(TAVRO_BOOST_INCLUDE_DIR /usr/include CACHE PATH
        "Folder whose boost/ subfolder holds the Boost headers")
    if(NOT EXISTS "${TAVRO_BOOST_INCLUDE_DIR}/boost/shared_ptr.hpp")
        message(FATAL_ERROR "Boost headers not found under ${TAVRO_BOOST_INCLUDE_DIR}/boost "
                            "(install libboost-dev, or set TAVRO_BOOST_INCLUDE_DIR)")
    endif()
    set(boost_only "${CMAKE_BINARY_DIR}/boost-only-include")
    file(MAKE_DIRECTORY "${boost_only}")
    if(NOT EXISTS "${boost_only}/boost")
        file(CREATE_LINK "${TAVRO_BOOST_INCLUDE_DIR}/boost" "${boost_only}/boost" SYMBOLIC)
    endif()
    target_include_directories(tavro_boost SYSTEM INTERFACE "${boost_only}")
else()
    find_package(Boost REQUIRED)
    target_link_libraries(tavro_boost INTERFACE Boost::headers)
endif()
