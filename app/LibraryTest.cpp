#include "app/LibraryTest.h"

void TestDeviceLibrary(const char* libraryPath)
{
    (void)libraryPath;
}
