#include "app/AppFramework.h"

CTavroApplication theApp;

CTavroApplication::CTavroApplication() = default;

bool InitApplicationFramework(HINSTANCE instance, HINSTANCE previousInstance,
                              LPSTR commandLine, int showCommand)
{
    (void)previousInstance;
    (void)showCommand;
    if (!instance || !commandLine)
        return false;
    // A library that cannot be loaded must end in an error message the
    // program prints, never in a system dialog waiting for someone to click.
    // Added to the mode, which may already keep fault dialogues away.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // Dependencies of a device library must not be planted in whatever
    // folder the operator started the program from.
    return SetDllDirectoryA("") != FALSE;
}
