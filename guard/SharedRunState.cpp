#include "guard/SharedRunState.h"

void CopyText(char* buffer, unsigned size, const char* text)
{
    if (size == 0)
        return;
    unsigned length = 0;
    while (text && text[length] && length + 1 < size) {
        buffer[length] = text[length];
        ++length;
    }
    buffer[length] = '\0';
}
