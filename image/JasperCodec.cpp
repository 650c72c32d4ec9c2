#include "image/JasperCodec.h"

#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "image/ImageStream.h"
#include "image/SampleFormats.h"

using image::SampleComponent;
using image::SampleFormat;
using image::SampleImage;

namespace {

constexpr uint32_t kMaxComponents = 64;

// The image stream as OpenJPEG sees it: positions count from where the codec
// started.
struct StreamPlace {
  CImageStream* stream;
  int64_t base;
};

OPJ_SIZE_T ReadBytes(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* place = static_cast<StreamPlace*>(user);
  size_t got = place->stream->Read(buffer, 1, count);
  return got ? got : static_cast<OPJ_SIZE_T>(-1);
}

OPJ_SIZE_T WriteBytes(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* place = static_cast<StreamPlace*>(user);
  size_t put = place->stream->Write(buffer, 1, count);
  return put == count ? put : static_cast<OPJ_SIZE_T>(-1);
}

OPJ_OFF_T SkipBytes(OPJ_OFF_T count, void* user) {
  auto* place = static_cast<StreamPlace*>(user);
  return place->stream->Seek(count, 1) ? count : -1;
}

OPJ_BOOL SeekTo(OPJ_OFF_T offset, void* user) {
  auto* place = static_cast<StreamPlace*>(user);
  return place->stream->Seek(place->base + offset, 0) ? OPJ_TRUE : OPJ_FALSE;
}

// OpenJPEG's messages go nowhere: the codec reports its own texts.
void Quiet(const char*, void*) {}

struct CodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using OpjStreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using OpjImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

OpjStreamPtr MakeStream(StreamPlace& place, bool input) {
  OpjStreamPtr stream(opj_stream_create(1 << 16, input ? OPJ_TRUE : OPJ_FALSE));
  if (!stream) return stream;
  opj_stream_set_user_data(stream.get(), &place, nullptr);
  if (input) {
    opj_stream_set_read_function(stream.get(), ReadBytes);
    const int64_t size = place.stream->Size();
    if (size > place.base) opj_stream_set_user_data_length(stream.get(), static_cast<OPJ_UINT64>(size - place.base));
  } else {
    opj_stream_set_write_function(stream.get(), WriteBytes);
  }
  opj_stream_set_skip_function(stream.get(), SkipBytes);
  opj_stream_set_seek_function(stream.get(), SeekTo);
  return stream;
}

void SetQuiet(opj_codec_t* codec) {
  opj_set_info_handler(codec, Quiet, nullptr);
  opj_set_warning_handler(codec, Quiet, nullptr);
  opj_set_error_handler(codec, Quiet, nullptr);
}

// sYCC to RGB (OpenJPEG leaves it to the caller): the chroma planes may be
// subsampled; the result has three planes of the luma plane's size.
void SyccToRgb(SampleImage& image) {
  if (image.components.size() < 3) return;
  const SampleComponent& luma = image.components[0];
  const SampleComponent& cb = image.components[1];
  const SampleComponent& cr = image.components[2];
  if (cb.width == 0 || cb.height == 0 || cr.width == 0 || cr.height == 0) return;
  const uint32_t precision = std::min<uint32_t>(luma.precision, 16);
  const double offset = static_cast<double>(1u << (precision - 1));
  const double top = static_cast<double>((1u << precision) - 1);
  std::vector<SampleComponent> rgb(3, luma);
  for (uint32_t y = 0; y < luma.height; ++y)
    for (uint32_t x = 0; x < luma.width; ++x) {
      const size_t at = static_cast<size_t>(y) * luma.width + x;
      auto chroma = [&](const SampleComponent& c) {
        uint32_t cx = static_cast<uint32_t>(static_cast<uint64_t>(x) * c.width / luma.width);
        uint32_t cy = static_cast<uint32_t>(static_cast<uint64_t>(y) * c.height / luma.height);
        return static_cast<double>(c.samples[static_cast<size_t>(cy) * c.width + cx]) - (c.isSigned ? 0 : offset);
      };
      const double l = luma.samples[at] + (luma.isSigned ? offset : 0);
      const double b = chroma(cb), r = chroma(cr);
      auto clamp = [&](double v) { return static_cast<int32_t>(std::lround(std::clamp(v, 0.0, top))); };
      rgb[0].samples[at] = clamp(l + 1.402 * r);
      rgb[1].samples[at] = clamp(l - 0.344136 * b - 0.714136 * r);
      rgb[2].samples[at] = clamp(l + 1.772 * b);
    }
  for (auto& c : rgb) {
    c.precision = precision;
    c.isSigned = false;
  }
  image.components.erase(image.components.begin(), image.components.begin() + 3);
  image.components.insert(image.components.begin(), rgb.begin(), rgb.end());
}

// The number of wavelet levels a picture of this size takes (at most 6).
int Resolutions(uint32_t width, uint32_t height) {
  int levels = 6;
  const uint32_t smaller = std::min(width, height);
  while (levels > 1 && (smaller >> (levels - 1)) == 0) --levels;
  return levels;
}

}  // namespace

