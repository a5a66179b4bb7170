# Cross-builds the i386 program with the mingw-w64 compilers of the posix
# thread model, so that std::thread and std::atomic are available.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR X86)
set(TAVRO_MINGW_TRIPLET i686-w64-mingw32)
set(TAVRO_WINE_ARCH x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
