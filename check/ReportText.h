// Texts of the report files: a library's texts are bytes of the ANSI code
// page, the files are UTF-8.
#pragma once

#include <string>

// Bytes taken as Latin-1 (Windows-1252 differs only in 0x80-0x9F, which
// come out as the C1 controls), written as UTF-8. Portable: the same on
// every build machine.
std::string Latin1ToUtf8(const std::string& text);

// Text for XML character data and attribute values: & < > " ' escaped, tab,
// line feed and carriage return as character references, other control
// characters (which XML 1.0 cannot carry) as the visible text "\xHH".
// Expects UTF-8.
std::string XmlEscape(const std::string& text);
