#include "check/recording/ReportText.h"

#include <windows.h>

#include <cstdio>
#include <vector>

std::string AnsiToUtf8(const std::string& text, unsigned codePage)
{
    if (text.empty())
        return text;
    const UINT from = codePage ? codePage : CP_ACP;
    const int size = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
    if (wide <= 0)
        return std::string(text.size(), '?');
    std::vector<wchar_t> utf16(wide);
    MultiByteToWideChar(from, 0, text.data(), size, utf16.data(), wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, &out[0], bytes, nullptr, nullptr);
    return out;
}

std::string XmlEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}
