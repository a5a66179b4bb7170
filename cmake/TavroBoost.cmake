# Boost is used for its header-only parts (shared_ptr, string algorithms).
# A cross compiler must not see the build machine's /usr/include, so the
# headers are offered through a folder that holds nothing but "boost".
include(${CMAKE_CURRENT_LIST_DIR}/TavroHeaderOnly.cmake)

if(CMAKE_CROSSCOMPILING AND NOT MSVC)
    # The cache variable keeps its old name: TAVRO_BOOST_INCLUDE_DIR.
    tavro_offer_host_headers(tavro_boost boost boost/shared_ptr.hpp libboost-dev)
else()
    add_library(tavro_boost INTERFACE)
    find_package(Boost REQUIRED)
    target_link_libraries(tavro_boost INTERFACE Boost::headers)
endif()
