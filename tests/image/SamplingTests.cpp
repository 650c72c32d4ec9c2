// Sampling an image at fractional points: the kernels' weights, a flat
// image sampled flat (kernel 11 with its weights normalised), and every
// interpolation method under every edge rule in one table.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <numbers>

#include "image/RasterImage.h"

namespace {

constexpr double kPi = std::numbers::pi;

bool Same(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
         a.rgbReserved == b.rgbReserved;
}

std::string Show(const RGBQUAD& c) {
  return "(" + std::to_string(c.rgbRed) + "," + std::to_string(c.rgbGreen) + "," +
         std::to_string(c.rgbBlue) + "," + std::to_string(c.rgbReserved) + ")";
}

TEST(Sampling, KernelWeightsAtChosenDistances) {
  struct Case {
    int method;
    double t;
    double weight;
  };
  const Case cases[] = {
      {3, 0, 2.0 / 3}, {3, 0.5, 2.875 / 6}, {3, 1, 1.0 / 6}, {3, 2, 0}, {3, -1, 1.0 / 6},
      {4, 0, 1}, {4, 0.5, 0.625}, {4, 1, 0}, {4, 1.5, -0.125}, {4, 2, 0},
      {5, 0, 1}, {5, 0.5, 0.5625}, {5, 1.5, -0.0625}, {5, -1.5, -0.0625},
      {6, 0, 1}, {6, 0.5, (2 / kPi) * (std::sin(kPi / 12) / (kPi / 12))}, {6, 7, 0},
      {7, -0.5, 1}, {7, 0, 1}, {7, 0.5, 0},
      {8, 0, 1}, {8, 0.5, 0.5}, {8, 1, 0},
      {9, 0, 1}, {9, 0.5, 0.54}, {9, 1, 0},
      {10, 0, 1}, {10, 0.5, 2 / kPi}, {10, 1.5, -1 / (1.5 * kPi)},
      {11, 0, 1}, {11, 0.5, 0.34}, {11, 1, 0}, {11, 2, 1},
      {12, 0, kPi / 4}, {12, 1, 0.28461534317975275 / 2},
      {13, 0, 0.7978846}, {13, 1, std::exp(-2.0) * 0.7978846},
      {14, 0, 0.75}, {14, 0.5, 0.5}, {14, 1, 0.125}, {14, 1.5, 0},
      {15, 0, 8.0 / 9}, {15, 1, 1.0 / 18}, {15, 2, 0},
      {16, 0, 1}, {16, 0.5, 0.5625}, {16, 1.5, -0.0625}, {16, 2, 0},
      {1, 0, 0}, {2, 0, 0}, {17, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(c.weight, CRasterImage::SamplingKernel(c.method, c.t), 1e-9)
        << "method " << c.method << " t " << c.t;
}

// The sum of a kernel's weights over the four taps around x.
double TapSum(int method, double x) {
  const double f = std::floor(x);
  double sum = 0;
  for (int k = -1; k <= 2; ++k) sum += CRasterImage::SamplingKernel(method, f + k - x);
  return sum;
}

TEST(Sampling, FlatImageSamplesFlatAndKernelElevenIsNormalised) {
  CRasterImage flat(16, 16, 24);
  const RGBQUAD colour{120, 80, 40, 0};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) flat.SetPixelColor(x, y, colour);
  const double x = 7.3;
  const double y = 8.6;
  for (int method = 1; method <= 16; ++method) {
    const RGBQUAD c = flat.SamplePixelColor(x, y, method, EdgeRepeat);
    if (method == SampleHermiteDamped || method == SampleSinc || method == SampleBessel ||
        method == SampleGaussian) {
      // These weights do not sum to 1 over the four taps: the flat colour
      // times their sums.
      const double scale = TapSum(method, x) * TapSum(method, y);
      EXPECT_EQ(std::lround(std::clamp(120 * scale, 0.0, 255.0)), c.rgbBlue) << method;
      continue;
    }
    const int slack = method == SampleLanczos ? 1 : 0;
    EXPECT_NEAR(120, c.rgbBlue, slack) << method;
    EXPECT_NEAR(80, c.rgbGreen, slack) << method;
    EXPECT_NEAR(40, c.rgbRed, slack) << method;
  }
  // Kernel 11's own weights would brighten the picture: they sum to well
  // above 1 over the neighbourhood.
  EXPECT_NEAR(1.36 * 1.36, TapSum(SampleBlackman, 7.5) * TapSum(SampleBlackman, 8.5), 1e-9);
  EXPECT_NEAR(4.0, TapSum(SampleBlackman, 7.0) * TapSum(SampleBlackman, 8.0), 1e-9);
  const RGBQUAD at = flat.SamplePixelColor(7.0, 8.0, SampleBlackman, EdgeRepeat);
  EXPECT_TRUE(Same(RGBQUAD{120, 80, 40, 0}, at)) << Show(at);
}

// A 4 x 3 picture with its own colour at every pixel, an alpha plane and a
// transparent colour.
class EdgeImage : public ::testing::Test {
 protected:
  void SetUp() override {
    image_.Create(4, 3, 24, FormatUnknown);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x)
        image_.SetPixelColor(x, y, RGBQUAD{7, static_cast<uint8_t>(20 * y + 2),
                                           static_cast<uint8_t>(10 * x + 1), 0});
    image_.SetTransparentIndex(0);
    image_.SetTransparentColor(RGBQUAD{3, 2, 1, 0});
  }
  RGBQUAD Pixel(int x, int y) const { return image_.GetPixelColorOrEdge(x, y, EdgeFallback); }
  CRasterImage image_;
};

TEST_F(EdgeImage, PixelOrEdgeAtMinusOneZero) {
  const RGBQUAD white{255, 255, 255, 0};
  EXPECT_TRUE(Same(Pixel(0, 0), image_.GetPixelColorOrEdge(-1, 0, EdgeRepeat)));
  EXPECT_TRUE(Same(Pixel(3, 0), image_.GetPixelColorOrEdge(-1, 0, EdgeWrap)));
  EXPECT_TRUE(Same(Pixel(1, 0), image_.GetPixelColorOrEdge(-1, 0, EdgeMirror)));
  EXPECT_TRUE(Same(white, image_.GetPixelColorOrEdge(-1, 0, EdgeFallback)));
  EXPECT_TRUE(Same(RGBQUAD{3, 2, 1, 0}, image_.GetPixelColorOrEdge(-1, 0, EdgeBackground)));
  // Mirror past the right edge: width - (x mod width) - 1.
  EXPECT_TRUE(Same(Pixel(2, 0), image_.GetPixelColorOrEdge(5, 0, EdgeMirror)));
  EXPECT_TRUE(Same(Pixel(1, 2), image_.GetPixelColorOrEdge(5, -4, EdgeWrap)));
}

// Every method under every edge rule, at a point wholly outside the image:
// rules 1 to 3 give their edge colour at once; under rules 4 to 6 the
// neighbourhood methods move the point first (to (3.75, 2.5), (0, 0) and
// (0.25, 0.5)) and sample there, and nearest neighbour reads the pixel its
// rounded point (-19, -30) moves to: (1, 0), (0, 0) and (3, 0).
TEST_F(EdgeImage, EveryMethodUnderEveryEdgeRule) {
  ASSERT_TRUE(image_.CreateAlpha());
  const RGBQUAD fallback{9, 8, 7, 6};
  struct Rule {
    int rule;
    double movedX;
    double movedY;
    int nearestX;
    int nearestY;
  };
  const Rule rules[] = {{EdgeFallback, 0, 0, 0, 0},      {EdgeBackground, 0, 0, 0, 0},
                        {EdgeTransparent, 0, 0, 0, 0},   {EdgeWrap, 3.75, 2.5, 1, 0},
                        {EdgeRepeat, 0, 0, 0, 0},        {EdgeMirror, 0.25, 0.5, 3, 0}};
  for (int method = 1; method <= 16; ++method) {
    for (const Rule& r : rules) {
      const RGBQUAD far = image_.SamplePixelColor(-20.25, -30.5, method, r.rule, &fallback);
      RGBQUAD expected;
      if (r.rule == EdgeFallback) {
        expected = fallback;
      } else if (r.rule == EdgeBackground) {
        expected = RGBQUAD{3, 2, 1, 0};
      } else if (r.rule == EdgeTransparent) {
        expected = RGBQUAD{9, 8, 7, 0};
      } else if (method == SampleNearest) {
        expected = image_.GetPixelColorOrEdge(r.nearestX, r.nearestY, EdgeFallback);
      } else {
        expected = image_.SamplePixelColor(r.movedX, r.movedY, method, r.rule, &fallback);
      }
      EXPECT_TRUE(Same(expected, far)) << "method " << method << " rule " << r.rule << ": "
                                       << Show(far) << " for " << Show(expected);
    }
  }
}

// Bilinear between four known pixels, inside (8-bit fixed point) and at
// the border (floating point): the same colour within one step.
TEST_F(EdgeImage, BilinearInsideAndAtTheBorder) {
  // x 1.25 between red 11 and 21, y 0.5 between green 2 and 22.
  const RGBQUAD inside = image_.SamplePixelColor(1.25, 0.5, SampleBilinear, EdgeRepeat);
  EXPECT_EQ(13, inside.rgbRed);    // 11 + 0.25 * 10 = 13.5, fixed point truncates
  EXPECT_EQ(12, inside.rgbGreen);  // 2 + 0.5 * 20
  EXPECT_EQ(7, inside.rgbBlue);
  // At the right border rule 5 repeats column 3 (red 31).
  const RGBQUAD border = image_.SamplePixelColor(3.5, 0, SampleBilinear, EdgeRepeat);
  EXPECT_EQ(31, border.rgbRed);
  EXPECT_EQ(2, border.rgbGreen);
}

}  // namespace
