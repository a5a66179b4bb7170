# Header-only libraries from the build machine's packages, for a cross build.
#
# A cross compiler must not see the build machine's /usr/include wholesale,
# so each library's headers are offered through a folder of the build tree
# that holds nothing but a link to that library's own header folder.
#
# tavro_offer_host_headers(<target> <subfolder> <probe file> <package>)
#   Makes the INTERFACE target <target> whose include folder holds only
#   <subfolder> (e.g. "boost"), linked from ${TAVRO_<TARGET>_INCLUDE_DIR}
#   (default /usr/include). Stops with a clear message when <probe file>
#   (relative to the include folder) is missing, naming the <package> to
#   install.
function(tavro_offer_host_headers target subfolder probe package)
    string(TOUPPER "${target}" upper)
    set(variable "${upper}_INCLUDE_DIR")
    set(${variable} /usr/include CACHE PATH "Folder whose ${subfolder}/ subfolder holds the ${target} headers")
    set(root "${${variable}}")
    if(NOT EXISTS "${root}/${probe}")
        message(FATAL_ERROR "${target} headers not found: ${root}/${probe} is missing "
                            "(install ${package}, or set ${variable})")
    endif()
    set(only "${CMAKE_BINARY_DIR}/${target}-only-include")
    file(MAKE_DIRECTORY "${only}")
    if(NOT EXISTS "${only}/${subfolder}")
        file(CREATE_LINK "${root}/${subfolder}" "${only}/${subfolder}" SYMBOLIC)
    endif()
    add_library(${target} INTERFACE)
    target_include_directories(${target} SYSTEM INTERFACE "${only}")
endfunction()
