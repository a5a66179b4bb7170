// KitWindows.h - what every kit header includes first: <windows.h>, lean
// and without the min/max macros, and the interface header.
#ifndef TAVRO_KIT_WINDOWS_H
#define TAVRO_KIT_WINDOWS_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "TavroDeviceLibrary.h"

#endif // TAVRO_KIT_WINDOWS_H
