// The metafile player against LibreOffice: a drawing made here (lines,
// shapes, text and a bitmap) is exported by LibreOffice as a placeable WMF
// and as an EMF, and each file is rendered by LibreOffice to PNG.  Our
// rendering of the same file, cut to its drawn area and scaled to the
// office's, must match the office's picture within the bounds stated
// below.  The office suite runs headless with a profile of its own in the
// test's folder and is ended with each conversion (a time limit holds it).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "image/MetafileCodec.h"
#include "tests/PrivateCups.h"
#include "tests/TempFolder.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/image/ImageTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace imagetest;

// Bounds of the comparison: the share of pixels whose largest channel
// differs by more than kFarApart, and the mean difference per channel.
constexpr int kFarApart = 96;
constexpr double kMostPixelsFarApart = 0.04;
constexpr double kLargestMeanDifference = 14.0;
// Blocks of kBlock x kBlock pixels whose mean colours differ by more than
// kBlockApart in a channel.
constexpr int kBlock = 8;
constexpr int kBlockApart = 48;
constexpr int kMostBlocksApart = 6;

void NeedApplication() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "image_office_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

// A 40 x 40 bitmap of four coloured squares, as a PNG data address.
std::string BitmapDataAddress() {
  QImage tile(40, 40, QImage::Format_RGB32);
  QPainter p(&tile);
  p.fillRect(0, 0, 20, 20, QColor(200, 0, 200));
  p.fillRect(20, 0, 20, 20, QColor(0, 120, 255));
  p.fillRect(0, 20, 20, 20, QColor(0, 120, 255));
  p.fillRect(20, 20, 20, 20, QColor(200, 0, 200));
  p.end();
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  tile.save(&buffer, "PNG");
  return "data:image/png;base64," + png.toBase64().toStdString();
}

std::string DrawingSvg() {
  return R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
         R"(width="400" height="200" viewBox="0 0 400 200">)"
         R"(<rect x="0" y="0" width="400" height="200" fill="white"/>)"
         R"(<line x1="10" y1="10" x2="390" y2="190" stroke="black" stroke-width="4"/>)"
         R"(<rect x="30" y="30" width="120" height="60" fill="#ff0000" stroke="#0000ff" stroke-width="3"/>)"
         R"(<ellipse cx="300" cy="60" rx="60" ry="40" fill="#00a000"/>)"
         R"(<polygon points="200,150 260,190 140,190" fill="#ffcc00" stroke="black"/>)"
         R"(<text x="40" y="160" font-family="DejaVu Sans" font-size="28" fill="black">Brantle</text>)"
         R"(<image x="330" y="130" width="40" height="40" xlink:href=")" +
         BitmapDataAddress() + R"("/>)"
         R"(</svg>)";
}

// The part of the picture that is not (nearly) white.
QRect DrawnArea(const QImage& image) {
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 235 && c.green() > 235 && c.blue() > 235) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage ToQImage(const CRasterImage& image) {
  QImage out(static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight()),
             QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const RGBQUAD c = At(image, x, y);
      out.setPixel(x, y, qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
    }
  return out;
}

class MetafileOfficeTest : public testsupport::TempFolderTest {
 protected:
  // Runs the office suite's converter; the output file's path.
  fs::path Convert(const fs::path& input, const std::string& filter, const fs::path& outFolder) {
    fs::create_directories(outFolder);
    const std::string command =
        "HOME='" + folder_.string() + "' timeout 240 soffice -env:UserInstallation=file://" +
        (folder_ / "profile").string() + " --headless --norestore --convert-to " + filter +
        " --outdir '" + outFolder.string() + "' '" + input.string() + "'";
    int status = 0;
    const std::string said = testsupport::RunCommand(command, &status);
    const std::string extension = filter.substr(0, filter.find(':'));
    const fs::path out = outFolder / (input.stem().string() + "." + extension);
    EXPECT_TRUE(fs::exists(out)) << command << "\n" << said;
    return out;
  }

