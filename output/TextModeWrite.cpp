#include "output/TextModeWrite.h"

#include <windows.h>

#include <cstring>
#include <io.h>

namespace {

// The most one WriteFile is asked to take.
const std::string::size_type kLargestWrite = 1u << 30;

}  // namespace

void AppendIndentedLines(const std::string& text, int indent, const char* lineEnd, std::string& out)
{
    const std::string::size_type width = indent > 0 ? static_cast<std::string::size_type>(indent) : 0;
    const std::string::size_type endLength = std::strlen(lineEnd);
    std::string::size_type lineFeeds = 0;
    for (std::string::size_type at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ++lineFeeds;
    out.reserve(out.size() + text.size() + lineFeeds * (endLength - 1) + (lineFeeds + 1) * width);
    std::string::size_type lineStart = 0;
    while (lineStart < text.size()) {
        out.append(width, ' ');
        const std::string::size_type lineFeed = text.find('\n', lineStart);
        if (lineFeed == std::string::npos) {
            out.append(text, lineStart, std::string::npos);
            return;
        }
        out.append(text, lineStart, lineFeed - lineStart);
        out.append(lineEnd, endLength);
        lineStart = lineFeed + 1;
    }
}

void* StreamHandle(FILE* stream)
{
    const int descriptor = stream ? _fileno(stream) : -1;
    return descriptor < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

void WriteWhole(FILE* stream, const std::string& bytes)
{
    if (!stream)
        return;
    fflush(stream);
    const HANDLE handle = StreamHandle(stream);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr)
        return;
    const char* data = bytes.data();
    std::string::size_type left = bytes.size();
    DWORD written = 0;
    // A pipe may take less than asked.
    while (left > 0 &&
           WriteFile(handle, data, static_cast<DWORD>(left < kLargestWrite ? left : kLargestWrite), &written,
                     nullptr) &&
           written > 0) {
        data += written;
        left -= written;
    }
}
