#include "image/GifCodec.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "image/ImageStream.h"

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr int kMaxCodes = 4096;

// --- decoding ---

// Where the rows of one frame go: from the top down, or in the four passes
// of an interlaced frame (rows 0, 8, 16 ...; 4, 12 ...; 2, 6 ...; 1, 3 ...).
class RowSink {
 public:
  RowSink(CRasterImage* frame, uint32_t height, bool interlaced)
      : frame_(frame), height_(height), interlaced_(interlaced) {}

  void Put(const uint8_t* indexes, uint32_t count) {
    int64_t y = row_;
    Advance();
    if (!frame_ || y < 0 || y >= height_) return;
    uint8_t* dst = frame_->GetBits(0) + static_cast<size_t>(height_ - 1 - y) * frame_->GetRowBytes();
    const uint32_t rowBytes = frame_->GetRowBytes();
    switch (frame_->GetBpp()) {
      case 8:
        std::memcpy(dst, indexes, count < rowBytes ? count : rowBytes);
        break;
      case 4:
        for (uint32_t x = 0; x < count && x / 2 < rowBytes; ++x) {
          uint8_t& b = dst[x / 2];
          b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (indexes[x] & 0x0F))
                      : static_cast<uint8_t>((b & 0x0F) | (indexes[x] << 4));
        }
        break;
      default:
        for (uint32_t x = 0; x < count && x / 8 < rowBytes; ++x) {
          uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
          if (indexes[x] & 1)
            dst[x / 8] |= bit;
          else
            dst[x / 8] &= static_cast<uint8_t>(~bit);
        }
        break;
    }
  }

 private:
  void Advance() {
    if (!interlaced_) {
      ++row_;
      return;
    }
    row_ += step_;
    static const int kStart[] = {0, 0, 4, 2, 1};
    static const int kStep[] = {8, 8, 8, 4, 2};
    while (row_ >= height_ && pass_ < 4) {
      ++pass_;
      row_ = kStart[pass_];
      step_ = kStep[pass_];
    }
  }

  CRasterImage* frame_;
  int64_t height_;
  bool interlaced_;
  int64_t row_ = 0;
  int64_t step_ = 8;
  int pass_ = 1;
};

struct LzwResult {
  int badCodes = 0;          // codes above the next free slot
  bool terminatorRead = false;  // the zero-length block ending the data
  int64_t blockLeft = 0;     // unread bytes of the current sub-block
};

// The LZW codes of one frame's image data, least-significant bit first, out
// of its sub-blocks.  Damaged data never fails the frame: it keeps what was
// decoded.
class LzwDecoder {
 public:
  explicit LzwDecoder(CImageStream* stream) : stream_(stream) {}

