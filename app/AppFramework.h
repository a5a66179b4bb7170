// The application framework of the program: one application object, and one
// operation that prepares the process environment before the tests run.
#pragma once

#include <windows.h>

// The application object. The program constructs and destroys its one global
// instance and does nothing else with it.
class CTavroApplication {
public:
    CTavroApplication();
    CTavroApplication(const CTavroApplication&) = delete;
    CTavroApplication& operator=(const CTavroApplication&) = delete;
};

extern CTavroApplication theApp;

// Prepares the process for testing device libraries: the system reports
// load failures to the program instead of showing message boxes, and the
// current directory is not searched for a library's dependencies.
// Returns false when the environment could not be set up.
bool InitApplicationFramework(HINSTANCE instance, HINSTANCE previousInstance,
                              LPSTR commandLine, int showCommand);
