// Eased motion: a total covered in a number of steps with even acceleration, an optional
// cruise, and even deceleration. `ratio` is the peak speed over the mean speed.
#pragma once

#include <cstdint>

#include "math/Vector3C.h"

/// The amount covered after `step` of `steps`.
float SmoothValue(float total, std::uint32_t steps, std::uint32_t step, float ratio);
/// The amount `step` adds: SmoothValue(step) - SmoothValue(step - 1); 0 outside 1..steps.
float SmoothDiff(float total, std::uint32_t steps, std::uint32_t step, float ratio);

// The script functions: numbers, or vectors eased component by component.
float GetSmoothValue(float total, unsigned int steps, unsigned int step, float ratio = 2.1f);
Vector3C GetSmoothValue(const Vector3C& total, unsigned int steps, unsigned int step,
                        float ratio = 2.1f);
float GetSmoothDiff(float total, unsigned int steps, unsigned int step, float ratio = 2.1f);
Vector3C GetSmoothDiff(const Vector3C& total, unsigned int steps, unsigned int step,
                       float ratio = 2.1f);
