// The console's input and output modes and code pages, saved once and put
// back: a library may change them (turn off line input, say) and then end
// its process, and the next library's questions must read as the first
// one's did.
#pragma once

#include <windows.h>

class CConsoleModes {
public:
    // Saves what the console has now (nothing where there is no console).
    CConsoleModes();
    void Restore() const;

private:
    bool m_hasInput = false;
    bool m_hasOutput = false;
    DWORD m_input = 0;
    DWORD m_output = 0;
    UINT m_inputCodePage = 0;
    UINT m_outputCodePage = 0;
};
