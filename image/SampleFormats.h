#pragma once
// The small formats of the JPEG-2000 family codec, read into and written
// from planes of samples: PNM (P1 to P6), PGX and Sun raster.  The format is
// known by its signature.  No error text here: a reader returns false, and
// the codec reports it.

#include <cstdint>
#include <string>
#include <vector>

class CImageStream;

namespace image {

// One plane of samples, rows from the top.
struct SampleComponent {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t precision = 8;  // bits per sample, 1 to 16 (up to 31 from OpenJPEG)
  bool isSigned = false;
  std::vector<int32_t> samples;
};

struct SampleImage {
  std::vector<SampleComponent> components;
};

enum class SampleFormat { None, Jp2, J2k, Pgx, Pnm, Ras };

// The format the first bytes announce.
SampleFormat SniffSampleFormat(const uint8_t* head, size_t size);

// Whether planes of these sizes stay within the image library's memory
// limit (4 bytes a sample), checked before anything is allocated.
bool SamplesFitMemory(uint64_t components, uint64_t width, uint64_t height);

// Each reader starts at the stream's position.  `tooLarge` is set when the
// header declares more than the memory limit allows.
bool ReadPnm(CImageStream* stream, SampleImage& image, bool& tooLarge);
bool ReadPgx(CImageStream* stream, SampleImage& image, bool& tooLarge);
bool ReadRas(CImageStream* stream, SampleImage& image, bool& tooLarge);

// One grey or three colour components of 8 bits, of equal sizes.
std::vector<uint8_t> WritePnm(const SampleImage& image);
std::vector<uint8_t> WritePgx(const SampleImage& image);
std::vector<uint8_t> WriteRas(const SampleImage& image);

}  // namespace image