  LzwResult Run(RowSink& sink, uint32_t width) {
    LzwResult result;
    int size = stream_->GetC();
    if (size < 2 || size > 9) return result;
    std::vector<uint8_t> row(static_cast<size_t>(width) + 1);
    const int clear = 1 << size;
    const int ending = clear + 1;
    const int newCodes = clear + 2;
    codeSize_ = size + 1;
    int slot = newCodes;
    int topSlot = 1 << codeSize_;
    int oldCode = 0, firstChar = 0;
    uint32_t filled = 0;
    auto emit = [&](int pixel) {
      if (width == 0) return;
      row[filled++] = static_cast<uint8_t>(pixel);
      if (filled == width) {
        sink.Put(row.data(), width);
        filled = 0;
      }
    };
    // The stack holds a string last character first.
    auto emitStack = [&](int count) {
      if (width == 0) return;
      while (count > 0) {
        uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(count), width - filled);
        uint8_t* to = row.data() + filled;
        for (uint32_t i = 0; i < n; ++i) to[i] = stack_[count - 1 - static_cast<int>(i)];
        count -= static_cast<int>(n);
        filled += n;
        if (filled == width) {
          sink.Put(row.data(), width);
          filled = 0;
        }
      }
    };
    for (;;) {
      int c = NextCode(ending, result);
      if (c < 0 || c == ending) break;
      if (c == clear) {
        codeSize_ = size + 1;
        slot = newCodes;
        topSlot = 1 << codeSize_;
        do c = NextCode(ending, result);
        while (c == clear);
        if (c < 0 || c == ending) break;
        if (c >= slot) c = 0;
        oldCode = firstChar = c;
        emit(c);
        continue;
      }
      int code = c;
      int sp = 0;
      if (code >= slot) {
        if (code > slot) ++result.badCodes;
        code = oldCode;
        stack_[sp++] = static_cast<uint8_t>(firstChar);
      }
      // A looping prefix chain in damaged data ends the frame.
      while (code >= newCodes) {
        if (sp >= kMaxCodes) {
          flushPartial(sink, row, filled);
          return result;
        }
        stack_[sp++] = suffix_[code];
        code = prefix_[code];
      }
      if (sp >= kMaxCodes) break;
      stack_[sp++] = static_cast<uint8_t>(code);
      if (slot < topSlot) {
        suffix_[slot] = static_cast<uint8_t>(firstChar = code);
        prefix_[slot++] = static_cast<uint16_t>(oldCode);
        oldCode = c;
      }
      if (slot >= topSlot && codeSize_ < 12) {
        topSlot <<= 1;
        ++codeSize_;
      }
      emitStack(sp);
    }
    flushPartial(sink, row, filled);
    return result;
  }

 private:
  static void flushPartial(RowSink& sink, const std::vector<uint8_t>& row, uint32_t filled) {
    if (filled) sink.Put(row.data(), filled);
  }

  // The next code; the end code for a zero-length block met inside the
  // data; -1 when the data runs out.
  int NextCode(int ending, LzwResult& result) {
    while (bits_ < codeSize_) {
      if (result.blockLeft == 0) {
        int length = stream_->GetC();
        if (length < 0) return -1;
        if (length == 0) {
          result.terminatorRead = true;
          return ending;
        }
        size_t n = stream_->Read(block_, 1, static_cast<size_t>(length));
        if (n == 0) return -1;
        blockPos_ = 0;
        result.blockLeft = static_cast<int64_t>(n);
      }
      accumulator_ |= static_cast<uint32_t>(block_[blockPos_++]) << bits_;
      bits_ += 8;
      --result.blockLeft;
    }
    int code = static_cast<int>(accumulator_ & ((1u << codeSize_) - 1));
    accumulator_ >>= codeSize_;
    bits_ -= codeSize_;
    return code;
  }

  CImageStream* stream_;
  int codeSize_ = 0;
  uint32_t accumulator_ = 0;
  int bits_ = 0;
  uint8_t block_[255] = {};
  int blockPos_ = 0;
  uint8_t stack_[kMaxCodes] = {};
  uint8_t suffix_[kMaxCodes] = {};
  uint16_t prefix_[kMaxCodes] = {};
};

// Skips sub-blocks up to and including the zero-length one.
void SkipSubBlocks(CImageStream* stream) {
  for (;;) {
    int length = stream->GetC();
    if (length <= 0) return;
    stream->Seek(length, 1);
  }
}

// After a frame's data: behind its last sub-block, or, when the codes were
// damaged, onto the first image introducer that follows a zero byte.
void Reposition(CImageStream* stream, int64_t dataStart, const LzwResult& result) {
  if (result.badCodes > 0) {
    stream->Seek(dataStart, 0);
    int previous = -1;
    for (;;) {
      int c = stream->GetC();
      if (c < 0) return;
      if (previous == 0 && c == 0x2C) {
        stream->Seek(-1, 1);
        return;
      }
      previous = c;
    }
  }
  if (result.terminatorRead) return;
  if (result.blockLeft) stream->Seek(result.blockLeft, 1);
  SkipSubBlocks(stream);
}

}  // namespace

struct CGifCodec::Composition {
  int32_t stopAt = 0;
  bool tiledPossible = false;
  int tiledSigns = 0;
  bool failed = false;
  bool done = false;
  int32_t firstTransparent = -1;
  uint8_t previousDisposal = 0;
  std::unique_ptr<CRasterImage> canvas;  // tiled files
  RGBQUAD lastTransparentColour{};
};

