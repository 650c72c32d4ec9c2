#pragma once
// CExifReader: splits a JPEG stream into its marker sections, takes camera
// and resolution values from an EXIF APP1 section and from the first
// comment, and writes a JPEG again from its sections.

#include <cstdint>
#include <set>
#include <vector>

class CImageStream;

struct ExifData {
  char version[5];
  char cameraMake[32];
  char cameraModel[40];
  char dateTime[20];
  int32_t height;
  int32_t width;
  int32_t orientation;
  int32_t isColor;
  int32_t process;
  int32_t flashUsed;
  float focalLength;
  float exposureTime;
  float fNumber;
  float distance;
  float ccdWidth;
  float exposureBias;
  int32_t lightSource;
  int32_t meteringMode;
  int32_t exposureProgram;
  int32_t isoEquivalent;
  int32_t compressionLevel;
  float focalPlaneXRes;
  float focalPlaneYRes;
  float focalPlaneUnit;
  float xResolution;
  float yResolution;
  float resolutionUnit;
  float brightness;
  char comment[1000];
  const uint8_t* thumbnail;
  int32_t thumbnailSize;
  bool isExif;
};

class CExifReader {
 public:
  // Mode bits of ReadSections.
  static constexpr int kReadExif = 1;
  static constexpr int kReadImage = 2;
  static constexpr int kMaxSections = 20;
  // The pseudo marker of the block holding the entropy-coded data onwards.
  static constexpr int kImageMarker = 0x123;
  // How deep directory links are followed.
  static constexpr int kMaxDirectoryDepth = 8;

  struct Section {
    std::vector<uint8_t> data;  // starts with the two big-endian length bytes
    int marker = 0;
  };

  explicit CExifReader(ExifData* target = nullptr);
  ~CExifReader();
  CExifReader(const CExifReader&) = delete;
  CExifReader& operator=(const CExifReader&) = delete;

  bool ReadSections(CImageStream* stream, int mode);
  void KeepOnlyExif();
  bool WriteSections(CImageStream* stream);

  const ExifData& Data() const { return *data_; }
  const char* GetLastError() const { return lastError_; }
  const std::vector<Section>& Sections() const { return sections_; }

 private:
  bool ParseExif(const uint8_t* data, uint64_t segmentLength);
  bool ParseDirectory(uint64_t start, int depth);
  void ProcessComment(const uint8_t* data, uint64_t length);
  void SetError(const char* text);
  uint32_t Get16(const uint8_t* p) const;
  uint32_t Get32(const uint8_t* p) const;
  double ConvertValue(const uint8_t* p, uint32_t format) const;

  ExifData* data_;
  char lastError_[256] = {};
  bool motorola_ = false;
  uint32_t exifImageWidth_ = 0;
  std::vector<Section> sections_;
  bool ownsData_ = false;
  // The TIFF block being parsed and the directories already entered.
  const uint8_t* tiff_ = nullptr;
  uint64_t tiffLength_ = 0;
  std::set<uint64_t> visited_;
  bool commentSeen_ = false;
};
