#include "guard/ConsoleModes.h"

CConsoleModes::CConsoleModes()
{
    m_hasInput = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &m_input) != FALSE;
    m_hasOutput = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &m_output) != FALSE;
    m_inputCodePage = GetConsoleCP();
    m_outputCodePage = GetConsoleOutputCP();
}

void CConsoleModes::Restore() const
{
    if (m_hasInput)
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), m_input);
    if (m_hasOutput)
        SetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), m_output);
    if (m_inputCodePage && GetConsoleCP() != m_inputCodePage)
        SetConsoleCP(m_inputCodePage);
    if (m_outputCodePage && GetConsoleOutputCP() != m_outputCodePage)
        SetConsoleOutputCP(m_outputCodePage);
}
