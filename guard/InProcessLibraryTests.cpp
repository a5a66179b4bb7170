#include "guard/InProcessLibraryTests.h"

#include "guard/LibraryUnderTest.h"
#include "guard/TimerExceptions.h"
#include "guard/Watchdog.h"

CInProcessLibraryTests::CInProcessLibraryTests(LibraryTest test) : m_test(test)
{
    KeepTimerExceptionsUnhandled();
    StartWatchdog();
}

CInProcessLibraryTests::~CInProcessLibraryTests()
{
    StopWatchdog();
}

bool CInProcessLibraryTests::Test(const char* libraryPath)
{
    const CLibraryUnderTest underTest(libraryPath, 0);
    m_test(libraryPath);
    return true;
}
