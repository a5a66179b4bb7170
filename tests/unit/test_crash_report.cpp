#include "guard/CrashReport.h"
#include "guard/SharedRunState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// A child's shared state: the child was sent a.dll (request 1) and b.dll
// (request 2), at 0x10000 and 0x20000, each 0x1000 bytes, and is testing
// b.dll.
class ChildEndTest : public ::testing::Test {
protected:
    ChildEndTest() : m_state(new SharedRunState()), m_paths{"C:\\a.dll", "C:\\b.dll"}
    {
        ResetForNewChild(*m_state);
        Add(0x10000, 1, kEntryLoaded);
        Add(0x20000, 2, kEntryLoaded);
        m_state->progress.taken.store(2);
        m_state->progress.finished.store(1);
    }

    // The report on this state once scribble has written over it.
    std::string Scribbled(const std::function<void(SharedRunState&)>& scribble)
    {
        std::unique_ptr<SharedRunState> copy(new SharedRunState());
        std::memcpy(static_cast<void*>(copy.get()), m_state.get(), sizeof *copy);
        scribble(*copy);
        return ChildEndReport(CChildFacts(*copy, 1, m_paths), 7);
    }

    void Add(std::uintptr_t base, uint32_t request, int32_t state)
    {
        LibraryEntry& entry = m_state->libraries.entries[m_state->libraries.added.fetch_add(1)];
        entry.base.store(base);
        entry.size.store(0x1000);
        entry.request.store(request);
        entry.state.store(state);
    }

    std::string Report(unsigned long exitCode) const
    {
        return ChildEndReport(CChildFacts(*m_state, 1, m_paths), exitCode);
    }

    std::string Fault(uint32_t code, std::uintptr_t address, std::uintptr_t threadStart,
                      std::uintptr_t stack = 0)
    {
        m_state->fault.taken.store(1);
        m_state->fault.code.store(code);
        m_state->fault.address.store(address);
        m_state->fault.threadStart.store(threadStart);
        m_state->fault.stackAddress.store(stack);
        return Report(code);
    }

    std::unique_ptr<SharedRunState> m_state;
    std::vector<std::string> m_paths;
};

const char kNoUsableState[] = "ERROR: the search process ended with exit code 7 and left no usable state\n";

}  // namespace

TEST_F(ChildEndTest, AFaultNamesTheLibraryWhoseCodeStackOrThreadItWasWhenNotTheOneUnderTest)
{
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 while testing Tavro device library C:\\b.dll\n",
              Fault(0xC0000005, 0x20010, 0));
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 in Tavro device library C:\\a.dll while testing "
              "Tavro device library C:\\b.dll\n",
              Fault(0xC0000005, 0x10010, 0x20020));
    // A fault in the C runtime called from a.dll's code on a thread that the
    // runtime started: the stack names a.dll before the thread's start.
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 in Tavro device library C:\\a.dll while testing "
              "Tavro device library C:\\b.dll\n",
              Fault(0xC0000005, 0x7FF00000, 0x7FF10000, 0x10030));
    // A fault in the C runtime on a thread that a.dll started, a.dll freed
    // by then: a.dll is named all the same.
    m_state->libraries.entries[0].state.store(kEntryFreed);
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 in Tavro device library C:\\a.dll while testing "
              "Tavro device library C:\\b.dll\n",
              Fault(0xC0000005, 0x7FF00000, 0x10020));
    // A library loaded where a freed one lay is the one that is named.
    m_paths.push_back("C:\\c.dll");
    Add(0x10000, 3, kEntryLoaded);
    m_state->progress.taken.store(3);
    m_state->progress.finished.store(2);
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 while testing Tavro device library C:\\c.dll\n",
              Fault(0xC0000005, 0x10010, 0));
}

TEST_F(ChildEndTest, AnEndWithoutAFaultIsAnExceptionOrAnExitByItsCode)
{
    EXPECT_EQ("ERROR: unhandled exception 0xC0000409 while testing Tavro device library C:\\b.dll\n", Report(0xC0000409));
    EXPECT_EQ("ERROR: Tavro device library C:\\b.dll ended the process with exit code 0\n", Report(0));
    // ExitProcess called from a.dll's code on a thread the runtime started,
    // while b.dll is tested; then on a thread a.dll started itself.
    m_state->exit.stackAddress.store(0x10040);
    m_state->exit.threadStart.store(0x7FF10000);
    m_state->exit.seen.store(1);
    const std::string aDuringB = "ERROR: Tavro device library C:\\a.dll ended the process with exit code 5 while "
                                 "testing Tavro device library C:\\b.dll\n";
    EXPECT_EQ(aDuringB, Report(5));
    m_state->exit.stackAddress.store(0);
    m_state->exit.threadStart.store(0x10020);
    EXPECT_EQ(aDuringB, Report(5));
    // Between two tests: the library loaded last did it.
    m_state->exit.seen.store(0);
    m_state->progress.finished.store(2);
    EXPECT_EQ("ERROR: Tavro device library C:\\b.dll ended the process with exit code 5\n", Report(5));
    // A child that loaded nothing.
    SharedRunState empty;
    ResetForNewChild(empty);
    EXPECT_EQ("ERROR: the search process ended with exit code 7\n",
              ChildEndReport(CChildFacts(empty, 1, m_paths), 7));
}

TEST_F(ChildEndTest, FactsThatMakeNoSenseGiveOneLineAndNothingOfTheChildsIsPrinted)
{
    // A library that wrote over the whole state.
    EXPECT_EQ(kNoUsableState, Scribbled([](SharedRunState& s) { std::memset(static_cast<void*>(&s), 'A', sizeof s); }));
    const auto scribbled = [this](const std::function<void(SharedRunState&)>& scribble) { return Scribbled(scribble); };
    EXPECT_EQ(kNoUsableState, scribbled([](SharedRunState& s) { s.progress.taken.store(9); }));
    EXPECT_EQ(kNoUsableState, scribbled([](SharedRunState& s) { s.progress.finished.store(3); }));
    EXPECT_EQ(kNoUsableState, scribbled([](SharedRunState& s) { s.progress.taken.store(0); }));
    EXPECT_EQ(kNoUsableState, scribbled([](SharedRunState& s) { s.fault.taken.store(0x41414141); }));
    EXPECT_EQ(kNoUsableState, scribbled([](SharedRunState& s) { s.libraries.entries[1].request.store(77); }));
    EXPECT_EQ(kNoUsableState, scribbled([](SharedRunState& s) { s.libraries.entries[0].state.store(3); }));
    EXPECT_EQ(kNoUsableState, scribbled([](SharedRunState& s) { s.libraries.entries[0].size.store(0); }));
    EXPECT_EQ(kNoUsableState, scribbled([](SharedRunState& s) { s.libraries.entries[0].size.store(~0u); }));
    // Text in the request path is never read back: the parent's own copy names the library.
    EXPECT_EQ("ERROR: Tavro device library C:\\b.dll ended the process with exit code 7\n",
              scribbled([](SharedRunState& s) { std::memset(s.request.path, 'A', sizeof s.request.path); }));
}
