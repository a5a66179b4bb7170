#include "app/AcquisitionDialogue.h"

#include "app/DataReport.h"
#include "app/OperatorAnswer.h"
#include "guard/LibraryHooks.h"
#include "output/ConsoleLog.h"

#include <sstream>
#include <stdexcept>

namespace {

const uint32_t kDefaultSeconds = 10;
const int kDeviceIndent = 2;

std::string ReadAnswer(I_AcquisitionSystem& system)
{
    std::string answer;
    {
        const CWaitingFor waiting(CWaitingFor::kOperator);
        answer = system.ReadLine();
    }
    NormaliseAnswer(answer);
    return answer;
}

// Copies a refusing answer into the log after its question and closes the
// dialogue for the device.
void CloseWithoutTest(const std::string& answer, const std::string& name)
{
    PrintText(" ", 0, true);
    PrintText(answer, 0, true);
    PrintFormatted("\n\nEnd of testing device \"%s\"\n\n", name.c_str(), 0);
}

uint32_t Elapsed(I_AcquisitionSystem& system, uint32_t start)
{
    // Unsigned 32-bit arithmetic: a wrap of the tick count between the two
    // readings does not disturb the difference.
    return static_cast<uint32_t>(system.TickCount() - start);
}

void WaitUntilReady(I_TavroDevice& device, I_AcquisitionSystem& system, uint32_t limit)
{
    const uint32_t start = system.TickCount();
    if (device.IsReady())
        return;
    for (;;) {
        if (Elapsed(system, start) > limit)
            throw std::runtime_error("ERROR: Tavro device " + device.GetDeviceName() +
                                     " is not ready for data acquisition\n");
        system.PumpMessageOrSleep();
        if (device.IsReady())
            return;
    }
}

void Acquire(const TavroDevicePtr& device, I_AcquisitionSystem& system, uint32_t duration)
{
    const uint32_t start = system.TickCount();
    // The time is tested only after a report, so there is always one poll.
    do {
        system.PumpMessageOrSleep();
        ReportLastData(device);
    } while (Elapsed(system, start) <= duration);
}

}  // namespace

void RunAcquisitionTest(TavroDevicePtr device)
{
    CWin32AcquisitionSystem system;
    RunAcquisitionTest(device, system);
}

void RunAcquisitionTest(TavroDevicePtr device, I_AcquisitionSystem& system)
{
    if (!device)
        return;

    PrintFormatted("Run acquisition test on device \"%s\" Y/N?", device->GetDeviceName().c_str(),
                   kDeviceIndent);
    std::string answer = ReadAnswer(system);
    if (!IsYes(answer)) {
        CloseWithoutTest(answer, device->GetDeviceName());
        return;
    }
    PrintText(" Y\n", 0, true);

    std::ostringstream question;
    question << "\nMake sure device \"" << device->GetDeviceName()
             << "\" is ready. Enter the acquisition time in seconds (" << kDefaultSeconds << "):";
    PrintText(question.str(), kDeviceIndent, false);

    answer = ReadAnswer(system);
    uint32_t duration = kDefaultSeconds * 1000;
    if (answer.empty()) {
        answer = std::to_string(kDefaultSeconds);
    } else {
        duration = AcquisitionMilliseconds(answer);
        if (duration == 0) {
            CloseWithoutTest(answer, device->GetDeviceName());
            return;
        }
    }
    PrintText(" ", 0, true);
    PrintText(answer, 0, true);
    PrintText("\n", 0, false);

    PrintFormatted("\nAcquiring data from \"%s\" . . .\n\n", device->GetDeviceName().c_str(),
                   kDeviceIndent);
    {
        const CWaitingFor waiting(CWaitingFor::kAcquisition);
        device->PrepareExperiment();
        WaitUntilReady(*device, system, duration);
        device->StartExperiment();
        Acquire(device, system, duration);
        device->StopExperiment();
    }
    PrintFormatted("End of testing device \"%s\"\n\n", device->GetDeviceName().c_str(), 0);
}
