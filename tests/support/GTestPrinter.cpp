#include "GTestPrinter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Forwards every event to GoogleTest's own printer except a check's result,
// which it prints as that printer does, less the debugger output.
class CResultPrinterWithoutDebugOutput : public testing::TestEventListener {
public:
    explicit CResultPrinterWithoutDebugOutput(testing::TestEventListener* printer) : m_printer(printer) {}

    void OnTestPartResult(const testing::TestPartResult& result) override
    {
        if (result.type() == testing::TestPartResult::kSuccess)
            return;
        const char* kind = result.type() == testing::TestPartResult::kSkip ? "Skipped" : "Failure";
        if (result.file_name())
            std::printf("%s:%d: ", result.file_name(), result.line_number());
        std::printf("%s\n%s\n", kind, result.message());
        std::fflush(stdout);
    }

    void OnTestProgramStart(const testing::UnitTest& test) override { m_printer->OnTestProgramStart(test); }
    void OnTestIterationStart(const testing::UnitTest& test, int iteration) override
    {
        m_printer->OnTestIterationStart(test, iteration);
    }
    void OnEnvironmentsSetUpStart(const testing::UnitTest& test) override { m_printer->OnEnvironmentsSetUpStart(test); }
    void OnEnvironmentsSetUpEnd(const testing::UnitTest& test) override { m_printer->OnEnvironmentsSetUpEnd(test); }
    void OnTestSuiteStart(const testing::TestSuite& suite) override { m_printer->OnTestSuiteStart(suite); }
    void OnTestCaseStart(const testing::TestCase& suite) override { m_printer->OnTestCaseStart(suite); }
    void OnTestStart(const testing::TestInfo& info) override { m_printer->OnTestStart(info); }
    void OnTestDisabled(const testing::TestInfo& info) override { m_printer->OnTestDisabled(info); }
    void OnTestEnd(const testing::TestInfo& info) override { m_printer->OnTestEnd(info); }
    void OnTestSuiteEnd(const testing::TestSuite& suite) override { m_printer->OnTestSuiteEnd(suite); }
    void OnTestCaseEnd(const testing::TestCase& suite) override { m_printer->OnTestCaseEnd(suite); }
    void OnEnvironmentsTearDownStart(const testing::UnitTest& test) override
    {
        m_printer->OnEnvironmentsTearDownStart(test);
    }
    void OnEnvironmentsTearDownEnd(const testing::UnitTest& test) override
    {
        m_printer->OnEnvironmentsTearDownEnd(test);
    }
    void OnTestIterationEnd(const testing::UnitTest& test, int iteration) override
    {
        m_printer->OnTestIterationEnd(test, iteration);
    }
    void OnTestProgramEnd(const testing::UnitTest& test) override { m_printer->OnTestProgramEnd(test); }

private:
    std::unique_ptr<testing::TestEventListener> m_printer;
};

}  // namespace

bool RunsUnderI386Emulation()
{
    const char* emulated = std::getenv("TAVRO_I386_EMULATED");
    return sizeof(void*) == 4 && emulated && std::strcmp(emulated, "1") == 0;
}

void UseEmulationSafeResultPrinter()
{
    if (!RunsUnderI386Emulation())
        return;
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    testing::TestEventListener* printer = listeners.Release(listeners.default_result_printer());
    if (printer)
        listeners.Append(new CResultPrinterWithoutDebugOutput(printer));
}
