#include "WriterDevice.h"

extern const char kDeviceName[] = "Writer Thermometer";
