#include "tests/image/ExifBlock.h"

#include <libexif/exif-data.h>

#include <cstdlib>
#include <cstring>

namespace imagetest {

struct ExifBlock::Impl {
  ::ExifData* data = nullptr;
  ExifByteOrder order = EXIF_BYTE_ORDER_INTEL;

  ExifEntry* Add(ExifIfdKind ifd, uint16_t tag, ExifFormat format, unsigned long components) {
    ExifEntry* e = exif_entry_new();
    e->tag = static_cast<ExifTag>(tag);
    e->format = format;
    e->components = components;
    e->size = exif_format_get_size(format) * components;
    e->data = static_cast<unsigned char*>(std::calloc(1, e->size ? e->size : 1));
    exif_content_add_entry(data->ifd[ifd == ExifIfdKind::Primary ? EXIF_IFD_0 : EXIF_IFD_EXIF], e);
    exif_entry_unref(e);
    return e;
  }
};

ExifBlock::ExifBlock(bool motorola) : impl_(std::make_unique<Impl>()) {
  impl_->data = exif_data_new();
  impl_->order = motorola ? EXIF_BYTE_ORDER_MOTOROLA : EXIF_BYTE_ORDER_INTEL;
  exif_data_set_byte_order(impl_->data, impl_->order);
}

ExifBlock::~ExifBlock() { exif_data_unref(impl_->data); }

void ExifBlock::Rational(ExifIfdKind ifd, uint16_t tag, uint32_t numerator, uint32_t denominator) {
  ExifEntry* e = impl_->Add(ifd, tag, EXIF_FORMAT_RATIONAL, 1);
  exif_set_rational(e->data, impl_->order, ExifRational{numerator, denominator});
}

void ExifBlock::SRational(ExifIfdKind ifd, uint16_t tag, int32_t numerator, int32_t denominator) {
  ExifEntry* e = impl_->Add(ifd, tag, EXIF_FORMAT_SRATIONAL, 1);
  exif_set_srational(e->data, impl_->order, ExifSRational{numerator, denominator});
}

void ExifBlock::Short(ExifIfdKind ifd, uint16_t tag, uint16_t value) {
  ExifEntry* e = impl_->Add(ifd, tag, EXIF_FORMAT_SHORT, 1);
  exif_set_short(e->data, impl_->order, value);
}

void ExifBlock::Text(ExifIfdKind ifd, uint16_t tag, const std::string& bytes, int format) {
  ExifEntry* e = impl_->Add(ifd, tag, static_cast<ExifFormat>(format), bytes.size());
  std::memcpy(e->data, bytes.data(), bytes.size());
}

Bytes ExifBlock::Save() {
  unsigned char* buffer = nullptr;
  unsigned int size = 0;
  exif_data_save_data(impl_->data, &buffer, &size);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

std::string ReadExifText(const Bytes& jpeg, uint16_t tag) {
  ::ExifData* data = exif_data_new_from_data(jpeg.data(), static_cast<unsigned>(jpeg.size()));
  if (!data) return {};
  std::string text;
  ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], static_cast<ExifTag>(tag));
  if (e && e->data) text.assign(reinterpret_cast<const char*>(e->data), strnlen(reinterpret_cast<const char*>(e->data), e->size));
  exif_data_unref(data);
  return text;
}

}  // namespace imagetest
