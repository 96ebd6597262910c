// The time seed of the script random generator.
#include "math/RandomC.h"

#include <ctime>

RandomC::RandomC() : mEngine(static_cast<std::uint32_t>(std::time(nullptr))) {}