bool CGifCodec::ReadExtension(CImageStream* stream) {
  int label = stream->GetC();
  if (label < 0) return false;
  switch (label) {
    case 0xF9: {
      int size = stream->GetC();
      uint8_t b[4];
      if (size < 0 || stream->Read(b, 1, 4) != 4 || size != 4) return false;
      graphicControl = GraphicControl{b[0], Le16(b + 1), b[3]};
      if (b[0] & 1) info.transparentIndex = b[3];
      info.frameDelay = graphicControl.delay;
      gifDisposal = static_cast<uint8_t>((b[0] >> 2) & 7);
      break;
    }
    case 0xFE: {
      int size = stream->GetC();
      if (size < 0) return false;
      size_t n = stream->Read(gifComment, 1, static_cast<size_t>(size));
      gifComment[n] = '\0';
      if (n != static_cast<size_t>(size)) return false;
      break;
    }
    case 0xFF: {
      int size = stream->GetC();
      if (size < 0) return false;
      if (size != 11) {
        stream->Seek(size, 1);
        break;
      }
      uint8_t id[11];
      if (stream->Read(id, 1, 11) != 11) return false;
      int length = stream->GetC();
      if (length < 0) return false;
      if (length == 0) return true;  // that was the terminator
      uint8_t sub[255];
      if (stream->Read(sub, 1, static_cast<size_t>(length)) != static_cast<size_t>(length))
        return false;
      if (length > 2) gifLoops = Le16(sub + 1);
      break;
    }
    default:
      break;
  }
  SkipSubBlocks(stream);
  return true;
}

int32_t CGifCodec::WalkFrames(CImageStream* stream, std::vector<uint8_t> table,
                              uint32_t screenWidth, uint32_t screenHeight, Composition* comp) {
  int32_t counted = 0;
  bool skipping = false;
  for (;;) {
    if (info.escape > 0) {
      if (comp) comp->failed = true;
      break;
    }
    int c = stream->GetC();
    if (c < 0) break;
    if (skipping) {
      if (c == 0) skipping = false;
      continue;
    }
    if (c == 0x3B) break;
    if (c == 0x21) {
      if (!ReadExtension(stream)) break;
      continue;
    }
    if (c != 0x2C) {
      // A stray byte: what follows up to the next zero byte is skipped.
      if (c != 0) skipping = true;
      continue;
    }
    uint8_t d[9];
    if (stream->Read(d, 1, 9) != 9) break;
    const uint32_t left = Le16(d), top = Le16(d + 2), width = Le16(d + 4), height = Le16(d + 6);
    const uint8_t flags = d[8];
    // A frame outside the screen is passed over, its data left for the
    // stray-byte rule.
    if (left + width > screenWidth || top + height > screenHeight) continue;
    if (comp && counted == 0 && width != screenWidth && height != screenHeight) ++comp->tiledSigns;
    if (flags & 0x80) {
      size_t entries = size_t{2} << (flags & 7);
      table.assign(entries * 3, 0);
      stream->Read(table.data(), 3, entries);
    }
    const size_t tableSize = table.size() / 3;
    const uint32_t bpp = tableSize <= 2 ? 1 : tableSize <= 16 ? 4 : 8;
    const bool interlaced = (flags & 0x40) != 0;

    if (!comp) {
      // Counting: read through the data to find where it ends.
      int64_t dataStart = stream->Tell();
      RowSink sink(nullptr, height, interlaced);
      auto decoder = std::make_unique<LzwDecoder>(stream);
      Reposition(stream, dataStart, decoder->Run(sink, width));
      ++counted;
      continue;
    }

    const bool tiled = comp->tiledPossible && comp->tiledSigns >= 2;
    // A frame that covers the screen and has no transparent index hides
    // the background entirely: it becomes the picture as it is.
    const bool covers = !tiled && left == 0 && top == 0 && width == screenWidth &&
                        height == screenHeight && info.transparentIndex < 0 &&
                        (counted == 0 || GetBpp() == bpp);
    if (counted == 0) comp->firstTransparent = info.transparentIndex;
    std::unique_ptr<CRasterImage> background;
    if (!tiled && !covers) {
      if (counted == 0) {
        background = std::make_unique<CRasterImage>(FormatGif);
        background->CopyInfoFrom(*this);
        if (!background->Create(screenWidth, screenHeight, bpp, FormatGif)) {
          SetError(background->GetLastError());
          comp->failed = true;
          break;
        }
        background->Clear(graphicControl.transparentIndex);
      } else {
        background = std::make_unique<CRasterImage>(*this);
        if (!background->IsValid()) {
          SetError(background->GetLastError());
          comp->failed = true;
          break;
        }
        if (comp->previousDisposal == 2)
          background->Clear(static_cast<uint8_t>(comp->firstTransparent >= 0 ? comp->firstTransparent : 0));
      }
    }

    CRasterImage frame(FormatGif);
    frame.CopyInfoFrom(*this);
    if (!frame.Create(width, height, bpp, FormatGif)) {
      SetError(frame.GetLastError());
      comp->failed = true;
      break;
    }
    if (tableSize) {
      std::vector<RGBQUAD> palette(256, RGBQUAD{255, 255, 255, 0});
      for (size_t i = 0; i < tableSize && i < 256; ++i)
        palette[i] = RGBQUAD{table[3 * i + 2], table[3 * i + 1], table[3 * i], 0};
      frame.SetPalette(palette.data(), info.transparentIndex >= 0 ? 256u
                                                                  : static_cast<uint32_t>(tableSize));
    }
    int64_t dataStart = stream->Tell();
    RowSink sink(&frame, height, interlaced);
    auto decoder = std::make_unique<LzwDecoder>(stream);
    LzwResult result = decoder->Run(sink, width);
    if (info.escape) {
      comp->failed = true;
      break;
    }

    if (tiled) {
      comp->stopAt = info.frameCount - 1;
      if (!comp->canvas) {
        comp->canvas = std::make_unique<CRasterImage>(FormatGif);
        comp->canvas->CopyInfoFrom(*this);
        if (!comp->canvas->Create(screenWidth, screenHeight, 24, FormatGif)) {
          SetError(comp->canvas->GetLastError());
          comp->failed = true;
          break;
        }
      }
      for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
          comp->canvas->SetPixelColor(left + x, screenHeight - 1 - (top + y),
                                      frame.GetPixelColor(x, height - 1 - y, false));
      comp->lastTransparentColour = frame.GetPaletteColor(graphicControl.transparentIndex);
    } else if (covers) {
      frame.SetTransparentIndex(comp->firstTransparent);
      TakeFrom(frame);
    } else {
      const int32_t transparent = info.transparentIndex;
      for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
          uint8_t index = frame.GetPixelIndexUnchecked(x, height - 1 - y);
          if (index != transparent)
            background->SetPixelIndex(left + x, static_cast<int64_t>(screenHeight) - 1 - (top + y), index);
        }
      }
      background->SetTransparentIndex(comp->firstTransparent);
      if (frame.GetPalette()) background->SetPalette(frame.GetPalette(), frame.GetNumColors());
      TakeFrom(*background);
    }
    comp->previousDisposal = gifDisposal;
    Reposition(stream, dataStart, result);
    if (counted == comp->stopAt) {
      comp->done = true;
      break;
    }
    ++counted;
  }
  return counted;
}

