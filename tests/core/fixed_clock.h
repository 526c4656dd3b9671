#pragma once
#include "clock.h"

namespace brevine::test {

// A clock the test sets by hand.
class FixedClock final : public platform::Clock {
 public:
  explicit FixedClock(platform::LocalTime t = {2024, 3, 9, 14, 5, 7, 250}) : t_(t) {}
  platform::LocalTime Now() const override { return t_; }
  void Set(platform::LocalTime t) { t_ = t; }

 private:
  platform::LocalTime t_;
};

}  // namespace brevine::test
