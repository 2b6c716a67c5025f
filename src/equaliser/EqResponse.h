#pragma once
// The response graph: each band's gain curve and their sum on a 900 x 352
// canvas, 50 Hz to 5 kHz on a log scale, 8 pixels per dB around y = 176.
#include <array>
#include <cstddef>

#include "equaliser/EqValues.h"

namespace hrx::eq {

inline constexpr int kCanvasWidth = 900;
inline constexpr int kCanvasHeight = 352;
inline constexpr int kZeroDbY = 176;
inline constexpr double kPixelsPerDb = 8.0;
inline constexpr int kCurvePoints = 201;

// f_k = 50 * 10^(k / 100), k = 0..200, rounded to three significant digits.
extern const std::array<double, kCurvePoints> kCurveHz;

// The frequencies of the vertical grid lines.
inline constexpr int kGridHz[] = {50,  60,  80,   100,  150,  200,  250,  300,  400, 500,
                                  600, 800, 1000, 1500, 2000, 2500, 3000, 4000, 5000};
// Horizontal grid lines: every 16 pixels from 0 to 176 and from 175 to 351.
inline constexpr int kGridStep = 16;

// x of frequency f: 450 * log10(f / 50).
double graphX(double hz);
// y of a gain in dB: 176 - 8 * G.
double graphY(double db);

// The gain in dB at f of a band centred on fcHz with level (dB) and width;
// a band that is off (fcHz 0) has no gain.
double bandGainDb(int fcHz, int level, int width, double hz);

// One band's curve, or the sum, at the 201 curve frequencies.
using Curve = std::array<double, kCurvePoints>;
Curve bandCurve(const EqValues& values, int band);
Curve sumCurve(const EqValues& values);

// Calls pixel(x, y) for every pixel of the curve that falls on the canvas:
// between neighbouring points y runs linearly along x, one pixel every 0.1
// pixel of x while x >= 0.
template <typename Pixel>
void plotCurve(const Curve& gains, Pixel&& pixel) {
  for (std::size_t k = 0; k + 1 < gains.size(); ++k) {
    const double x0 = graphX(kCurveHz[k]);
    const double x1 = graphX(kCurveHz[k + 1]);
    const double y0 = graphY(gains[k]);
    const double y1 = graphY(gains[k + 1]);
    // Tenths counted as integers, so the steps do not drift.
    const long first = static_cast<long>(x0 * 10.0);
    const long last = static_cast<long>(x1 * 10.0);
    for (long t = first; t < last; ++t) {
      const double x = static_cast<double>(t) / 10.0;
      if (x < 0) continue;
      const double y = y0 + (y1 - y0) * (x - x0) / (x1 - x0);
      const int px = static_cast<int>(x);
      if (y < 0 || y >= kCanvasHeight || px >= kCanvasWidth) continue;
      pixel(px, static_cast<int>(y));
    }
  }
}

}  // namespace hrx::eq
