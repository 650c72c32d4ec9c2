// Sample pictures in all four picture tables, made here in code (JPEG
// through libjpeg, BMP, PNG and GIF written byte by byte), on records of our
// own (ids 713xxx, waybill numbers PC4900000n):
//  - one record per table with pictures at positions 1, 2, 5, 7, 9 and 12:
//    1 JPEG 320 x 240, 2 JPEG 1600 x 800, 5 BMP 640 x 480 (24-bit),
//    7 PNG 200 x 100, 9 GIF 64 x 48, 12 BMP 100 x 50 (8-bit palette);
//    each a plain colour of its own (see SamplePictureColour);
//  - a second record per table with a row of 60 bytes at 1, a JPEG whose
//    "cext" is "/../../x" at 2 and one whose "cext" is "a'b" at 3;
//  - waybill PC49000003 (713003) without pictures, for uploads.
// Keys: client_rec_picc irid 713001/713002 (waybills PC49000001/2, copies
// of the main sample's first waybill dated 2019-07-13, paid), w_goods_pic
// giid 713101/713102, rec_trans_pic iid 713201/713202, w_g_in_pic iid
// 713301/713302.  Every picture is stored at 2024-03-20 10:00:00.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "localserver/Database.h"

namespace localserver {

namespace {

struct Rgb {
  uint8_t r, g, b;
};

// The colour of the sample picture at a position.
Rgb SamplePictureColour(int position) {
  switch (position) {
    case 1: return {200, 40, 40};
    case 2: return {40, 160, 60};
    case 5: return {30, 60, 200};
    case 7: return {220, 180, 20};
    case 9: return {120, 40, 160};
    case 12: return {20, 150, 150};
    default: return {90, 90, 90};
  }
}

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put32Big(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

std::string Jpeg(int width, int height, Rgb c) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
  for (int x = 0; x < width; ++x) {
    row[3 * x] = c.r;
    row[3 * x + 1] = c.g;
    row[3 * x + 2] = c.b;
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

std::string Bmp24(int width, int height, Rgb c) {
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t image = rowBytes * static_cast<uint32_t>(height);
  std::string out = "BM";
  Put32(out, 54 + image);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, image);
  Put32(out, 3780);
  Put32(out, 3780);
  Put32(out, 0);
  Put32(out, 0);
  std::string row(rowBytes, '\0');
  for (int x = 0; x < width; ++x) {
    row[3 * x] = static_cast<char>(c.b);
    row[3 * x + 1] = static_cast<char>(c.g);
    row[3 * x + 2] = static_cast<char>(c.r);
  }
  for (int y = 0; y < height; ++y) out += row;
  return out;
}

std::string Bmp8(int width, int height, Rgb c) {
  const uint32_t rowBytes = (static_cast<uint32_t>(width) + 3) & ~3u;
  const uint32_t image = rowBytes * static_cast<uint32_t>(height);
  const uint32_t offset = 54 + 256 * 4;
  std::string out = "BM";
  Put32(out, offset + image);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);
  Put32(out, image);
  Put32(out, 3780);
  Put32(out, 3780);
  Put32(out, 256);
  Put32(out, 0);
  // Entry 1 is the picture's colour, the rest grey.
  for (int i = 0; i < 256; ++i) {
    const Rgb e = i == 1 ? c : Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(i),
                                   static_cast<uint8_t>(i)};
    out += static_cast<char>(e.b);
    out += static_cast<char>(e.g);
    out += static_cast<char>(e.r);
    out += '\0';
  }
  std::string row(rowBytes, '\0');
  for (int x = 0; x < width; ++x) row[x] = 1;
  for (int y = 0; y < height; ++y) out += row;
  return out;
}

void PngChunk(std::string& out, const char* type, const std::string& data) {
  Put32Big(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  Put32Big(out, static_cast<uint32_t>(
                    crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

std::string Png(int width, int height, Rgb c) {
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string header;
  Put32Big(header, static_cast<uint32_t>(width));
  Put32Big(header, static_cast<uint32_t>(height));
  header += '\x08';  // 8 bits per channel
  header += '\x02';  // true colour
  header += std::string(3, '\0');
  PngChunk(out, "IHDR", header);
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < width; ++x) {
      raw += static_cast<char>(c.r);
      raw += static_cast<char>(c.g);
      raw += static_cast<char>(c.b);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
           reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);
  PngChunk(out, "IDAT", packed);
  PngChunk(out, "IEND", "");
  return out;
}

// A GIF of four colours whose codes never grow: a clear code before every
// two pixels keeps the LZW table from reaching eight entries.
std::string Gif(int width, int height, Rgb c) {
  std::string out = "GIF89a";
  Put16(out, static_cast<uint32_t>(width));
  Put16(out, static_cast<uint32_t>(height));
  out += '\x81';  // global table of 4 entries
  out += '\0';
  out += '\0';
  const Rgb table[4] = {c, {0, 0, 0}, {255, 255, 255}, {128, 128, 128}};
  for (const Rgb& e : table) {
    out += static_cast<char>(e.r);
    out += static_cast<char>(e.g);
    out += static_cast<char>(e.b);
  }
  out += ',';
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(width));
  Put16(out, static_cast<uint32_t>(height));
  out += '\0';
  out += '\x02';  // minimum code size
  std::string data;
  uint32_t bits = 0;
  int count = 0;
  auto emit = [&](uint32_t code) {
    bits |= code << count;
    count += 3;
    while (count >= 8) {
      data += static_cast<char>(bits & 0xFF);
      bits >>= 8;
      count -= 8;
    }
  };
  const int pixels = width * height;
  for (int i = 0; i < pixels; ++i) {
    if (i % 2 == 0) emit(4);  // clear
    emit(0);
  }
  emit(5);  // end
  if (count > 0) data += static_cast<char>(bits & 0xFF);
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    out += static_cast<char>(n);
    out += data.substr(at, n);
  }
  out += '\0';
  out += ';';
  return out;
}

struct TableKeys {
  const char* table;
  const char* keyColumn;
  const char* positionColumn;
  bool signs;
  int64_t full;
  int64_t odd;
};

constexpr TableKeys kTables[] = {
    {"client_rec_picc", "irid", "npos", true, 713001, 713002},
    {"w_goods_pic", "giid", "npos", false, 713101, 713102},
    {"rec_trans_pic", "iid", "npos", true, 713201, 713202},
    {"w_g_in_pic", "iid", "wpos", false, 713301, 713302},
};

void Insert(Database& db, const TableKeys& t, int64_t key, int64_t position, const std::string& ext,
            const std::string& bytes) {
  Statement st(db.Handle(), std::string("INSERT INTO ") + t.table + "(" + t.keyColumn + "," +
                                t.positionColumn + ",ilen,cext,ddate,cinput,vdata) VALUES(?,?,?,?,?,?,?)");
  st.Bind(1, key)
      .Bind(2, position)
      .Bind(3, static_cast<int64_t>(bytes.size()))
      .Bind(4, ext)
      .Bind(5, std::string("2024-03-20 10:00:00"))
      .Bind(6, std::string(t.signs ? "张三" : ""))
      .Bind(7, DbValue::OfBlob(bytes));
  st.Step();
}

}  // namespace

void LoadSampleRecordPictures(Database& db) {
  // Three waybills of our own, copies of the first sample waybill, of a
  // customer of our own at a station of its own, so no other account or
  // station list counts them; its name sorts before the other samples' so
  // that the customer suggestions after them keep their rows.
  db.Exec("CREATE TEMP TABLE pc49_arc AS SELECT * FROM client_arc WHERE icid=(SELECT icid FROM client_rec "
          "WHERE irid=1);"
          "UPDATE pc49_arc SET icid=713000,caccount='C7130',cstation='PC',cunitname='百图样本公司',"
          "cunitnamee='Picture Samples',corder='百图样本公司',cbrief='百图样本',"
          "caddr='图片路1号',caddre='1 Picture Rd',csender='图先生',csendere='Mr Tu',cmsn='',cemail='';"
          "INSERT INTO client_arc SELECT * FROM pc49_arc;"
          "DROP TABLE pc49_arc;");
  db.Exec("CREATE TEMP TABLE pc49_rec AS SELECT * FROM client_rec WHERE irid=1;");
  for (int n = 1; n <= 3; ++n) {
    const std::string id = std::to_string(713000 + n);
    db.Exec("UPDATE pc49_rec SET irid=" + id + ",cnum='PC4900000" + std::to_string(n) +
            "',cserviceno='',crno='',ccno='',ddate='2019-07-13 10:00:00',bpay=0,ifid=0,icid=713000;"
            "INSERT INTO client_rec SELECT * FROM pc49_rec;");
  }
  db.Exec("DROP TABLE pc49_rec;");

  struct Picture {
    int position;
    const char* ext;
    std::string bytes;
  };
  const std::vector<Picture> full = {
      {1, "jpg", Jpeg(320, 240, SamplePictureColour(1))},
      {2, "jpg", Jpeg(1600, 800, SamplePictureColour(2))},
      {5, "bmp", Bmp24(640, 480, SamplePictureColour(5))},
      {7, "png", Png(200, 100, SamplePictureColour(7))},
      {9, "gif", Gif(64, 48, SamplePictureColour(9))},
      {12, "bmp", Bmp8(100, 50, SamplePictureColour(12))},
  };
  const std::string odd = Jpeg(32, 24, SamplePictureColour(0));
  for (const TableKeys& t : kTables) {
    for (const Picture& p : full) Insert(db, t, t.full, p.position, p.ext, p.bytes);
    Insert(db, t, t.odd, 1, "jpg", odd.substr(0, 60));
    Insert(db, t, t.odd, 2, "/../../x", odd);
    Insert(db, t, t.odd, 3, "a'b", odd);
  }
}

}  // namespace localserver
