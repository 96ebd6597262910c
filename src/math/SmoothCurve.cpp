// The speed profile of eased motion, with the rounding of each stored intermediate to
// 32-bit floats, so that scripts see the same numbers on every machine.
#include "math/SmoothCurve.h"

#include <cmath>

float SmoothValue(float A, std::uint32_t N, std::uint32_t n, float R) {
  // Arguments the profile cannot describe get the plain meaning of their words: no total
  // means no movement, no steps means already there, and a peak speed no higher than the
  // mean speed means moving at constant speed.
  if (A == 0.0f || !std::isfinite(A)) return A == 0.0f ? 0.0f : A;
  if (N == 0 || n >= N) return n >= N ? A : 0.0f;
  if (!(R > 1.0f) || !std::isfinite(R)) {
    return static_cast<float>(static_cast<double>(A) * n / N);
  }

  const float V = R * A / static_cast<float>(N);
  const float T1 = 2.0f * A / V - static_cast<float>(N);
  const float Ta = (static_cast<float>(N) - T1) / 2.0f;
  const float Td = static_cast<float>(N) - Ta;
  const float a = V / Ta;
  const float Sa = Ta * V * 0.5f;
  const std::uint32_t ta = static_cast<std::uint32_t>(Ta);
  const std::uint32_t td = static_cast<std::uint32_t>(Td);

  if (n <= ta) {
    // n squared in 64 bits: a 32-bit product would wrap beyond 65535 steps.
    const double square = static_cast<double>(static_cast<std::uint64_t>(n) * n);
    return static_cast<float>(0.5 * square * a);
  }
  if (n <= td) {
    const float cruise = static_cast<float>(n) - Ta;
    return Sa + V * cruise;
  }
  const float nf = static_cast<float>(n);
  if (nf <= Td) return n > N ? A : 0.0f;
  if (n > N) return A;
  const float u = nf - Ta - Td;
  return static_cast<float>(A - 0.5 * a * u * u);
}

float SmoothDiff(float A, std::uint32_t N, std::uint32_t n, float R) {
  if (n < 1 || n > N) return 0.0f;
  return SmoothValue(A, N, n, R) - SmoothValue(A, N, n - 1, R);
}

float GetSmoothValue(float total, unsigned int steps, unsigned int step, float ratio) {
  return SmoothValue(total, steps, step, ratio);
}

Vector3C GetSmoothValue(const Vector3C& total, unsigned int steps, unsigned int step,
                        float ratio) {
  return Vector3C(SmoothValue(total.x, steps, step, ratio),
                  SmoothValue(total.y, steps, step, ratio),
                  SmoothValue(total.z, steps, step, ratio));
}

float GetSmoothDiff(float total, unsigned int steps, unsigned int step, float ratio) {
  return SmoothDiff(total, steps, step, ratio);
}

Vector3C GetSmoothDiff(const Vector3C& total, unsigned int steps, unsigned int step,
                       float ratio) {
  return Vector3C(SmoothDiff(total.x, steps, step, ratio), SmoothDiff(total.y, steps, step, ratio),
                  SmoothDiff(total.z, steps, step, ratio));
}
