// Texts of the report files: a library's texts are bytes of the ANSI code
// page, the files are UTF-8.
#pragma once

#include <string>

// Text in the code page (the system's ANSI code page unless told) written
// as UTF-8, as the system converts it.
std::string AnsiToUtf8(const std::string& text, unsigned codePage = 0);

// Text for XML character data and attribute values: & < > " ' escaped, tab,
// line feed and carriage return as character references, other control
// characters (which XML 1.0 cannot carry) as the visible text "\xHH".
// Expects UTF-8.
std::string XmlEscape(const std::string& text);
