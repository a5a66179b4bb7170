// Reading the operator's answers to the acquisition questions.
#pragma once

#include <cstdint>
#include <string>

// Trims blanks, tabs, line feeds, vertical tabs, form feeds and carriage
// returns from both ends (the classic locale's space class); inner
// characters stay.
void NormaliseAnswer(std::string& answer);

// True for the answers that start the test: empty, "Y" or "y".
bool IsYes(const std::string& answer);

// Largest answer in seconds whose milliseconds fit in 32 bits.
const uint32_t kMaxAcquisitionSeconds = 4294967;

// The acquisition time in milliseconds for a time answer: its leading
// integer as atoi reads it (optional sign, then digits; 0 when it does not
// begin with a number), times 1000. A negative number gives 0; a number
// beyond kMaxAcquisitionSeconds is limited to it, without overflow.
uint32_t AcquisitionMilliseconds(const std::string& answer);
