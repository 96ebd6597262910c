// Calendar and processor time as the game sees them: the system's, unless a simulated
// clock has taken their place (hinoki --fixed-step, --record, --replay), so that the
// random generator's time seed and the scripts' os.time, os.clock and os.date follow it.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

class TimeSource {
 public:
  virtual ~TimeSource() = default;
  /// Seconds since 1970-01-01 00:00 UTC, as time() gives them.
  virtual std::int64_t CalendarSeconds() = 0;
  /// Seconds of processor time the game has used, as clock() gives them.
  virtual double ProcessorSeconds() = 0;
};

/// The source in place of the system's time; null (the default) means the system's.
inline TimeSource*& SimulatedTimeSource() {
  static TimeSource* source = nullptr;
  return source;
}

/// time(nullptr), or the simulated calendar time when a source is installed.
inline std::int64_t CalendarSeconds() {
  if (TimeSource* source = SimulatedTimeSource()) return source->CalendarSeconds();
  return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace platform
