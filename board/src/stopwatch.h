// The library's millisecond stopwatch and the counter it reads.
#pragma once

#include <cstdint>

namespace orva::board {

// Counter source of the stopwatch: the monotonic clock, or a manual counter
// that tests move by hand.
void UseManualStopwatchCounter(std::int64_t frequency);
void SetManualStopwatchCounter(std::int64_t count);
void UseSystemStopwatchCounter();

}  // namespace orva::board
