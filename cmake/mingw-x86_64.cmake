# Cross-builds the x86-64 program with the mingw-w64 compilers of the posix
# thread model, so that std::thread and std::atomic are available.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TAVRO_MINGW_TRIPLET x86_64-w64-mingw32)
set(TAVRO_WINE_ARCH x64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
