// GoogleTest's result printer, made safe for 32-bit test programs that run
// under qemu user emulation.
#pragma once

// Where TAVRO_I386_EMULATED=1 says that this 32-bit program runs under qemu
// user emulation, replaces GoogleTest's default result printer by one that
// prints the same text without calling OutputDebugStringA: Wine raises and
// catches an exception inside that call, and under qemu that kills the
// process at the first failed or skipped check, hiding the result. Call it
// after testing::InitGoogleTest.
void UseEmulationSafeResultPrinter();

// True where TAVRO_I386_EMULATED=1 (set by scripts/test and scripts/wine-run)
// says that this 32-bit program runs under qemu user emulation.
bool RunsUnderI386Emulation();

// Skips the calling test there, with the reason: what qemu breaks.
#define TAVRO_SKIP_UNDER_I386_EMULATION(what)                                                      \
    if (RunsUnderI386Emulation())                                                                  \
    GTEST_SKIP() << "i386 programs run under qemu user emulation on this machine, which " what
#define TAVRO_QEMU_BREAKS_FAULTS "does not hand a 32-bit program's hardware faults to Wine intact"
#define TAVRO_QEMU_BREAKS_RAISED_EXCEPTIONS                                                         \
    "ends a 32-bit program that raises an exception (RaiseException), even one it catches itself"
// Not broken, only slow: a case whose whole point is a child process of its
// own (a minute or more of emulated start-up each, the largest share of the
// emulated test time). The case runs where i386 is native, and in the
// x86-64 build everywhere.
#define TAVRO_QEMU_SLOWS_CHILD_PROCESSES                                                            \
    "takes a minute or more to start each 32-bit child process; this case runs where i386 is "     \
    "native and in the x86-64 build"
#define TAVRO_QEMU_BREAKS_TERMINATE_THREAD                                                          \
    "ends the whole 32-bit program when one of its threads is ended with TerminateThread, as the " \
    "library does with a thread still running when it is freed"
