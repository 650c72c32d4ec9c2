// Loading, decoding and encoding by format number; the decode cascade.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/BmpCodec.h"
#include "image/GifCodec.h"
#include "image/ImageStream.h"
#include "image/JasperCodec.h"
#include "image/JpegCodec.h"
#include "image/MetafileCodec.h"
#include "image/RasterImage.h"
#include "image/PcxCodec.h"
#include "image/PngCodec.h"
#include "image/IconCodec.h"
#include "image/TgaCodec.h"

namespace {

// One decoding attempt with a fresh codec object of the format: the codec
// inherits the image's settings; on success the image takes its content.
// False without touching the image's bitmap when the format has no codec here
// yet or the codec refuses the data; `error` then holds the codec's text.
template <typename Codec, typename... Args>
bool TryDecode(CRasterImage& image, CImageStream* stream, std::string& error,
               int32_t& frameCount, Args... args) {
  Codec codec(args...);
  codec.CopyInfoFrom(image);
  if (codec.DecodeStream(stream)) return image.TakeFrom(codec);
  error = codec.GetLastError();
  frameCount = codec.GetFrameCount();
  return false;
}

// `asked` is the type the caller gave (0 while detecting): the JPEG-2000
// family gives it to the picture.
bool DecodeAs(uint32_t type, uint32_t asked, CRasterImage& image, CImageStream* stream,
              std::string& error, int32_t& frameCount, bool& known) {
  known = true;
  switch (type) {
    case FormatBmp:
      return TryDecode<CBmpCodec>(image, stream, error, frameCount);
    case FormatJpeg:
      return TryDecode<CJpegCodec>(image, stream, error, frameCount);
    case FormatGif:
      return TryDecode<CGifCodec>(image, stream, error, frameCount);
    case FormatPng:
      return TryDecode<CPngCodec>(image, stream, error, frameCount);
    case FormatIcon:
      return TryDecode<CIconCodec>(image, stream, error, frameCount);
    case FormatTga:
      return TryDecode<CTgaCodec>(image, stream, error, frameCount);
    case FormatPcx:
      return TryDecode<CPcxCodec>(image, stream, error, frameCount);
    case FormatWbmp:
      return TryDecode<CWbmpCodec>(image, stream, error, frameCount);
    case FormatMetafile:
      return TryDecode<CMetafileCodec>(image, stream, error, frameCount);
    case FormatJp2:
    case FormatJpc:
    case FormatPgx:
    case FormatPnm:
    case FormatRas:
      return TryDecode<CJasperCodec>(image, stream, error, frameCount, asked);
    default:
      // Formats whose codecs are not built answer like an unknown format.
      known = false;
      return false;
  }
}

template <typename Codec, typename... Args>
bool TryEncode(const CRasterImage& image, CImageStream* stream, std::string& error, Args... args) {
  Codec codec(args...);
  codec.ShareFrom(image);
  if (codec.EncodeStream(stream)) return true;
  error = codec.GetLastError();
  return false;
}

// The order in which detection offers the data to the decoders.
constexpr uint32_t kCascade[] = {FormatBmp, FormatJpeg, FormatIcon, FormatGif,      FormatPng,
                                 FormatTga, FormatPcx,  FormatWbmp, FormatMetafile, FormatJp2};

}  // namespace

bool CRasterImage::Load(const char* fileName, uint32_t typeHint) {
  if (typeHint >= 1 && typeHint < kFormatCount) {
    std::FILE* file = fileName ? std::fopen(fileName, "rb") : nullptr;
    if (!file) return false;
    bool ok = Decode(file, typeHint);
    std::fclose(file);
    if (ok) return true;
  }
  std::string saved = info.lastError;
  std::FILE* file = fileName ? std::fopen(fileName, "rb") : nullptr;
  if (!file) return false;
  bool ok = Decode(file, FormatUnknown);
  std::fclose(file);
  if (!ok && typeHint > 0) SetError(saved.c_str());
  return ok;
}

bool CRasterImage::Decode(std::FILE* file, uint32_t type) {
  CImageFileStream stream(file);
  return Decode(&stream, type);
}

bool CRasterImage::Decode(CImageStream* stream, uint32_t type) {
  if (!stream) {
    SetError("Decode: Unknown or wrong format");
    return false;
  }
  std::string error;
  int32_t frameCount = 0;
  bool known = false;
  if (type == FormatUnknown) {
    int64_t start = stream->Tell();
    for (uint32_t format : kCascade) {
      if (DecodeAs(format, FormatUnknown, *this, stream, error, frameCount, known)) return true;
      if (known) stream->Seek(start, 0);
    }
    SetError("Decode: Unknown or wrong format");
    return false;
  }
  if (type < kFormatCount) {
    if (DecodeAs(type, type, *this, stream, error, frameCount, known)) return true;
    if (known) {
      SetError(error.c_str());
      if (type == FormatGif || type == FormatIcon) info.frameCount = frameCount;
      return false;
    }
  }
  SetError("Decode: Unknown or wrong format");
  return false;
}

bool CRasterImage::Encode(CImageStream* stream, uint32_t type) {
  std::string error;
  bool ok;
  switch (type) {
    case FormatBmp:
      ok = TryEncode<CBmpCodec>(*this, stream, error);
      break;
    case FormatJpeg:
      ok = TryEncode<CJpegCodec>(*this, stream, error);
      break;
    case FormatGif:
      ok = TryEncode<CGifCodec>(*this, stream, error);
      break;
    case FormatPng:
      ok = TryEncode<CPngCodec>(*this, stream, error);
      break;
    case FormatIcon:
      ok = TryEncode<CIconCodec>(*this, stream, error);
      break;
    case FormatTga:
      ok = TryEncode<CTgaCodec>(*this, stream, error);
      break;
    case FormatPcx:
      ok = TryEncode<CPcxCodec>(*this, stream, error);
      break;
    case FormatWbmp:
      ok = TryEncode<CWbmpCodec>(*this, stream, error);
      break;
    case FormatMetafile:
      ok = TryEncode<CMetafileCodec>(*this, stream, error);
      break;
    case FormatJp2:
    case FormatJpc:
    case FormatPgx:
    case FormatPnm:
    case FormatRas:
      ok = TryEncode<CJasperCodec>(*this, stream, error, type);
      break;
    default:
      SetError("Encode: Unknown format");
      return false;
  }
  if (!ok) SetError(error.c_str());
  return ok;
}

bool CRasterImage::Encode(uint8_t*& buffer, size_t& size, uint32_t type) {
  if (buffer) {
    SetError("the buffer must be empty");
    return false;
  }
  CImageMemoryStream stream;
  stream.Open();
  if (!Encode(&stream, type)) return false;
  size = static_cast<size_t>(stream.Size());
  buffer = stream.GetBuffer(true);
  return true;
}
