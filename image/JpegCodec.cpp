#include "image/JpegCodec.h"

#include <csetjmp>
#include <cmath>
#include <cstdio>
#include <cstring>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "image/ImageLog.h"
#include "image/ImageStream.h"

namespace {

constexpr size_t kStreamBuffer = 4096;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char* lastError;
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  std::snprintf(err->lastError, 256, "%s", text);
  std::longjmp(err->jump, 1);
}

// The library's warnings (a premature end of data among them) go to the log.
void OutputMessage(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX + 1];
  (*cinfo->err->format_message)(cinfo, text);
  std::strcat(text, "\n");
  image::LogLine(text);
}

// Our error manager for one call: errors land in the image's lastError.
jpeg_error_mgr* UseErrorManager(ErrorManager& jerr, char* lastError) {
  jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = ErrorExit;
  jerr.pub.output_message = OutputMessage;
  jerr.lastError = lastError;
  return &jerr.pub;
}

struct SourceManager {
  jpeg_source_mgr pub;
  CImageStream* stream;
  JOCTET* buffer;
  boolean startOfFile;
};

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<SourceManager*>(cinfo->src)->startOfFile = TRUE;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  size_t n = src->stream->Read(src->buffer, 1, kStreamBuffer);
  if (n == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  src->startOfFile = FALSE;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  if (count <= 0) return;
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void UseStreamSource(j_decompress_ptr cinfo, CImageStream* stream) {
  auto* src = static_cast<SourceManager*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(SourceManager)));
  src->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kStreamBuffer));
  src->stream = stream;
  src->startOfFile = TRUE;
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  cinfo->src = &src->pub;
}

struct DestinationManager {
  jpeg_destination_mgr pub;
  CImageStream* stream;
  JOCTET* buffer;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kStreamBuffer;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  if (dest->stream->Write(dest->buffer, 1, kStreamBuffer) != kStreamBuffer)
    ERREXIT(cinfo, JERR_FILE_WRITE);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kStreamBuffer;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  size_t left = kStreamBuffer - dest->pub.free_in_buffer;
  if (left > 0 && dest->stream->Write(dest->buffer, 1, left) != left)
    ERREXIT(cinfo, JERR_FILE_WRITE);
  dest->stream->Flush();
  if (dest->stream->Error()) ERREXIT(cinfo, JERR_FILE_WRITE);
}

void UseStreamDestination(j_compress_ptr cinfo, CImageStream* stream) {
  auto* dest = static_cast<DestinationManager*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(DestinationManager)));
  dest->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kStreamBuffer));
  dest->stream = stream;
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  cinfo->dest = &dest->pub;
}

}  // namespace

CJpegCodec::CJpegCodec() : CRasterImage(FormatJpeg) {}

CJpegCodec::~CJpegCodec() { delete exifReader; }

bool CJpegCodec::DecodeStream(CImageStream* stream) {
  if (!stream) return false;
  delete exifReader;
  exifReader = new CExifReader(&exifData);
  int64_t start = stream->Tell();
  exifReader->ReadSections(stream, CExifReader::kReadExif);
  stream->Seek(start, 0);
  return RunDecompress(stream, exifData.isExif);
}