  void Compare(const fs::path& metafile, const std::string& name) {
    NeedApplication();
    const Bytes bytes = ReadFile(metafile.string());
    CMetafileCodec codec;
    ASSERT_TRUE(DecodeBytes(codec, bytes, 0)) << codec.GetLastError();
    const QImage ours = ToQImage(codec);
    const fs::path png = Convert(metafile, "png", folder_ / ("png-" + name));
    QImage office(QString::fromStdString(png.string()));
    ASSERT_FALSE(office.isNull());
    office = office.convertToFormat(QImage::Format_RGB32);
    // The office paints on a white page; our picture is white where nothing is drawn.
    QImage officePage(office.size(), QImage::Format_RGB32);
    officePage.fill(Qt::white);
    QPainter(&officePage).drawImage(0, 0, office);

    const QRect oursArea = DrawnArea(ours);
    const QRect officeArea = DrawnArea(officePage);
    ASSERT_FALSE(oursArea.isEmpty());
    ASSERT_FALSE(officeArea.isEmpty());
    const QImage theirs = officePage.copy(officeArea);
    const QImage mine = ours.copy(oursArea).scaled(theirs.size(), Qt::IgnoreAspectRatio,
                                                   Qt::SmoothTransformation);
    // The drawn areas have the same shape.
    EXPECT_NEAR(static_cast<double>(oursArea.width()) / oursArea.height(),
                static_cast<double>(officeArea.width()) / officeArea.height(), 0.05);

    long far = 0;
    double sum = 0;
    for (int y = 0; y < theirs.height(); ++y)
      for (int x = 0; x < theirs.width(); ++x) {
        const QColor a = mine.pixelColor(x, y);
        const QColor b = theirs.pixelColor(x, y);
        const int dr = std::abs(a.red() - b.red());
        const int dg = std::abs(a.green() - b.green());
        const int db = std::abs(a.blue() - b.blue());
        if (std::max({dr, dg, db}) > kFarApart) ++far;
        sum += (dr + dg + db) / 3.0;
      }
    const double pixels = static_cast<double>(theirs.width()) * theirs.height();
    // Blocks of 8 x 8 whose mean colours differ: a shape, a word or the
    // bitmap missing or misplaced shows here even where it is small.
    int differingBlocks = 0;
    for (int by = 0; by + kBlock <= theirs.height(); by += kBlock)
      for (int bx = 0; bx + kBlock <= theirs.width(); bx += kBlock) {
        int mean[2][3] = {};
        for (int y = by; y < by + kBlock; ++y)
          for (int x = bx; x < bx + kBlock; ++x) {
            const QColor a = mine.pixelColor(x, y);
            const QColor b = theirs.pixelColor(x, y);
            mean[0][0] += a.red(), mean[0][1] += a.green(), mean[0][2] += a.blue();
            mean[1][0] += b.red(), mean[1][1] += b.green(), mean[1][2] += b.blue();
          }
        int largest = 0;
        for (int c = 0; c < 3; ++c)
          largest = std::max(largest, std::abs(mean[0][c] - mean[1][c]) / (kBlock * kBlock));
        if (largest > kBlockApart) ++differingBlocks;
      }
    fs::create_directories(BRANTLE_BINARY_DIR "/screenshots");
    mine.save(QString::fromStdString(BRANTLE_BINARY_DIR "/screenshots/metafile_" + name +
                                     "_ours.png"));
    theirs.save(QString::fromStdString(BRANTLE_BINARY_DIR "/screenshots/metafile_" + name +
                                       "_office.png"));
    std::printf("%s: %.4f of the pixels far apart, mean difference %.2f, %d blocks differ\n",
                name.c_str(), far / pixels, sum / pixels, differingBlocks);
    EXPECT_LE(far / pixels, kMostPixelsFarApart) << name;
    EXPECT_LE(sum / pixels, kLargestMeanDifference) << name;
    EXPECT_LE(differingBlocks, kMostBlocksApart) << name;
  }
};

TEST_F(MetafileOfficeTest, ExportedDrawingsRenderAsTheOfficeRendersThem) {
  const fs::path svg = folder_ / "drawing.svg";
  std::ofstream(svg, std::ios::binary) << DrawingSvg();
  const fs::path wmf = Convert(svg, "wmf", folder_ / "wmf");
  const fs::path emf = Convert(svg, "emf", folder_ / "emf");
  ASSERT_TRUE(fs::exists(wmf));
  ASSERT_TRUE(fs::exists(emf));

  // A placeable header, added when the export lacks one.
  Bytes placeable = ReadFile(wmf.string());
  ASSERT_GE(placeable.size(), 22u);
  if (!(placeable[0] == 0xD7 && placeable[1] == 0xCD && placeable[2] == 0xC6 &&
        placeable[3] == 0x9A)) {
    Bytes header;
    Put32(header, 0x9AC6CDD7);
    Put16(header, 0);
    for (uint32_t v : {0u, 0u, 6000u, 3000u}) Put16(header, v);
    Put16(header, 1440);
    Put32(header, 0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= static_cast<uint16_t>(header[i] | header[i + 1] << 8);
    Put16(header, sum);
    Append(header, placeable);
    placeable = header;
    WriteFile(wmf.string(), placeable);
  }
  Compare(wmf, "wmf");
  Compare(emf, "emf");
}

}  // namespace
