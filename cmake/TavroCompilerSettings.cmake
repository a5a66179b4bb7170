# Compiler and linker settings shared by every target of the project.
enable_language(RC)

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _CRT_SECURE_NO_WARNINGS)

if(MSVC)
    add_compile_options(/W4 /permissive- /utf-8)
    # The program's manifest comes from its resource script; the linker must
    # not add a second one.
    add_link_options(/MANIFEST:NO)
else()
    add_compile_options(-Wall -Wextra -Wpedantic)
    # The C and C++ runtimes and winpthread are linked in, so the program and
    # the project's libraries need no MinGW DLLs beside them.
    add_link_options(-static)
    # Release files carry no symbol tables (the export table stays).
    add_link_options($<$<CONFIG:Release>:-s>)
endif()
