// A library built for the other architecture than this program's: the
// x86-64 program cannot load an i386 device library, nor the i386 program
// an x86-64 one, and the operator is told which program tests it.
#pragma once

#include <string>

// "  <path> is a 32-bit (i386) Tavro device library: the i386 TavroProbe
// tests it\n" (or the same of a 64-bit (x86-64) library in the i386 build)
// when the file at path is a DLL of the other architecture that exports
// functions of the interface; empty otherwise.
std::string OtherArchitectureText(const std::string& path);
