// Writing all of a text to a file or pipe handle, however many pieces the
// system takes it in (a pipe may take less than asked).
#pragma once

#include <string>

// Stops early only when a write fails.
void WriteWhole(void* handle, const std::string& bytes);