bool CJpegCodec::RunDecompress(CImageStream* stream, bool exifFound) {
  jpeg_decompress_struct cinfo;
  ErrorManager jerr;
  cinfo.err = UseErrorManager(jerr, info.lastError);
  if (setjmp(jerr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  UseStreamSource(&cinfo, stream);
  jpeg_read_header(&cinfo, TRUE);

  uint32_t options = GetCodecOption(FormatJpeg);
  if (options & kOptionDecodeGrey) cinfo.out_color_space = JCS_GRAYSCALE;
  if (options & kOptionQuantize) {
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = info.jpegQuality < 2 ? 2 : info.jpegQuality;
  }
  if (options & kOptionDither) cinfo.dither_mode = static_cast<J_DITHER_MODE>(dither);
  if (options & kOptionOnePass) {
    cinfo.two_pass_quantize = FALSE;
  }
  if (options & kOptionNoFancyUpsampling) cinfo.do_fancy_upsampling = FALSE;
  cinfo.scale_num = 1;
  cinfo.scale_denom = info.jpegScale > 1 ? info.jpegScale : 1;
  // Three-component output comes straight in the bitmap's blue-green-red order.
  if (cinfo.out_color_space == JCS_RGB && !cinfo.quantize_colors)
    cinfo.out_color_space = JCS_EXT_BGR;

  jpeg_calc_output_dimensions(&cinfo);
  if (info.escape == -1) {
    header.biWidth = static_cast<int32_t>(cinfo.output_width);
    header.biHeight = static_cast<int32_t>(cinfo.output_height);
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  uint32_t bits = 8 * static_cast<uint32_t>(cinfo.output_components);
  // Refused before the library sets up its own buffers for the image.
  if (!FitsMemoryLimit(cinfo.output_width, cinfo.output_height, bits)) {
    SetError("RASTER_IMAGE_MAX_MEMORY exceeded");
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  if (!Create(cinfo.output_width, cinfo.output_height, 8 * cinfo.output_components, FormatJpeg)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (cinfo.quantize_colors) {
    const uint8_t* reds = cinfo.colormap[0];
    const uint8_t* greens = cinfo.out_color_components > 1 ? cinfo.colormap[1] : nullptr;
    const uint8_t* blues = cinfo.out_color_components > 2 ? cinfo.colormap[2] : nullptr;
    SetPaletteChannels(static_cast<uint32_t>(cinfo.actual_number_of_colors), reds, greens, blues);
    header.biClrUsed = static_cast<uint32_t>(cinfo.actual_number_of_colors);
    info.pixels = GetBits(0);
  } else if (cinfo.out_color_space == JCS_GRAYSCALE) {
    SetGrayPalette();
  }

  if (exifFound && exifData.xResolution != 0 && exifData.resolutionUnit != 0) {
    SetDpiX(static_cast<int32_t>(exifData.xResolution / exifData.resolutionUnit));
    SetDpiY(static_cast<int32_t>(exifData.yResolution / exifData.resolutionUnit));
  } else if (cinfo.density_unit == 2) {
    SetDpiX(static_cast<int32_t>(std::floor(cinfo.X_density * 2.54 + 0.5)));
    SetDpiY(static_cast<int32_t>(std::floor(cinfo.Y_density * 2.54 + 0.5)));
  } else {
    SetDpiX(cinfo.X_density);
    SetDpiY(cinfo.Y_density);
  }

  const uint32_t width = cinfo.output_width;
  const uint32_t height = cinfo.output_height;
  const uint32_t rowLength = width * static_cast<uint32_t>(cinfo.output_components);
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                              rowLength, 1);
  const bool cmyk = cinfo.output_components == 4 && !cinfo.quantize_colors;
  while (cinfo.output_scanline < height) {
    if (info.escape) {
      jpeg_destroy_decompress(&cinfo);
      return false;
    }
    uint32_t y = cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, row, 1);
    uint8_t* out = GetBits(0) + static_cast<size_t>(height - 1 - y) * info.rowBytes;
    const uint8_t* in = row[0];
    if (cmyk) {
      for (uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
        uint32_t k = in[3];
        out[0] = static_cast<uint8_t>(k * in[2] / 255);
        out[1] = static_cast<uint8_t>(k * in[1] / 255);
        out[2] = static_cast<uint8_t>(k * in[0] / 255);
      }
    } else {
      std::memcpy(out, in, rowLength < info.rowBytes ? rowLength : info.rowBytes);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool CJpegCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  if (GetPalette() && (GetBpp() != 8 || !IsGrayScale())) {
    SetError("JPEG can save only RGB or GreyScale images");
    return false;
  }
  int64_t start = stream->Tell();
  if (!RunCompress(stream)) return false;
  if (exifReader && exifData.isExif) {
    exifReader->KeepOnlyExif();
    stream->Seek(start, 0);
    exifReader->ReadSections(stream, CExifReader::kReadImage);
    stream->Seek(start, 0);
    if (!exifReader->WriteSections(stream)) {
      SetError(exifReader->GetLastError());
      return false;
    }
  }
  return true;
}

bool CJpegCodec::RunCompress(CImageStream* stream) {
  jpeg_compress_struct cinfo;
  ErrorManager jerr;
  cinfo.err = UseErrorManager(jerr, info.lastError);
  if (setjmp(jerr.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  UseStreamDestination(&cinfo, stream);
  const bool grey = GetPalette() != nullptr;
  cinfo.image_width = GetWidth();
  cinfo.image_height = GetHeight();
  cinfo.input_components = grey ? 1 : 3;
  // The bitmap's rows are blue-green-red: the library takes them as they are.
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  uint32_t options = GetCodecOption(FormatJpeg);
  if (options & kOptionArithmetic) cinfo.arith_code = TRUE;
  if (options & kOptionOptimize) cinfo.optimize_coding = TRUE;
  if (options & kOptionEncodeGrey) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  if (options & kOptionSmoothing) cinfo.smoothing_factor = smoothing < 0 ? 0 : smoothing > 100 ? 100 : smoothing;
  jpeg_set_quality(&cinfo, info.jpegQuality, (options & kOptionBaseline) ? TRUE : FALSE);
  if (options & kOptionProgressive) jpeg_simple_progression(&cinfo);
  cinfo.density_unit = 1;
  cinfo.X_density = static_cast<UINT16>(info.dpiX);
  cinfo.Y_density = static_cast<UINT16>(info.dpiY);
  jpeg_start_compress(&cinfo, TRUE);
  const uint32_t height = GetHeight();
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                              info.rowBytes + 8, 1);
  while (cinfo.next_scanline < height) {
    std::memcpy(row[0], GetBits(0) + static_cast<size_t>(height - 1 - cinfo.next_scanline) * info.rowBytes,
                info.rowBytes);
    jpeg_write_scanlines(&cinfo, row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}
