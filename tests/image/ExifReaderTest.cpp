// The JPEG section reader and the EXIF parser, over blocks libexif writes
// and over hand-made directories that break the rules.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "image/ExifReader.h"
#include "image/ImageLog.h"
#include "image/ImageStream.h"
#include "tests/image/ExifBlock.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

Bytes Section(int marker, const Bytes& payload) {
  Bytes b = {0xFF, static_cast<uint8_t>(marker)};
  Put16Be(b, static_cast<uint32_t>(payload.size() + 2));
  Append(b, payload);
  return b;
}

// SOI, the sections, a start of scan with two bytes of data and EOI.
Bytes JpegOf(const std::vector<Bytes>& sections) {
  Bytes b = {0xFF, 0xD8};
  for (const auto& s : sections) Append(b, s);
  Append(b, Section(0xDA, {1, 1, 0, 0, 63, 0}));
  Append(b, {0x12, 0x34, 0xFF, 0xD9});
  return b;
}

Bytes App1(const Bytes& exifPayload) { return Section(0xE1, exifPayload); }

// A little-endian TIFF block builder: directories of 12-byte entries whose
// values or offsets the test gives.
struct Tiff {
  Bytes block = {'I', 'I', 42, 0, 8, 0, 0, 0};
  // Appends a directory at the end of the block; returns its offset.
  size_t Directory(const std::vector<std::array<uint32_t, 4>>& entries, uint32_t next = 0) {
    size_t at = block.size();
    Put16(block, static_cast<uint32_t>(entries.size()));
    for (const auto& e : entries) {
      Put16(block, e[0]);
      Put16(block, e[1]);
      Put32(block, e[2]);
      Put32(block, e[3]);
    }
    Put32(block, next);
    return at;
  }
  void SetLong(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  Bytes Payload() const {
    Bytes p = {'E', 'x', 'i', 'f', 0, 0};
    Append(p, block);
    return p;
  }
};

struct Parsed {
  bool ok;
  ExifData data;
  std::string error;
  size_t sections;
  std::vector<int> markers;
};

Parsed Read(const Bytes& jpeg, int mode = CExifReader::kReadExif) {
  Parsed out{};
  CExifReader reader(&out.data);
  CImageMemoryStream stream(jpeg.data(), jpeg.size());
  out.ok = reader.ReadSections(&stream, mode);
  out.error = reader.GetLastError();
  out.sections = reader.Sections().size();
  for (const auto& s : reader.Sections()) out.markers.push_back(s.marker);
  return out;
}

TEST(ExifReaderTest, ReadsLibexifsValues) {
  ExifBlock exif;
  exif.Text(ExifIfdKind::Primary, 0x010F, std::string("Canon\0", 6));
  exif.Text(ExifIfdKind::Primary, 0x0110, std::string("PowerShot G9\0", 13));
  exif.Short(ExifIfdKind::Primary, 0x0112, 6);
  exif.Rational(ExifIfdKind::Primary, 0x011A, 180, 1);
  exif.Rational(ExifIfdKind::Primary, 0x011B, 90, 1);
  exif.Short(ExifIfdKind::Primary, 0x0128, 2);
  exif.Rational(ExifIfdKind::Exif, 0x829A, 1, 250);
  exif.Rational(ExifIfdKind::Exif, 0x829D, 28, 10);
  exif.Short(ExifIfdKind::Exif, 0x8827, 100);
  exif.Text(ExifIfdKind::Exif, 0x9000, "0230", 7);
  exif.Text(ExifIfdKind::Exif, 0x9003, std::string("2026:12:11 05:06:07\0", 20));
  exif.Short(ExifIfdKind::Exif, 0x9209, 0x19);
  exif.Rational(ExifIfdKind::Exif, 0x920A, 74, 10);
  exif.Short(ExifIfdKind::Exif, 0xA002, 3000);
  exif.Short(ExifIfdKind::Exif, 0xA003, 4000);
  exif.Rational(ExifIfdKind::Exif, 0xA20E, 4000, 1);
  exif.Short(ExifIfdKind::Exif, 0xA210, 3);
  Parsed p = Read(JpegOf({App1(exif.Save())}));
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_TRUE(p.data.isExif);
  EXPECT_STREQ(p.data.cameraMake, "Canon");
  EXPECT_STREQ(p.data.cameraModel, "PowerShot G9");
  EXPECT_EQ(p.data.orientation, 6);
  EXPECT_FLOAT_EQ(p.data.xResolution, 180);
  EXPECT_FLOAT_EQ(p.data.yResolution, 90);
  EXPECT_FLOAT_EQ(p.data.resolutionUnit, 1.0f);
  EXPECT_FLOAT_EQ(p.data.exposureTime, 0.004f);
  EXPECT_FLOAT_EQ(p.data.fNumber, 2.8f);
  EXPECT_EQ(p.data.isoEquivalent, 100);
  EXPECT_STREQ(p.data.version, "0230");
  EXPECT_STREQ(p.data.dateTime, "2026:12:11 05:06:07");
  EXPECT_EQ(p.data.flashUsed, 1);
  EXPECT_FLOAT_EQ(p.data.focalLength, 7.4f);
  // ccd width = 4000 (the larger dimension) x 0.3937 / 4000.
  EXPECT_NEAR(p.data.ccdWidth, 0.3937, 1e-4);
  // The APP1 is kept, and the start of scan ends the reading.
  EXPECT_EQ(p.markers, std::vector<int>({0xE1, 0xDA}));
}

TEST(ExifReaderTest, SectionsPaddingAndLimits) {
  Parsed none = Read({0x89, 'P', 'N', 'G'});
  EXPECT_FALSE(none.ok);
  EXPECT_EQ(none.error, "");
  EXPECT_EQ(none.sections, 0u);

  ExifBlock exif;
  exif.Short(ExifIfdKind::Primary, 0x0112, 1);
  Bytes padded = {0xFF, 0xD8, 0xFF, 0xFF};  // two padding bytes before FF E1
  Append(padded, App1(exif.Save()));
  Append(padded, Section(0xDA, {0}));
  Parsed p = Read(padded);
  EXPECT_TRUE(p.ok) << p.error;
  EXPECT_TRUE(p.data.isExif);

  std::vector<std::string> logged;
  auto previous = image::SetLogSink([&](std::string_view line) { logged.emplace_back(line); });
  Bytes seven = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xE1, 0, 2};
  Parsed refused = Read(seven);
  Bytes six = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xDB, 0, 2, 0xFF, 0xDA, 0, 2};
  Parsed sixOk = Read(six);
  Parsed noImage = Read({0xFF, 0xD8, 0xFF, 0xDB, 0, 2, 0xFF, 0xD9, 0, 2});
  image::SetLogSink(previous);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.error, "");
  EXPECT_TRUE(sixOk.ok);
  EXPECT_FALSE(noImage.ok);
  EXPECT_EQ(logged, std::vector<std::string>({"too many padding bytes\n", "No image in jpeg!\n"}));

  std::vector<Bytes> many(19, Section(0xDB, {0, 1, 2}));
  EXPECT_TRUE(Read(JpegOf(many)).ok);  // 19 tables and the scan: 20 sections
  many.push_back(Section(0xDB, {0, 1, 2}));
  Parsed tooMany = Read(JpegOf(many));
  EXPECT_FALSE(tooMany.ok);
  EXPECT_EQ(tooMany.error, "Too many sections in jpg file");
  // Discarded sections (APP0, later comments) do not count.
  std::vector<Bytes> discarded(25, Section(0xE0, {'J', 'F', 'I', 'F', 0}));
  EXPECT_TRUE(Read(JpegOf(discarded)).ok);

  Parsed shortSection = Read({0xFF, 0xD8, 0xFF, 0xDB, 0, 9, 1, 2});
  EXPECT_EQ(shortSection.error, "Premature end of file?");
  Parsed badLength = Read({0xFF, 0xD8, 0xFF, 0xDB, 0, 1});
  EXPECT_EQ(badLength.error, "invalid marker");
}

