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

// The same test, for the test programs' own use.
bool RunsUnderI386Emulation();