bool CGifCodec::DecodeStream(CImageStream* stream) {
  if (!stream) return false;
  uint8_t head[13];
  if (stream->Read(head, 1, 13) != 13 || std::memcmp(head, "GIF8", 4) != 0) return false;
  const uint32_t screenWidth = Le16(head + 6);
  const uint32_t screenHeight = Le16(head + 8);
  if (info.escape == -1) {
    header.biWidth = static_cast<int32_t>(screenWidth);
    header.biHeight = static_cast<int32_t>(screenHeight);
    return true;
  }
  Composition comp;
  std::vector<uint8_t> table;
  if (head[10] & 0x80) {
    size_t entries = size_t{2} << (head[10] & 7);
    table.assign(entries * 3, 0);
    stream->Read(table.data(), 3, entries);
  } else {
    ++comp.tiledSigns;
  }

  // Count the frames first.  The settings the extensions leave behind are
  // those of the last frame; decoding starts again from the file's own.
  const int64_t blocksStart = stream->Tell();
  const GraphicControl savedControl = graphicControl;
  const int32_t savedTransparent = info.transparentIndex;
  const uint32_t savedDelay = info.frameDelay;
  const uint8_t savedDisposal = gifDisposal;
  info.frameCount = WalkFrames(stream, table, screenWidth, screenHeight, nullptr);
  stream->Seek(blocksStart, 0);
  graphicControl = savedControl;
  info.transparentIndex = savedTransparent;
  info.frameDelay = savedDelay;
  gifDisposal = savedDisposal;
  if (info.escape > 0) return false;
  if (info.frameIndex < 0 || info.frameIndex >= info.frameCount) return false;

  comp.tiledPossible = info.frameCount > 1;
  comp.stopAt = info.frameIndex;
  WalkFrames(stream, table, screenWidth, screenHeight, &comp);
  if (comp.failed) return false;
  if (comp.canvas) {
    if (graphicControl.flags & 1) {
      comp.canvas->SetTransparentColor(comp.lastTransparentColour);
      comp.canvas->SetTransparentIndex(0);
    }
    const int32_t frames = info.frameCount;
    TakeFrom(*comp.canvas);
    info.frameCount = frames;
  }
  // A file whose blocks end before any frame was drawn has no picture.
  return IsValid();
}

