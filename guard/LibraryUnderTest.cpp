#include "guard/LibraryUnderTest.h"

#include "guard/SharedRunState.h"

#include <atomic>
#include <cstring>

namespace {

char g_path[kSharedPathChars] = "";
std::atomic<uint32_t> g_request(0);

}  // namespace

CLibraryUnderTest::CLibraryUnderTest(const char* libraryPath, uint32_t request)
{
    std::strncpy(g_path, libraryPath ? libraryPath : "", sizeof g_path - 1);
    g_request.store(request);
}

CLibraryUnderTest::~CLibraryUnderTest()
{
    g_request.store(0);
    g_path[0] = '\0';
}

const char* LibraryUnderTestPath()
{
    return g_path;
}

uint32_t LibraryUnderTestRequest()
{
    return g_request.load();
}
