#include "image/ExifReader.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "image/ImageLog.h"
#include "image/ImageStream.h"

namespace {

// Bytes per component of the TIFF value formats 0 to 12.
constexpr uint32_t kFormatBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

bool IsFrameMarker(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Inches per unit of the resolution-unit tags; 0 leaves the field unchanged.
double UnitFactor(int unit) {
  switch (unit) {
    case 1:
    case 2:
      return 1.0;
    case 3:
      return 0.3937007874;
    case 4:
      return 0.03937007874;
    case 5:
      return 0.00003937007874;
    default:
      return 0;
  }
}

// Copies a text value of `count` bytes into a field of `capacity` bytes,
// NUL-terminated, stopping at a NUL inside the value.
void CopyText(char* field, size_t capacity, const uint8_t* value, uint64_t count) {
  size_t n = 0;
  while (n + 1 < capacity && n < count && value[n] != 0) {
    field[n] = static_cast<char>(value[n]);
    ++n;
  }
  field[n] = '\0';
}

}  // namespace

CExifReader::CExifReader(ExifData* target) : data_(target) {
  if (!data_) {
    data_ = new ExifData;
    ownsData_ = true;
  }
  std::memset(data_, 0, sizeof(ExifData));
  sections_.reserve(kMaxSections);
}

CExifReader::~CExifReader() {
  if (ownsData_) delete data_;
}

void CExifReader::SetError(const char* text) {
  std::snprintf(lastError_, sizeof(lastError_), "%s", text);
}

uint32_t CExifReader::Get16(const uint8_t* p) const {
  return motorola_ ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
}

uint32_t CExifReader::Get32(const uint8_t* p) const {
  if (motorola_)
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
  return static_cast<uint32_t>(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0];
}

double CExifReader::ConvertValue(const uint8_t* p, uint32_t format) const {
  switch (format) {
    case 1:
      return p[0];
    case 3:
      return Get16(p);
    case 4:
      return Get32(p);
    case 5:
    case 10: {
      int32_t num = static_cast<int32_t>(Get32(p));
      int32_t den = static_cast<int32_t>(Get32(p + 4));
      return den == 0 ? 0 : static_cast<double>(num) / den;
    }
    case 6:
      return static_cast<int8_t>(p[0]);
    case 8:
      return static_cast<int16_t>(Get16(p));
    case 9:
      return static_cast<int32_t>(Get32(p));
    case 11: {
      float f;
      std::memcpy(&f, p, 4);
      return f;
    }
    case 12: {
      double d;
      std::memcpy(&d, p, 8);
      return d;
    }
    default:
      return 0;
  }
}

bool CExifReader::ReadSections(CImageStream* stream, int mode) {
  if (!stream) return false;
  if (stream->GetC() != 0xFF || stream->GetC() != 0xD8) return false;
  for (;;) {
    if (sections_.size() >= static_cast<size_t>(kMaxSections)) {
      SetError("Too many sections in jpg file");
      return false;
    }
    int marker = 0;
    int padding = 0;
    for (;;) {
      marker = stream->GetC();
      if (marker != 0xFF) break;
      if (++padding >= 7) {
        image::LogLine("too many padding bytes\n");
        return false;
      }
    }
    int high = stream->GetC();
    int low = high < 0 ? -1 : stream->GetC();
    if (marker < 0 || low < 0) {
      SetError("Premature end of file?");
      return false;
    }
    uint32_t length = static_cast<uint32_t>(high << 8 | low);
    if (length < 2) {
      SetError("invalid marker");
      return false;
    }
    Section section;
    section.marker = marker;
    section.data.resize(length);
    section.data[0] = static_cast<uint8_t>(high);
    section.data[1] = static_cast<uint8_t>(low);
    if (stream->Read(section.data.data() + 2, 1, length - 2) != length - 2) {
      SetError("Premature end of file?");
      return false;
    }
    sections_.push_back(std::move(section));
    Section& kept = sections_.back();
    const uint8_t* d = kept.data.data();
    bool discard = false;
    if (IsFrameMarker(marker)) {
      if (length >= 8) {
        data_->height = d[3] << 8 | d[4];
        data_->width = d[5] << 8 | d[6];
        data_->isColor = d[7] == 3;
      }
      data_->process = marker;
    } else if (marker == 0xD9) {
      image::LogLine("No image in jpeg!\n");
      return false;
    } else if (marker == 0xDA) {
      if (!(mode & kReadImage)) return true;
      int64_t position = stream->Tell();
      int64_t size = stream->Size();
      uint64_t rest = size > position ? static_cast<uint64_t>(size - position) : 0;
      Section image;
      image.marker = kImageMarker;
      try {
        image.data.resize(rest);
      } catch (...) {
        SetError("could not allocate data for entire image");
        return false;
      }
      if (stream->Read(image.data.data(), 1, rest) != rest) {
        SetError("could not read the rest of the image");
        return false;
      }
      sections_.push_back(std::move(image));
      return true;
    } else if (marker == 0xE0) {
      discard = true;
    } else if (marker == 0xE1) {
      if ((mode & kReadExif) && length >= 6 && std::memcmp(d + 2, "Exif", 4) == 0)
        data_->isExif = ParseExif(d + 2, length);
      else
        discard = true;
    } else if (marker == 0xFE) {
      if ((mode & kReadExif) && !commentSeen_) {
        commentSeen_ = true;
        ProcessComment(d, length);
      } else {
        discard = true;
      }
    }
    if (discard) sections_.pop_back();
  }
}

void CExifReader::ProcessComment(const uint8_t* data, uint64_t length) {
  if (length > 1000) length = 1000;
  uint64_t n = length - 2;
  const uint8_t* text = data + 2;
  size_t out = 0;
  for (uint64_t i = 0; i < n; ++i) {
    uint8_t c = text[i];
    if (c == '\r' && i + 1 < n && text[i + 1] == '\n') continue;
    if ((c >= 0x20 && c < 0x7F) || c == '\n' || c == '\t')
      data_->comment[out++] = static_cast<char>(c);
    else
      data_->comment[out++] = '?';
  }
  data_->comment[out] = '\0';
}

bool CExifReader::ParseExif(const uint8_t* data, uint64_t segmentLength) {
  data_->flashUsed = 0;
  data_->comment[0] = '\0';
  exifImageWidth_ = 0;
  visited_.clear();
  if (segmentLength < 8 || std::memcmp(data, "Exif\0\0", 6) != 0) {
    SetError("Incorrect Exif header");
    return false;
  }
  tiff_ = data + 6;
  tiffLength_ = segmentLength - 8;
  if (tiffLength_ >= 2 && tiff_[0] == 'I' && tiff_[1] == 'I')
    motorola_ = false;
  else if (tiffLength_ >= 2 && tiff_[0] == 'M' && tiff_[1] == 'M')
    motorola_ = true;
  else {
    SetError("Invalid Exif alignment marker.");
    return false;
  }
  if (tiffLength_ < 8 || Get16(tiff_ + 2) != 42) {
    SetError("Invalid Exif start (1)");
    return false;
  }
  uint32_t firstOffset = Get32(tiff_ + 4);
  if (!ParseDirectory(8, 0)) return false;
  if (firstOffset > 8 && !ParseDirectory(firstOffset, 0)) return false;
  if (data_->focalPlaneXRes != 0)
    data_->ccdWidth = static_cast<float>(exifImageWidth_ * data_->focalPlaneUnit /
                                         data_->focalPlaneXRes);
  return true;
}

bool CExifReader::ParseDirectory(uint64_t start, int depth) {
  // A directory already entered, or links nested too deep, end the walk.
  if (depth > kMaxDirectoryDepth || !visited_.insert(start).second) return true;
  if (start + 2 > tiffLength_) {
    SetError("Illegally sized directory");
    return false;
  }
  const uint8_t* base = tiff_;
  uint64_t entries = Get16(base + start);
  if (start + 2 + 12 * entries > tiffLength_) {
    SetError("Illegally sized directory");
    return false;
  }
  uint64_t thumbnailOffset = 0;
  uint64_t thumbnailLength = 0;
  bool thumbnailSeen = false;
  for (uint64_t e = 0; e < entries; ++e) {
    const uint8_t* entry = base + start + 2 + 12 * e;
    uint32_t tag = Get16(entry);
    uint32_t format = Get16(entry + 2);
    uint64_t components = Get32(entry + 4);
    if (format >= 13) {
      SetError("Illegal format code in EXIF dir");
      return false;
    }
    uint64_t byteCount = components * kFormatBytes[format];
    const uint8_t* value;
    if (byteCount <= 4) {
      value = entry + 8;
    } else {
      uint64_t offset = Get32(entry + 8);
      if (offset + byteCount > tiffLength_) {
        SetError("Illegal pointer offset value in EXIF.");
        return false;
      }
      value = base + offset;
    }
    // A numeric value needs one whole component.
    double number = byteCount >= kFormatBytes[format] && kFormatBytes[format] > 0
                        ? ConvertValue(value, format)
                        : 0;
    switch (tag) {
      case 0x010F:
        CopyText(data_->cameraMake, sizeof(data_->cameraMake), value, byteCount);
        break;
      case 0x0110:
        CopyText(data_->cameraModel, sizeof(data_->cameraModel), value, byteCount);
        break;
      case 0x0112: {
        int v = static_cast<int>(number);
        if (v >= 1 && v <= 8) {
          data_->orientation = v;
        } else {
          data_->orientation = 0;
          SetError("Undefined rotation value");
        }
        break;
      }
      case 0x011A:
        data_->xResolution = static_cast<float>(number);
        break;
      case 0x011B:
        data_->yResolution = static_cast<float>(number);
        break;
      case 0x0128: {
        double f = UnitFactor(static_cast<int>(number));
        if (f != 0) data_->resolutionUnit = static_cast<float>(f);
        break;
      }
      case 0x0201:
        thumbnailOffset = static_cast<uint64_t>(number < 0 ? 0 : number);
        break;
      case 0x0202:
        thumbnailLength = static_cast<uint64_t>(number < 0 ? 0 : number);
        thumbnailSeen = true;
        break;
      case 0x829A:
        data_->exposureTime = static_cast<float>(number);
        break;
      case 0x829D:
        data_->fNumber = static_cast<float>(number);
        break;
      case 0x8822:
        data_->exposureProgram = static_cast<int32_t>(number);
        break;
      case 0x8827: {
        int32_t iso = static_cast<int32_t>(number);
        data_->isoEquivalent = iso < 50 ? iso * 200 : iso;
        break;
      }
      case 0x9000:
        CopyText(data_->version, sizeof(data_->version), value, byteCount);
        break;
      case 0x9003:
        CopyText(data_->dateTime, sizeof(data_->dateTime), value, byteCount);
        break;
      case 0x9102:
        data_->compressionLevel = static_cast<int32_t>(number);
        break;
      case 0x9201:
        if (data_->exposureTime == 0)
          data_->exposureTime = static_cast<float>(1.0 / std::exp2(number));
        break;
      case 0x9202:
        if (data_->fNumber == 0) data_->fNumber = static_cast<float>(std::exp2(number / 2));
        break;
      case 0x9203:
        data_->brightness = static_cast<float>(number);
        break;
      case 0x9204:
        data_->exposureBias = static_cast<float>(number);
        break;
      case 0x9206:
        data_->distance = static_cast<float>(number);
        break;
      case 0x9207:
        data_->meteringMode = static_cast<int32_t>(number);
        break;
      case 0x9208:
        data_->lightSource = static_cast<int32_t>(number);
        break;
      case 0x9209:
        data_->flashUsed = (static_cast<int64_t>(number) & 7) != 0 ? 1 : 0;
        break;
      case 0x920A:
        data_->focalLength = static_cast<float>(number);
        break;
      case 0x9286: {
        // The comment value lies in the section's own block: trailing spaces
        // become NULs there.
        uint8_t* text = const_cast<uint8_t*>(value);
        for (uint64_t i = byteCount; i > 0 && text[i - 1] == ' '; --i) text[i - 1] = 0;
        uint64_t from = 0;
        if (byteCount >= 5 && std::memcmp(text, "ASCII", 5) == 0) {
          from = byteCount;
          for (uint64_t i = 5; i < 10 && i < byteCount; ++i) {
            if (text[i] != 0 && text[i] != ' ') {
              from = i;
              break;
            }
          }
        }
        if (from < byteCount)
          CopyText(data_->comment, 200, text + from, byteCount - from);
        break;
      }
      case 0xA002:
      case 0xA003: {
        uint32_t v = static_cast<uint32_t>(number < 0 ? 0 : number);
        if (v > exifImageWidth_) exifImageWidth_ = v;
        break;
      }
      case 0xA20E:
        data_->focalPlaneXRes = static_cast<float>(number);
        break;
      case 0xA20F:
        data_->focalPlaneYRes = static_cast<float>(number);
        break;
      case 0xA210: {
        double f = UnitFactor(static_cast<int>(number));
        if (f != 0) data_->focalPlaneUnit = static_cast<float>(f);
        break;
      }
      case 0x8769:
      case 0xA005: {
        uint64_t offset = byteCount >= 4 ? Get32(value) : 0;
        if (offset > 8) {
          if (offset >= tiffLength_) {
            SetError("Illegal subdirectory link");
            return false;
          }
          ParseDirectory(offset, depth + 1);
        }
        break;
      }
      default:
        break;
    }
  }
  uint64_t linkAt = start + 2 + 12 * entries;
  uint64_t next = linkAt + 4 <= tiffLength_ ? Get32(base + linkAt) : 0;
  if (next != 0) {
    if (next >= tiffLength_) {
      SetError("Illegal subdirectory link");
      return false;
    }
    ParseDirectory(next, depth + 1);
  }
  if (thumbnailSeen && thumbnailOffset != 0 && thumbnailOffset + thumbnailLength <= tiffLength_) {
    data_->thumbnail = base + thumbnailOffset;
    data_->thumbnailSize = static_cast<int32_t>(thumbnailLength);
  }
  return true;
}

void CExifReader::KeepOnlyExif() {
  std::vector<Section> kept;
  bool exif = false, comment = false;
  for (auto& s : sections_) {
    if (s.marker == 0xE1 && !exif) {
      exif = true;
      kept.insert(kept.begin(), std::move(s));
    } else if (s.marker == 0xFE && !comment) {
      comment = true;
      kept.push_back(std::move(s));
    }
  }
  sections_ = std::move(kept);
  sections_.reserve(kMaxSections);
}

bool CExifReader::WriteSections(CImageStream* stream) {
  size_t n = sections_.size();
  if (!stream || n < 2 || sections_[n - 2].marker != 0xDA || sections_[n - 1].marker != kImageMarker) {
    SetError("Can't write exif : didn't read all");
    return false;
  }
  static const uint8_t kStart[2] = {0xFF, 0xD8};
  static const uint8_t kJfif[18] = {0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00,
                                    0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};
  bool ok = stream->Write(kStart, 1, 2) == 2;
  if (sections_[0].marker != 0xE1 && sections_[0].marker != 0xE0)
    ok = ok && stream->Write(kJfif, 1, sizeof(kJfif)) == sizeof(kJfif);
  for (size_t i = 0; i + 1 < n; ++i) {
    uint8_t code[2] = {0xFF, static_cast<uint8_t>(sections_[i].marker)};
    ok = ok && stream->Write(code, 1, 2) == 2;
    ok = ok && stream->Write(sections_[i].data.data(), 1, sections_[i].data.size()) ==
                   sections_[i].data.size();
  }
  const auto& last = sections_[n - 1].data;
  ok = ok && (last.empty() || stream->Write(last.data(), 1, last.size()) == last.size());
  if (!ok) SetError("Can't write exif : write error");
  return ok;
}