// --- encoding ---

namespace {

// Every byte the encoder writes; notes any write that fails.
class GifWriter {
 public:
  explicit GifWriter(CImageStream* stream) : stream_(stream) {}
  void Bytes(const void* data, size_t n) {
    if (n && stream_->Write(data, 1, n) != n) failed_ = true;
  }
  void Byte(uint8_t b) {
    if (!stream_->PutC(b)) failed_ = true;
  }
  void Word(uint32_t v) {
    uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    Bytes(b, 2);
  }
  // Whether everything reached the stream, after flushing it.
  bool Finish() {
    stream_->Flush();
    return !failed_ && stream_->Error() == 0;
  }

 private:
  CImageStream* stream_;
  bool failed_ = false;
};

// The pixels' indexes from the top row down, left to right; -1 at the end.
class PixelCursor {
 public:
  explicit PixelCursor(const CRasterImage& image)
      : image_(image), width_(image.GetWidth()), height_(image.GetHeight()) {
    left_ = static_cast<uint64_t>(width_) * height_;
  }
  int Next() {
    if (left_ == 0) return -1;
    --left_;
    int index = image_.GetPixelIndexUnchecked(x_, height_ - 1 - row_);
    if (++x_ == width_) {
      x_ = 0;
      ++row_;
    }
    return index;
  }

 private:
  const CRasterImage& image_;
  uint32_t width_, height_;
  uint32_t x_ = 0, row_ = 0;
  uint64_t left_;
};

// Codes packed least-significant bit first into sub-blocks of `blockSize`
// bytes.
class CodePacker {
 public:
  CodePacker(GifWriter& out, size_t blockSize) : out_(out), blockSize_(blockSize) {}
  void Put(int code, int width) {
    accumulator_ |= static_cast<uint64_t>(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      Char(static_cast<uint8_t>(accumulator_));
      accumulator_ >>= 8;
      bits_ -= 8;
    }
  }
  void Finish() {
    if (bits_ > 0) Char(static_cast<uint8_t>(accumulator_));
    accumulator_ = 0;
    bits_ = 0;
    FlushBlock();
  }

 private:
  void Char(uint8_t c) {
    block_[length_++] = c;
    if (length_ >= blockSize_) FlushBlock();
  }
  void FlushBlock() {
    if (!length_) return;
    out_.Byte(static_cast<uint8_t>(length_));
    out_.Bytes(block_, length_);
    length_ = 0;
  }
  GifWriter& out_;
  size_t blockSize_;
  uint64_t accumulator_ = 0;
  int bits_ = 0;
  uint8_t block_[255] = {};
  size_t length_ = 0;
};

// The code width bookkeeping shared by the LZW and the uncompressed coder.
class CodeOutput {
 public:
  CodeOutput(GifWriter& out, int initBits)
      : packer_(out, 254), initBits_(initBits), width_(initBits), maxCode_((1 << initBits) - 1),
        clearCode_(1 << (initBits - 1)), endCode_(clearCode_ + 1), freeCode_(clearCode_ + 2) {}

  void Output(int code) {
    packer_.Put(code, width_);
    if (freeCode_ > maxCode_ || clearFlag_) {
      if (clearFlag_) {
        width_ = initBits_;
        maxCode_ = (1 << width_) - 1;
        clearFlag_ = false;
      } else {
        ++width_;
        maxCode_ = width_ == 12 ? kMaxCodes : (1 << width_) - 1;
      }
    }
    if (code == endCode_) packer_.Finish();
  }
  // A clear code: the decoder's table starts again.
  void Clear() {
    freeCode_ = clearCode_ + 2;
    clearFlag_ = true;
    Output(clearCode_);
  }

