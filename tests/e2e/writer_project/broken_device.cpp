// The same device with an empty name, which the interface forbids.
#include "WriterDevice.h"

extern const char kDeviceName[] = "";
