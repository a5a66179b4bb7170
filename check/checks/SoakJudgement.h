// The verdict on a long acquisition: what the process held at each poll.
// A use grows steadily when its floor (the least of a quarter of the polls
// after the warm-up) rises from quarter to quarter; it fails when it also
// grows faster than its bound per poll. A library that fills a cache and
// then stays flat, or that allocates and frees, passes. Too few polls to
// split into quarters (a slow library's) is information, not a verdict.
#pragma once

#include "check/checks/CheckPlatform.h"
#include "check/recording/CheckRecorder.h"

#include <cstddef>
#include <vector>

struct SoakBounds {
    double bytesPerPoll = 1024;
    double handlesPerPoll = 0.1;
    double threadsPerPoll = 0.1;
};

// samples: one per poll, in order; the first warmup are not judged.
CheckOutcome JudgeSoak(const std::vector<ResourceUse>& samples, size_t warmup, double seconds,
                       const SoakBounds& bounds = SoakBounds());
