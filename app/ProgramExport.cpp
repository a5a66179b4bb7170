// The program's own export: hosts and tools can ask a program file which
// version of the device-library interface it speaks.
#define TAVRO_DEVICE_LIBRARY_EXPORTS
#include "device/TavroDeviceLibrary.h"

extern "C" TAVRO_API uint32_t TAVRO_CALL Tavro_GetDeviceLibraryVersion(void)
{
    return 1;
}