  CodePacker packer_;
  int initBits_, width_, maxCode_;
  int clearCode_, endCode_, freeCode_;
  bool clearFlag_ = false;
};

void EncodeLzw(GifWriter& out, const CRasterImage& image, int initBits) {
  constexpr int kHashSize = 5003;
  std::vector<int32_t> keys(kHashSize, -1);
  std::vector<uint16_t> codes(kHashSize, 0);
  CodeOutput o(out, initBits);
  PixelCursor pixels(image);
  int prefix = pixels.Next();
  o.Output(o.clearCode_);
  if (prefix >= 0) {
    for (int c = pixels.Next(); c >= 0; c = pixels.Next()) {
      const int32_t key = (c << 12) + prefix;
      int i = (c << 4) ^ prefix;
      bool found = false;
      if (keys[i] == key) {
        found = true;
      } else if (keys[i] >= 0) {
        const int step = i == 0 ? 1 : kHashSize - i;
        do {
          if ((i -= step) < 0) i += kHashSize;
          if (keys[i] == key) {
            found = true;
            break;
          }
        } while (keys[i] >= 0);
      }
      if (found) {
        prefix = codes[i];
        continue;
      }
      o.Output(prefix);
      prefix = c;
      if (o.freeCode_ < kMaxCodes) {
        codes[i] = static_cast<uint16_t>(o.freeCode_++);
        keys[i] = key;
      } else {
        std::fill(keys.begin(), keys.end(), -1);
        o.Clear();
      }
    }
    o.Output(prefix);
  }
  o.Output(o.endCode_);
}

void EncodeUncompressed(GifWriter& out, const CRasterImage& image, int initBits) {
  CodeOutput o(out, initBits);
  PixelCursor pixels(image);
  o.Output(o.clearCode_);
  for (int c = pixels.Next(); c >= 0; c = pixels.Next()) {
    o.Output(c);
    if (++o.freeCode_ > kMaxCodes - 1) o.Clear();
  }
  o.Output(o.endCode_);
}

// Runs of equal pixels as codes the decoder's table learns as it goes: after
// a clear, the pixel and then the codes for runs of 2, 3, ... pixels.
class RunLengthCoder {
 public:
  RunLengthCoder(GifWriter& out, int initBits)
      : packer_(out, 255), clearCode_(1 << (initBits - 1)), endCode_(clearCode_ + 1),
        baseCode_(endCode_ + 1), bitsInit_(initBits),
        bumpInit_((1 << (initBits - 1)) - 1),
        clearInit_(initBits <= 3 ? 9 : bumpInit_ - 1),
        maxCodes_((1 << 12) - ((1 << (initBits - 1)) + 3)) {}

  void Run(const CRasterImage& image) {
    DidClear();
    Output(clearCode_);
    PixelCursor pixels(image);
    for (int c = pixels.Next(); c >= 0; c = pixels.Next()) {
      if (runCount_ > 0 && c != runPixel_) Flush();
      if (runPixel_ == c) {
        ++runCount_;
      } else {
        runPixel_ = c;
        runCount_ = 1;
      }
    }
    if (runCount_ > 0) Flush();
    Output(endCode_);
    packer_.Finish();
  }

 private:
  void Output(int code) { packer_.Put(code, bits_); }

  void DidClear() {
    bits_ = bitsInit_;
    bump_ = bumpInit_;
    clear_ = clearInit_;
    count_ = 0;
    tableMax_ = 0;
    justCleared_ = true;
  }

  void OutputPlain(int code) {
    justCleared_ = false;
    Output(code);
    ++count_;
    if (count_ >= bump_) {
      ++bits_;
      bump_ += 1 << (bits_ - 1);
    }
    if (count_ >= clear_) {
      Output(clearCode_);
      DidClear();
    }
  }

  static unsigned IntSqrt(unsigned x) {
    if (x < 2) return x;
    unsigned r = 1;
    for (unsigned v = x; v; v >>= 2) r <<= 1;
    for (;;) {
      unsigned v = (x / r + r) / 2;
      if (v == r || v == r + 1) return r;
      r = v;
    }
  }

