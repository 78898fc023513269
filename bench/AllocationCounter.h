// Counts the heap allocations a benchmark's code under measure makes. The
// counter replaces the program's global allocation functions (over malloc and
// free); it counts while counting is on and no service outside the code under
// measure runs (an Outside guard is alive).
#pragma once

namespace kestrin::bench {

long long Allocations();
void SetCounting(bool on);

// Marks the time spent in a service outside the code under measure.
class Outside {
 public:
  Outside();
  ~Outside();
  Outside(const Outside&) = delete;
  Outside& operator=(const Outside&) = delete;
};

}  // namespace kestrin::bench
