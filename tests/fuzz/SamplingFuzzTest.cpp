// Sampling at coordinates from anywhere: far outside (±1e9, beyond any
// integer), not a number, infinite, and random.  Nothing outside the image
// is read and no conversion is undefined (the sanitizer build checks it);
// under rules 1 to 3 such points read the edge colour.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "image/RasterImage.h"

namespace {

TEST(SamplingFuzz, FarAndUndefinedCoordinates) {
  CRasterImage image(5, 4, 24);
  ASSERT_TRUE(image.IsValid());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      image.SetPixelColor(x, y, RGBQUAD{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 50, 0});
  CRasterImage indexed(3, 3, 4);
  indexed.SetGrayPalette();
  const RGBQUAD fallback{1, 2, 3, 4};
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double big = std::numeric_limits<double>::max();
  const double points[] = {1e9, -1e9, nan, inf, -inf, big, -big, 9.3e18, -9.3e18, 1e300, 0.5};
  for (const CRasterImage* target : {&image, &indexed}) {
    for (int method = 0; method <= 17; ++method)
      for (int rule = 0; rule <= 7; ++rule)
        for (double x : points)
          for (double y : points) {
            const RGBQUAD c = target->SamplePixelColor(x, y, method, rule, &fallback);
            if (rule == EdgeFallback && (std::isnan(x) || std::isnan(y) || std::fabs(x) >= 1e9 ||
                                         std::fabs(y) >= 1e9)) {
              EXPECT_EQ(1, c.rgbBlue) << method << " " << x << " " << y;
            }
          }
    const int64_t far[] = {INT64_MIN, INT64_MAX, -1, 1000000000000LL};
    for (int rule = 0; rule <= 7; ++rule)
      for (int64_t x : far)
        for (int64_t y : far) target->GetPixelColorOrEdge(x, y, rule, &fallback);
  }
}

TEST(SamplingFuzz, RandomCoordinates) {
  CRasterImage image(7, 3, 24);
  std::mt19937_64 random(49);
  std::uniform_real_distribution<double> spread(-100, 100);
  for (int n = 0; n < 20000; ++n) {
    const int method = static_cast<int>(random() % 18);
    const int rule = static_cast<int>(random() % 8);
    image.SamplePixelColor(spread(random), spread(random), method, rule);
  }
  SUCCEED();
}

}  // namespace