  // Codes needed for `count` pixels starting from a clear table.
  static unsigned TriangleCount(unsigned count, unsigned codesPerClear) {
    unsigned cost = 0;
    const unsigned perRepeat = codesPerClear * (codesPerClear + 1) / 2;
    while (count >= perRepeat) {
      cost += codesPerClear;
      count -= perRepeat;
    }
    if (count > 0) {
      unsigned n = IntSqrt(count);
      while (n * (n + 1) >= 2 * count) --n;
      while (n * (n + 1) < 2 * count) ++n;
      cost += n;
    }
    return cost;
  }

  void ResetClearLimit() {
    clear_ = clearInit_;
    if (count_ >= clear_) {
      Output(clearCode_);
      DidClear();
    }
  }

  void FlushFromClear(int count) {
    clear_ = maxCodes_;
    tablePixel_ = runPixel_;
    int n = 1;
    while (count > 0) {
      if (n == 1) {
        tableMax_ = 1;
        OutputPlain(runPixel_);
        --count;
      } else if (count >= n) {
        tableMax_ = n;
        OutputPlain(baseCode_ + n - 2);
        count -= n;
      } else if (count == 1) {
        ++tableMax_;
        OutputPlain(runPixel_);
        count = 0;
      } else {
        ++tableMax_;
        OutputPlain(baseCode_ + count - 2);
        count = 0;
      }
      n = count_ == 0 ? 1 : n + 1;
    }
    ResetClearLimit();
  }

  void FlushClearOrRepeat(int count) {
    const unsigned withClear = 1 + TriangleCount(static_cast<unsigned>(count), static_cast<unsigned>(maxCodes_));
    if (withClear < static_cast<unsigned>(count)) {
      Output(clearCode_);
      DidClear();
      FlushFromClear(count);
    } else {
      for (; count > 0; --count) OutputPlain(runPixel_);
    }
  }

  void FlushWithTable(int count) {
    int repeats = count / tableMax_;
    int leftover = count % tableMax_;
    unsigned repeatLeft = leftover ? 1 : 0;
    if (count_ + repeats + static_cast<int>(repeatLeft) > maxCodes_) {
      repeats = maxCodes_ - count_;
      leftover = count - repeats * tableMax_;
      repeatLeft = 1 + TriangleCount(static_cast<unsigned>(leftover), static_cast<unsigned>(maxCodes_));
    }
    if (1 + TriangleCount(static_cast<unsigned>(count), static_cast<unsigned>(maxCodes_)) <
        static_cast<unsigned>(repeats) + repeatLeft) {
      Output(clearCode_);
      DidClear();
      FlushFromClear(count);
      return;
    }
    clear_ = maxCodes_;
    for (; repeats > 0; --repeats) OutputPlain(baseCode_ + tableMax_ - 2);
    if (leftover) {
      if (justCleared_)
        FlushFromClear(leftover);
      else if (leftover == 1)
        OutputPlain(runPixel_);
      else
        OutputPlain(baseCode_ + leftover - 2);
    }
    ResetClearLimit();
  }

  void Flush() {
    if (runCount_ == 1) {
      OutputPlain(runPixel_);
    } else if (justCleared_) {
      FlushFromClear(runCount_);
    } else if (tableMax_ < 2 || tablePixel_ != runPixel_) {
      FlushClearOrRepeat(runCount_);
    } else {
      FlushWithTable(runCount_);
    }
    runCount_ = 0;
  }