std::string CJasperCodec::RateOption(uint8_t quality) {
  char text[32];
  std::snprintf(text, sizeof text, "rate=%.3f", quality * 0.01);
  return text;
}

uint8_t CJasperCodec::Sample8(int32_t value, uint32_t precision, bool isSigned) {
  if (precision == 0) return 0;
  if (precision > 31) precision = 31;
  int64_t v = value;
  if (isSigned) v += int64_t{1} << (precision - 1);
  const int64_t top = (int64_t{1} << precision) - 1;
  v = std::clamp<int64_t>(v, 0, top);
  if (precision > 8) return static_cast<uint8_t>(v >> (precision - 8));
  if (precision < 8) return static_cast<uint8_t>((v * 255 + top / 2) / top);
  return static_cast<uint8_t>(v);
}

bool CJasperCodec::DecodeOpenJpeg(CImageStream* stream, bool jp2, SampleImage& samples) {
  StreamPlace place{stream, stream->Tell()};
  CodecPtr codec(opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  OpjStreamPtr input = MakeStream(place, true);
  if (!codec || !input) {
    SetError("error: cannot open standard input");
    return false;
  }
  SetQuiet(codec.get());
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  opj_image_t* raw = nullptr;
  if (!opj_setup_decoder(codec.get(), &parameters) || !opj_read_header(input.get(), codec.get(), &raw)) {
    opj_image_destroy(raw);
    SetError("error: cannot load image data");
    return false;
  }
  OpjImagePtr header(raw);
  // The sizes come from the header: a picture beyond the limits is refused
  // before anything is decoded.
  if (header->numcomps > kMaxComponents) {
    SetError("error: too much components");
    return false;
  }
  for (uint32_t i = 0; i < header->numcomps; ++i) {
    const opj_image_comp_t& c = header->comps[i];
    if (!image::SamplesFitMemory(header->numcomps, c.w, c.h)) {
      SetError("RASTER_IMAGE_MAX_MEMORY exceeded");
      return false;
    }
  }
  if (!opj_decode(codec.get(), input.get(), header.get()) || !opj_end_decompress(codec.get(), input.get())) {
    SetError("error: cannot load image data");
    return false;
  }
  samples.components.clear();
  for (uint32_t i = 0; i < header->numcomps; ++i) {
    const opj_image_comp_t& c = header->comps[i];
    if (!c.data || c.w == 0 || c.h == 0) {
      SetError("error: cannot load image data");
      return false;
    }
    SampleComponent component;
    component.width = c.w;
    component.height = c.h;
    component.precision = c.prec ? c.prec : 8;
    component.isSigned = c.sgnd != 0;
    component.samples.assign(c.data, c.data + static_cast<size_t>(c.w) * c.h);
    samples.components.push_back(std::move(component));
  }
  if (header->color_space == OPJ_CLRSPC_SYCC) SyccToRgb(samples);
  return true;
}

bool CJasperCodec::DecodeStream(CImageStream* stream) {
  if (!stream) return false;
  const int64_t start = stream->Tell();
  uint8_t head[12] = {};
  const size_t got = stream->Read(head, 1, sizeof head);
  stream->Seek(start, 0);
  SampleImage samples;
  bool tooLarge = false;
  bool ok = false;
  switch (image::SniffSampleFormat(head, got)) {
    case SampleFormat::Jp2:
    case SampleFormat::J2k:
      if (!DecodeOpenJpeg(stream, image::SniffSampleFormat(head, got) == SampleFormat::Jp2, samples)) return false;
      ok = true;
      break;
    case SampleFormat::Pnm:
      ok = image::ReadPnm(stream, samples, tooLarge);
      break;
    case SampleFormat::Pgx:
      ok = image::ReadPgx(stream, samples, tooLarge);
      break;
    case SampleFormat::Ras:
      ok = image::ReadRas(stream, samples, tooLarge);
      break;
    case SampleFormat::None:
      break;
  }
  if (!ok) {
    SetError(tooLarge ? "RASTER_IMAGE_MAX_MEMORY exceeded" : "error: cannot load image data");
    return false;
  }
  const auto& components = samples.components;
  if (components.empty()) {
    SetError("error: cannot load image data");
    return false;
  }
  if (components.size() > kMaxComponents) {
    SetError("error: too much components");
    return false;
  }
  const SampleComponent& first = components[0];
  if (components.size() == 3 && components[1].width == first.width && components[2].width == first.width &&
      components[1].height == first.height && components[2].height == first.height &&
      components[1].precision == first.precision && components[2].precision == first.precision) {
    if (!Create(first.width, first.height, 24, requestedType_)) {
      SetError("Can't allocate memory");
      return false;
    }
    for (uint32_t y = 0; y < first.height; ++y) {
      uint8_t* row = GetBits(first.height - 1 - y);
      const size_t at = static_cast<size_t>(y) * first.width;
      for (uint32_t x = 0; x < first.width; ++x)
        for (int i = 0; i < 3; ++i)
          row[3 * x + 2 - i] = Sample8(components[i].samples[at + x], components[i].precision, components[i].isSigned);
    }
    return true;
  }
  // Each component a frame of its own.
  info.frameCount = static_cast<int32_t>(components.size());
  if (info.frameIndex < 0 || info.frameIndex >= info.frameCount) {
    SetError("wrong frame!");
    return false;
  }
  const SampleComponent& frame = components[static_cast<size_t>(info.frameIndex)];
  const uint32_t bits = std::min<uint32_t>(frame.precision, 8);
  if (!Create(frame.width, frame.height, bits, requestedType_)) {
    SetError("Can't allocate memory");
    return false;
  }
  SetGrayPalette();
  const int32_t top = (1 << bits) - 1;
  for (uint32_t y = 0; y < frame.height; ++y) {
    const size_t at = static_cast<size_t>(y) * frame.width;
    for (uint32_t x = 0; x < frame.width; ++x) {
      const int32_t v = frame.samples[at + x];
      // Samples of up to 8 bits are palette indexes as they stand.
      uint8_t index = frame.precision > 8 ? Sample8(v, frame.precision, frame.isSigned)
                                          : static_cast<uint8_t>(std::clamp(frame.isSigned ? v + (1 << (frame.precision - 1)) : v, 0, top));
      SetPixelIndex(x, frame.height - 1 - y, index);
    }
  }
  return true;
}

bool CJasperCodec::EncodeOpenJpeg(CImageStream* stream, bool jp2, const SampleImage& samples) {
  const SampleComponent& first = samples.components[0];
  const uint32_t count = static_cast<uint32_t>(samples.components.size());
  opj_image_cmptparm_t parameters[3] = {};
  for (uint32_t i = 0; i < count; ++i) {
    parameters[i].dx = 1;
    parameters[i].dy = 1;
    parameters[i].w = first.width;
    parameters[i].h = first.height;
    parameters[i].prec = 8;
    parameters[i].sgnd = 0;
  }
  OpjImagePtr picture(opj_image_create(count, parameters, count == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
  if (!picture) {
    SetError("error : jas_image_create");
    return false;
  }
  picture->x0 = 0;
  picture->y0 = 0;
  picture->x1 = first.width;
  picture->y1 = first.height;
  for (uint32_t i = 0; i < count; ++i)
    std::copy(samples.components[i].samples.begin(), samples.components[i].samples.end(), picture->comps[i].data);

  // The rate r is OpenJPEG's compression ratio 1 / r; from 1 on the picture
  // is kept losslessly.
  float rate = 0;
  std::sscanf(RateOption(info.jpegQuality).c_str(), "rate=%f", &rate);
  opj_cparameters_t setup;
  opj_set_default_encoder_parameters(&setup);
  setup.tcp_numlayers = 1;
  setup.cp_disto_alloc = 1;
  if (rate >= 1.0f) {
    setup.tcp_rates[0] = 0;
  } else {
    setup.tcp_rates[0] = 1.0f / std::max(rate, 0.001f);
    setup.irreversible = 1;
  }
  setup.numresolution = Resolutions(first.width, first.height);
  setup.tcp_mct = count == 3 ? 1 : 0;

  StreamPlace place{stream, stream->Tell()};
  CodecPtr codec(opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  OpjStreamPtr output = MakeStream(place, false);
  if (!codec || !output) {
    SetError("error: cannot open standard output");
    return false;
  }
  SetQuiet(codec.get());
  if (!opj_setup_encoder(codec.get(), &setup, picture.get()) ||
      !opj_start_compress(codec.get(), picture.get(), output.get()) || !opj_encode(codec.get(), output.get()) ||
      !opj_end_compress(codec.get(), output.get())) {
    SetError("error: cannot encode image\n");
    return false;
  }
  return true;
}

bool CJasperCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  const bool grey = GetPalette() != nullptr;
  if (grey && !IsGrayScale()) {
    SetError("JasPer can save only RGB or GrayScale images");
    return false;
  }
  const uint32_t type = requestedType_;
  if (type == FormatPgx && !grey) {
    SetError("PGX can save only GrayScale images");
    return false;
  }
  const uint32_t width = GetWidth(), height = GetHeight();
  SampleImage samples;
  samples.components.assign(grey ? 1 : 3, SampleComponent{});
  for (auto& c : samples.components) {
    c.width = width;
    c.height = height;
    c.samples.resize(static_cast<size_t>(width) * height);
  }
  for (uint32_t y = 0; y < height; ++y) {
    const size_t at = static_cast<size_t>(height - 1 - y) * width;
    for (uint32_t x = 0; x < width; ++x) {
      if (grey) {
        samples.components[0].samples[at + x] = GetPixelIndexUnchecked(x, y);
        continue;
      }
      RGBQUAD c = GetPixelColorUnchecked(x, y);
      samples.components[0].samples[at + x] = c.rgbRed;
      samples.components[1].samples[at + x] = c.rgbGreen;
      samples.components[2].samples[at + x] = c.rgbBlue;
    }
  }
  std::vector<uint8_t> bytes;
  switch (type) {
    case FormatJp2:
    case FormatJpc:
      if (!EncodeOpenJpeg(stream, type == FormatJp2, samples)) return false;
      stream->Flush();
      return true;
    case FormatPgx:
      bytes = image::WritePgx(samples);
      break;
    case FormatPnm:
      bytes = image::WritePnm(samples);
      break;
    default:
      bytes = image::WriteRas(samples);
      break;
  }
  if (stream->Write(bytes.data(), 1, bytes.size()) != bytes.size()) {
    SetError("error: cannot encode image\n");
    return false;
  }
  stream->Flush();
  return true;
}
