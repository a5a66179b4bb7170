# The header-only libraries of TavroCheck: CLI11 (command line) and
# nlohmann-json (JSON report). On a cross build they come from the Debian
# packages libcli11-dev and nlohmann-json3-dev, each offered through a folder
# that holds nothing but its own headers; with MSVC from find_package
# (vcpkg, say).
include(${CMAKE_CURRENT_LIST_DIR}/TavroHeaderOnly.cmake)

if(CMAKE_CROSSCOMPILING AND NOT MSVC)
    tavro_offer_host_headers(tavro_cli11 CLI CLI/CLI.hpp libcli11-dev)
    tavro_offer_host_headers(tavro_json nlohmann nlohmann/json.hpp nlohmann-json3-dev)
else()
    add_library(tavro_cli11 INTERFACE)
    add_library(tavro_json INTERFACE)
    find_package(CLI11 CONFIG REQUIRED)
    find_package(nlohmann_json CONFIG REQUIRED)
    target_link_libraries(tavro_cli11 INTERFACE CLI11::CLI11)
    target_link_libraries(tavro_json INTERFACE nlohmann_json::nlohmann_json)
endif()