  CodePacker packer_;
  const int clearCode_, endCode_, baseCode_, bitsInit_, bumpInit_, clearInit_, maxCodes_;
  int bits_ = 0, bump_ = 0, clear_ = 0, count_ = 0;
  int tableMax_ = 0, tablePixel_ = -1;
  bool justCleared_ = true;
  int runPixel_ = -1, runCount_ = 0;
};

void WriteGraphicControl(GifWriter& out, const CGifCodec& image, uint8_t disposal) {
  const uint8_t b[] = {0x21, 0xF9, 0x04,
                       static_cast<uint8_t>(((disposal << 2) & 0x1C) | (image.GetTransparentIndex() != -1 ? 1 : 0))};
  out.Bytes(b, sizeof b);
  out.Word(image.GetInfo().frameDelay);
  out.Byte(static_cast<uint8_t>(image.GetTransparentIndex()));
  out.Byte(0);
}

void WriteComment(GifWriter& out, const char* comment) {
  size_t length = strnlen(comment, 255);
  if (!length) return;
  out.Byte(0x21);
  out.Byte(0xFE);
  out.Byte(static_cast<uint8_t>(length));
  out.Bytes(comment, length);
  out.Byte(0);
}

void WritePalette(GifWriter& out, const CRasterImage& image) {
  std::vector<uint8_t> rgb;
  for (uint32_t i = 0; i < image.GetNumColors(); ++i) {
    RGBQUAD c = image.GetPaletteColor(i);
    rgb.insert(rgb.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
  }
  out.Bytes(rgb.data(), rgb.size());
}

// The image descriptor, a 256-entry local table when asked, and the coded
// pixels with their terminator.
void WriteImage(GifWriter& out, const CRasterImage& image, bool localTable, uint32_t coder) {
  out.Byte(0x2C);
  out.Word(static_cast<uint32_t>(image.GetInfo().offsetX));
  out.Word(static_cast<uint32_t>(image.GetInfo().offsetY));
  out.Word(image.GetWidth());
  out.Word(image.GetHeight());
  out.Byte(localTable ? 0x87 : 0x00);
  if (localTable) WritePalette(out, image);
  const int codeSize = image.GetBpp() < 2 ? 2 : static_cast<int>(image.GetBpp());
  out.Byte(static_cast<uint8_t>(codeSize));
  switch (coder) {
    case CGifCodec::CoderUncompressed:
      EncodeUncompressed(out, image, codeSize + 1);
      break;
    case CGifCodec::CoderRunLength:
      RunLengthCoder(out, codeSize + 1).Run(image);
      break;
    default:
      EncodeLzw(out, image, codeSize + 1);
      break;
  }
  out.Byte(0);
}

void WriteScreen(GifWriter& out, uint32_t width, uint32_t height, uint8_t packed) {
  out.Bytes("GIF89a", 6);
  out.Word(width);
  out.Word(height);
  out.Byte(packed);
  out.Byte(0);
  out.Byte(0);
}

}  // namespace

bool CGifCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  GifWriter out(stream);
  const uint32_t coder = GetCodecOption(FormatGif);
  if (GetBpp() == 24) {
    WriteScreen(out, GetWidth(), GetHeight(), 0x11);
    WriteComment(out, gifComment);
    const uint32_t width = GetWidth(), height = GetHeight();
    for (uint32_t top = 0; top < height; top += 15) {
      for (uint32_t left = 0; left < width; left += 17) {
        const uint32_t tileWidth = width - left < 17 ? width - left : 17;
        const uint32_t tileHeight = height - top < 15 ? height - top : 15;
        CGifCodec tile;
        if (!tile.Create(tileWidth, tileHeight, 8, FormatGif)) {
          SetError(tile.GetLastError());
          return false;
        }
        if (IsTransparent()) {
          tile.SetTransparentIndex(0);
          tile.SetPaletteColor(0, GetTransparentColor());
        }
        for (uint32_t i = 0; i < tileHeight; ++i) {
          const uint32_t sourceY = height - 1 - (top + tileHeight - 1 - i);
          for (uint32_t j = 0; j < tileWidth; ++j) {
            RGBQUAD colour = GetPixelColor(left + j, sourceY, false);
            colour.rgbReserved = 0;
            tile.SetPaletteColor(1 + 17 * i + j, colour);
            tile.SetPixelIndex(j, i, tile.FindNearestIndex(colour));
          }
        }
        tile.SetOffset(static_cast<int32_t>(left), static_cast<int32_t>(top));
        WriteGraphicControl(out, tile, 0);
        WriteImage(out, tile, true, coder);
      }
    }
  } else {
    const uint8_t packed = GetBpp() == 1 ? 0x80 : GetBpp() == 4 ? 0xE3 : 0xE7;
    WriteScreen(out, GetWidth(), GetHeight(), packed);
    WritePalette(out, *this);
    WriteGraphicControl(out, *this, gifDisposal);
    WriteComment(out, gifComment);
    WriteImage(out, *this, false, coder);
  }
  out.Byte(0x3B);
  // Every coder's output is checked, the trailer's too.
  if (!out.Finish()) {
    SetError("Write Error in GIF file");
    return false;
  }
  return true;
}
