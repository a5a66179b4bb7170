# Cross-builds the x86-64 program with the mingw-w64 compilers of the posix
# thread model, so that std::thread and std::atomic are available.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TAVRO_MINGW_TRIPLET x86_64-w64-mingw32)
set(TAVRO_WINE_LOADER /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader that runs the x86-64 programs")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
