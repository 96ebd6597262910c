// The time seed of the script random generator.
#include "math/RandomC.h"

#include "platform/clock/SimulatedTime.h"

RandomC::RandomC() : mEngine(static_cast<std::uint32_t>(platform::CalendarSeconds())) {}
