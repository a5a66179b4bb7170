// DeviceLibraryKit.h - building blocks of a Tavro device library.
//
// The sample device library (SampleDevice.cpp) is built from these pieces,
// and so can yours. Each one deals with one of the rules that
// TavroDeviceLibrary.h states:
//
//   CopyText          text into a host buffer, truncated safely
//   CurrentFileTime   the acquisition time of a record
//   StateCallback     the host's callback, registered and called thread-safely
//   WorkerThread      the library's own thread, stopped and joined cleanly,
//                     and ended safely when the host frees the library
//                     without stopping it first
//   ThreadTimer       a one-shot timer on the host's thread, for libraries
//                     that report readiness from the host's message loop
//   SampleStore       the samples the library's thread has taken: the
//                     newest one and a bounded queue, read by the host's calls
//   PublishedRecord   the record handed to the host, kept unchanged until
//                     the host's next call
//   AcquiringDevice   a base for the library's device class, built from the
//                     pieces above: the host's calls that read samples, stop
//                     acquisition and set the callback, and the library's
//                     part in being freed
//
// Everything here is header-only, C++17 and Win32, and builds with MSVC and
// mingw-w64 alike.
//
// The pieces live in three headers of one job each, included here:
//   KitThreads.h   threads and timers (StateCallback, WorkerThread, ThreadTimer)
//   KitSamples.h   sample storage (CurrentFileTime, SampleStore, PublishedRecord)
//   KitDevice.h    the device base (CopyText, AcquiringDevice)
// (and KitWindows.h, the system headers all three include first).
#ifndef TAVRO_DEVICE_LIBRARY_KIT_H
#define TAVRO_DEVICE_LIBRARY_KIT_H

#include "KitDevice.h"
#include "KitSamples.h"
#include "KitThreads.h"

#endif // TAVRO_DEVICE_LIBRARY_KIT_H