TEST(ExifReaderTest, BadHeadersKeepTheSectionWithoutExif) {
  Bytes xx = {'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 42, 0, 8, 0, 0, 0};
  Parsed p = Read(JpegOf({App1(xx)}));
  EXPECT_TRUE(p.ok);
  EXPECT_FALSE(p.data.isExif);
  EXPECT_EQ(p.error, "Invalid Exif alignment marker.");
  EXPECT_EQ(p.markers, std::vector<int>({0xE1, 0xDA}));

  Bytes notFortyTwo = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 43, 0, 0, 0, 8};
  EXPECT_EQ(Read(JpegOf({App1(notFortyTwo)})).error, "Invalid Exif start (1)");
  Bytes noZeros = {'E', 'x', 'i', 'f', 'x', 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  EXPECT_EQ(Read(JpegOf({App1(noZeros)})).error, "Incorrect Exif header");
  // Not "Exif" at all: an ordinary APP1, discarded.
  Parsed xmp = Read(JpegOf({App1({'h', 't', 't', 'p', ':'})}));
  EXPECT_TRUE(xmp.ok);
  EXPECT_EQ(xmp.markers, std::vector<int>({0xDA}));
}

TEST(ExifReaderTest, ValueRules) {
  struct Case {
    const char* what;
    std::function<void(ExifBlock&)> fill;
    std::function<void(const ExifData&)> check;
  } cases[] = {
      {"ISO 2 reads 400", [](ExifBlock& e) { e.Short(ExifIfdKind::Exif, 0x8827, 2); },
       [](const ExifData& d) { EXPECT_EQ(d.isoEquivalent, 400); }},
      {"ISO 100 reads 100", [](ExifBlock& e) { e.Short(ExifIfdKind::Exif, 0x8827, 100); },
       [](const ExifData& d) { EXPECT_EQ(d.isoEquivalent, 100); }},
      {"shutter 5 alone", [](ExifBlock& e) { e.SRational(ExifIfdKind::Exif, 0x9201, 5, 1); },
       [](const ExifData& d) { EXPECT_FLOAT_EQ(d.exposureTime, 1.0f / 32); }},
      {"exposure time wins over shutter",
       [](ExifBlock& e) {
         e.Rational(ExifIfdKind::Exif, 0x829A, 1, 60);
         e.SRational(ExifIfdKind::Exif, 0x9201, 5, 1);
       },
       [](const ExifData& d) { EXPECT_FLOAT_EQ(d.exposureTime, 1.0f / 60); }},
      {"aperture value", [](ExifBlock& e) { e.Rational(ExifIfdKind::Exif, 0x9202, 4, 1); },
       [](const ExifData& d) { EXPECT_FLOAT_EQ(d.fNumber, 4.0f); }},
      {"unit 3 with 28.35",
       [](ExifBlock& e) {
         e.Rational(ExifIfdKind::Primary, 0x011A, 2835, 100);
         e.Short(ExifIfdKind::Primary, 0x0128, 3);
       },
       [](const ExifData& d) {
         EXPECT_FLOAT_EQ(d.resolutionUnit, 0.3937007874f);
         EXPECT_EQ(static_cast<int>(d.xResolution / d.resolutionUnit), 72);
       }},
      {"unit 7 leaves the factor", [](ExifBlock& e) { e.Short(ExifIfdKind::Primary, 0x0128, 7); },
       [](const ExifData& d) { EXPECT_FLOAT_EQ(d.resolutionUnit, 0.0f); }},
      {"flash bits", [](ExifBlock& e) { e.Short(ExifIfdKind::Exif, 0x9209, 0x18); },
       [](const ExifData& d) { EXPECT_EQ(d.flashUsed, 0); }},
      {"ASCII comment", [](ExifBlock& e) { e.Text(ExifIfdKind::Exif, 0x9286, std::string("ASCII\0\0\0Parcel 7   ", 19), 7); },
       [](const ExifData& d) { EXPECT_STREQ(d.comment, "Parcel 7"); }},
      {"other comment", [](ExifBlock& e) { e.Text(ExifIfdKind::Exif, 0x9286, "Dock B  ", 7); },
       [](const ExifData& d) { EXPECT_STREQ(d.comment, "Dock B"); }},
      {"ASCII comment of spaces", [](ExifBlock& e) { e.Text(ExifIfdKind::Exif, 0x9286, "ASCII      ", 7); },
       [](const ExifData& d) { EXPECT_STREQ(d.comment, ""); }},
      {"texts without NUL stay within their bytes",
       [](ExifBlock& e) {
         e.Text(ExifIfdKind::Primary, 0x010F, "ABCDEFGH");
         e.Text(ExifIfdKind::Primary, 0x0110, "IJKLMNOPQRST");
       },
       [](const ExifData& d) {
         EXPECT_STREQ(d.cameraMake, "ABCDEFGH");
         EXPECT_STREQ(d.cameraModel, "IJKLMNOPQRST");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool motorola : {false, true}) {
      ExifBlock exif(motorola);
      c.fill(exif);
      Parsed p = Read(JpegOf({App1(exif.Save())}));
      ASSERT_TRUE(p.ok) << p.error;
      ASSERT_TRUE(p.data.isExif) << p.error;
      c.check(p.data);
    }
  }
}

TEST(ExifReaderTest, OrientationOutOfRangeIsNotedAndParsingGoesOn) {
  ExifBlock exif;
  exif.Short(ExifIfdKind::Primary, 0x0112, 9);
  exif.Text(ExifIfdKind::Primary, 0x0110, std::string("M1\0", 3));
  Parsed p = Read(JpegOf({App1(exif.Save())}));
  EXPECT_TRUE(p.data.isExif);
  EXPECT_EQ(p.data.orientation, 0);
  EXPECT_EQ(p.error, "Undefined rotation value");
  EXPECT_STREQ(p.data.cameraModel, "M1");
}

TEST(ExifReaderTest, CommentSectionIsConvertedOnce) {
  Parsed p = Read(JpegOf({Section(0xFE, {'a', '\r', '\n', 'b', 0x01}), Section(0xFE, {'z'})}));
  ASSERT_TRUE(p.ok);
  EXPECT_STREQ(p.data.comment, "a\nb?");
  EXPECT_EQ(p.markers, std::vector<int>({0xFE, 0xDA}));  // the second one is discarded
  Bytes long1200(1200, 'x');
  Parsed longOne = Read(JpegOf({Section(0xFE, long1200)}));
  EXPECT_EQ(std::string(longOne.data.comment).size(), 998u);
}

TEST(ExifReaderTest, DirectoryLinksThatLoopEnd) {
  // IFD0 at 8 links to itself as its next directory and points its EXIF
  // sub-directory back at itself; a second directory links back to IFD0.
  Tiff tiff;
  size_t ifd0 = tiff.Directory({{0x8769, 4, 1, 8}, {0x0112, 3, 1, 3}}, 8);
  ASSERT_EQ(ifd0, 8u);
  tiff.Directory({{0x8827, 3, 1, 2}}, 8);
  // IFD0's interoperability link leads to the second directory.
  Tiff withLink;
  withLink.Directory({{0xA005, 4, 1, 8 + 2 + 24 + 4}, {0x0112, 3, 1, 3}}, 8);
  withLink.Directory({{0x8827, 3, 1, 2}}, 8);
  for (const Tiff* t : {&tiff, &withLink}) {
    Parsed p = Read(JpegOf({App1(t->Payload())}));
    EXPECT_TRUE(p.ok);
    EXPECT_TRUE(p.data.isExif) << p.error;
    EXPECT_EQ(p.data.orientation, 3);
  }
  Parsed linked = Read(JpegOf({App1(withLink.Payload())}));
  EXPECT_EQ(linked.data.isoEquivalent, 400);

  // A chain deeper than the walk follows ends too.
  Tiff chain;
  for (int i = 0; i < 40; ++i) {
    size_t at = chain.block.size();
    chain.Directory({{0x0112, 3, 1, 1}}, static_cast<uint32_t>(at + 18));
  }
  chain.SetLong(chain.block.size() - 4, 0);
  EXPECT_TRUE(Read(JpegOf({App1(chain.Payload())})).data.isExif);
}

TEST(ExifReaderTest, OffsetsAndCountsAreCheckedWithoutWrapping) {
  struct Case {
    std::array<uint32_t, 4> entry;
    const char* error;
  } cases[] = {
      // 2^29 rationals: 2^32 bytes, 0 in 32 bits.
      {{0x829A, 5, 0x20000000, 8}, "Illegal pointer offset value in EXIF."},
      // An offset near 2^32 whose end wraps to a small number.
      {{0x010F, 2, 32, 0xFFFFFFF0}, "Illegal pointer offset value in EXIF."},
      {{0x010F, 13, 1, 0}, "Illegal format code in EXIF dir"},
      {{0x8769, 4, 1, 0x7FFFFFFF}, "Illegal subdirectory link"},
  };
  for (const auto& c : cases) {
    Tiff tiff;
    tiff.Directory({c.entry});
    Parsed p = Read(JpegOf({App1(tiff.Payload())}));
    EXPECT_TRUE(p.ok);
    EXPECT_FALSE(p.data.isExif) << c.error;
    EXPECT_EQ(p.error, c.error);
  }
  Tiff count;
  count.Directory({});
  count.block[8] = 0xFF;  // 65,535 entries
  count.block[9] = 0xFF;
  EXPECT_EQ(Read(JpegOf({App1(count.Payload())})).error, "Illegally sized directory");
  Tiff next;
  next.Directory({}, 0xFFFFFFF0);
  EXPECT_EQ(Read(JpegOf({App1(next.Payload())})).error, "Illegal subdirectory link");
}

TEST(ExifReaderTest, ThumbnailInsideTheBlockIsFound) {
  Tiff tiff;
  size_t ifd0 = tiff.Directory({{0x0112, 3, 1, 1}});
  size_t ifd1 = tiff.Directory({{0x0201, 4, 1, 0}, {0x0202, 4, 1, 4}});
  tiff.SetLong(ifd0 + 2 + 12, static_cast<uint32_t>(ifd1));
  size_t data = tiff.block.size();
  Append(tiff.block, {0xFF, 0xD8, 0xFF, 0xD9});
  tiff.SetLong(ifd1 + 2 + 8, static_cast<uint32_t>(data));
  CExifReader reader;
  Bytes jpeg = JpegOf({App1(tiff.Payload())});
  CImageMemoryStream stream(jpeg.data(), jpeg.size());
  ASSERT_TRUE(reader.ReadSections(&stream, CExifReader::kReadExif));
  ASSERT_EQ(reader.Data().thumbnailSize, 4);
  EXPECT_EQ(reader.Data().thumbnail[1], 0xD8);
  EXPECT_EQ(reader.Data().thumbnail[3], 0xD9);
}

TEST(ExifReaderTest, WritesItsSectionsBack) {
  Bytes tables = Section(0xDB, {0, 1, 2, 3});
  Bytes jpeg = JpegOf({Section(0xE0, {'J', 'F', 'I', 'F', 0}), tables});
  CExifReader reader;
  CImageMemoryStream in(jpeg.data(), jpeg.size());
  ASSERT_TRUE(reader.ReadSections(&in, CExifReader::kReadImage));
  ASSERT_EQ(reader.Sections().back().marker, CExifReader::kImageMarker);
  CImageMemoryStream out;
  out.Open();
  ASSERT_TRUE(reader.WriteSections(&out));
  Bytes written(out.GetBuffer(false), out.GetBuffer(false) + out.Size());
  // The APP0 was discarded, so our own JFIF header stands in front.
  Bytes expected = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00,
                    0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};
  Append(expected, tables);
  Append(expected, Section(0xDA, {1, 1, 0, 0, 63, 0}));
  Append(expected, {0x12, 0x34, 0xFF, 0xD9});
  EXPECT_EQ(written, expected);

  CExifReader partial;
  CImageMemoryStream again(jpeg.data(), jpeg.size());
  ASSERT_TRUE(partial.ReadSections(&again, CExifReader::kReadExif));
  CImageMemoryStream sink;
  sink.Open();
  EXPECT_FALSE(partial.WriteSections(&sink));
  EXPECT_STREQ(partial.GetLastError(), "Can't write exif : didn't read all");
}

}  // namespace
