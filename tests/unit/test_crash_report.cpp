#include "guard/CrashReport.h"
#include "guard/SharedRunState.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string Report(unsigned long code, const char* faulting, const char* tested, std::size_t size = 512)
{
    std::string buffer(size, '#');
    const std::size_t length = FormatCrashReport(code, faulting, tested, &buffer[0], size);
    EXPECT_EQ('\0', buffer[length]);
    return buffer.substr(0, length);
}

}  // namespace

TEST(CrashReport, NamesTheCodeInUpperCaseHexAndTheLibrary)
{
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 while testing Tavro device library C:\\x\\100% a.dll\n",
              Report(0xC0000005ul, nullptr, "C:\\x\\100% a.dll"));
    EXPECT_EQ("ERROR: unhandled exception 0x0000ABCD\n", Report(0xABCDul, nullptr, nullptr));
    EXPECT_EQ("ERROR: unhandled exception 0xFFFFFFFF\n", Report(0xFFFFFFFFul, nullptr, nullptr));
}

TEST(CrashReport, NamesTheFaultingLibraryBeforeTheOneUnderTest)
{
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 in Tavro device library C:\\a.dll while testing "
              "Tavro device library C:\\b.dll\n",
              Report(0xC0000005ul, "C:\\a.dll", "C:\\b.dll"));
    EXPECT_EQ("ERROR: unhandled exception 0xC00000FD in Tavro device library C:\\a.dll\n",
              Report(0xC00000FDul, "C:\\a.dll", nullptr));
}

TEST(CrashReport, IsCutToTheBufferWithoutWritingPastIt)
{
    EXPECT_EQ("ERROR: unh", Report(0xC0000005ul, "C:\\a.dll", "C:\\lib.dll", 11));
    std::string one(1, '#');
    EXPECT_EQ(0u, FormatCrashReport(1, nullptr, nullptr, &one[0], 1));
    EXPECT_EQ('\0', one[0]);
}

TEST(CrashReport, ProcessEndNamesTheLibraryAndTheExitCode)
{
    char buffer[128];
    const std::size_t length = FormatProcessEndReport("C:\\x\\a.dll", 4294967295ul, buffer, sizeof buffer);
    EXPECT_EQ("ERROR: Tavro device library C:\\x\\a.dll ended the process with exit code 4294967295\n",
              std::string(buffer, length));
    EXPECT_EQ("ERROR: Tavro device library C:\\a.dll ended the process with exit code 0\n",
              std::string(buffer, FormatProcessEndReport("C:\\a.dll", 0, buffer, sizeof buffer)));
}

namespace {

// A child's shared state with libraries at 0x10000 (a.dll) and 0x20000
// (b.dll), each 0x1000 bytes, b.dll under test.
class ChildEndTest : public ::testing::Test {
protected:
    ChildEndTest() : m_state(new SharedRunState())
    {
        Add(0x10000, "C:\\a.dll", kEntryLoaded);
        Add(0x20000, "C:\\b.dll", kEntryLoaded);
        CopyText(m_state->libraryUnderTest, kSharedPathChars, "C:\\b.dll");
        m_state->moduleUnderTest.store(0x20000);
        m_state->testing.store(1);
    }

    void Add(std::uintptr_t base, const char* path, int32_t state)
    {
        LibraryEntry& entry = m_state->libraries.entries[m_state->libraries.added.fetch_add(1)];
        entry.base.store(base);
        entry.size.store(0x1000);
        CopyText(entry.path, kSharedPathChars, path);
        entry.state.store(state);
    }

    std::string Fault(uint32_t code, std::uintptr_t address, std::uintptr_t threadStart)
    {
        m_state->fault.taken.store(1);
        m_state->fault.code.store(code);
        m_state->fault.address.store(address);
        m_state->fault.threadStart.store(threadStart);
        return ChildEndReport(*m_state, code);
    }

    std::unique_ptr<SharedRunState> m_state;
};

}  // namespace

TEST_F(ChildEndTest, AFaultNamesTheLibraryWhoseCodeOrThreadItWasWhenNotTheOneUnderTest)
{
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 while testing Tavro device library C:\\b.dll\n",
              Fault(0xC0000005, 0x20010, 0));
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 in Tavro device library C:\\a.dll while testing "
              "Tavro device library C:\\b.dll\n",
              Fault(0xC0000005, 0x10010, 0x20020));
    // A fault in the C runtime on a thread that a.dll started, a.dll freed
    // by then: a.dll is named all the same.
    m_state->libraries.entries[0].state.store(kEntryFreed);
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 in Tavro device library C:\\a.dll while testing "
              "Tavro device library C:\\b.dll\n",
              Fault(0xC0000005, 0x7FF00000, 0x10020));
    // A library loaded where a freed one lay is the one that is named.
    Add(0x10000, "C:\\c.dll", kEntryLoaded);
    EXPECT_NE(std::string::npos, Fault(0xC0000005, 0x10010, 0).find(" in Tavro device library C:\\c.dll "));
}

TEST_F(ChildEndTest, AnEndWithoutAFaultIsAnExceptionOrAnExitByItsCode)
{
    EXPECT_EQ("ERROR: unhandled exception 0xC0000409 while testing Tavro device library C:\\b.dll\n",
              ChildEndReport(*m_state, 0xC0000409));
    EXPECT_EQ("ERROR: Tavro device library C:\\b.dll ended the process with exit code 0\n",
              ChildEndReport(*m_state, 0));
    // Between two tests: the library loaded last did it.
    m_state->testing.store(0);
    EXPECT_EQ("ERROR: Tavro device library C:\\b.dll ended the process with exit code 5\n",
              ChildEndReport(*m_state, 5));
    EXPECT_EQ("ERROR: the search process ended with exit code 7\n", ChildEndReport(SharedRunState(), 7));
    // ExitProcess on a thread that a.dll started, while b.dll is tested.
    m_state->testing.store(1);
    m_state->exit.threadStart.store(0x10020);
    m_state->exit.seen.store(1);
    EXPECT_EQ("ERROR: Tavro device library C:\\a.dll ended the process with exit code 5 while testing Tavro "
              "device library C:\\b.dll\n",
              ChildEndReport(*m_state, 5));
}
