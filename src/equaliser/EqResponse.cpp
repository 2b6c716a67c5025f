#include "equaliser/EqResponse.h"

#include <cmath>

namespace hrx::eq {

const std::array<double, kCurvePoints> kCurveHz = {
    50.0, 51.2, 52.4, 53.6, 54.8, 56.1, 57.4, 58.7, 60.1, 61.5, 62.9, 64.4, 65.9, 67.4, 69.0, 70.6,
    72.3, 74.0, 75.7, 77.4, 79.2, 81.1, 83.0, 84.9, 86.9, 88.9, 91.0, 93.1, 95.3, 97.5, 99.8, 102,
    104,  107,  109,  112,  115,  117,  120,  123,  126,  129,  132,  135,  138,  141,  144,  148,
    151,  155,  158,  162,  166,  169,  173,  177,  182,  186,  190,  195,  199,  204,  208,  213,
    218,  223,  229,  234,  239,  245,  251,  256,  262,  269,  275,  281,  288,  294,  301,  308,
    315,  323,  330,  338,  346,  354,  362,  371,  379,  388,  397,  406,  416,  426,  435,  446,
    456,  467,  477,  489,  500,  512,  524,  536,  548,  561,  574,  587,  601,  615,  629,  644,
    659,  674,  690,  706,  723,  740,  757,  774,  792,  811,  830,  849,  869,  889,  910,  931,
    953,  975,  998,  1020, 1040, 1070, 1090, 1120, 1150, 1170, 1200, 1230, 1260, 1290, 1320, 1350,
    1380, 1410, 1440, 1480, 1510, 1550, 1580, 1620, 1660, 1690, 1730, 1770, 1820, 1860, 1900, 1950,
    1990, 2040, 2080, 2130, 2180, 2230, 2290, 2340, 2390, 2450, 2510, 2560, 2620, 2690, 2750, 2810,
    2880, 2940, 3010, 3080, 3150, 3230, 3300, 3380, 3460, 3540, 3620, 3710, 3790, 3880, 3970, 4060,
    4160, 4260, 4350, 4460, 4560, 4670, 4770, 4890, 5000,
};

double graphX(double hz) { return 450.0 * std::log10(hz / 50.0); }

double graphY(double db) { return kZeroDbY - kPixelsPerDb * db; }

double bandGainDb(int fcHz, int level, int width, double hz) {
  // A band that is off counts as centred on 1 Hz at 0 dB: no gain.
  if (fcHz <= 0 || level == 0 || width <= 0 || hz <= 0) return 0.0;
  const double r = hz / fcHz;
  const double inv = 1.0 / width;
  const double q = (1.0 - r * r) / r;
  const double b = inv / std::sqrt(q * q + inv * inv);
  const double lift = std::pow(10.0, std::abs(level) / 20.0) - 1.0;
  const double g = 20.0 * std::log10(1.0 + lift * b);
  return level < 0 ? -g : g;
}

Curve bandCurve(const EqValues& values, int band) {
  Curve c{};
  const int fc = bandHz(band, values[static_cast<std::size_t>(paramOf(band, Kind::Freq))]);
  const int level = values[static_cast<std::size_t>(paramOf(band, Kind::Level))];
  const int width = values[static_cast<std::size_t>(paramOf(band, Kind::Width))];
  for (std::size_t k = 0; k < c.size(); ++k) c[k] = bandGainDb(fc, level, width, kCurveHz[k]);
  return c;
}

Curve sumCurve(const EqValues& values) {
  Curve s{};
  for (int b = 0; b < kBands; ++b) {
    const Curve c = bandCurve(values, b);
    for (std::size_t k = 0; k < s.size(); ++k) s[k] += c[k];
  }
  return s;
}

}  // namespace hrx::eq
