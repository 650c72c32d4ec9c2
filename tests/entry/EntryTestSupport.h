#pragma once
// What the entry tests share: the program's language texts in the
// application's table (Chinese), goods and piece records built field by
// field, and screenshots under <build>/screenshots.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QWidget>

#include <cstring>
#include <memory>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "refdata/RecordStores.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace entrytest {

inline void LoadLanguage() {
  static bool loaded = refdatatest::LoadRepositoryLanguage(AppLanguage(), "00");
  ASSERT_TRUE(loaded);
}

template <size_t N>
void Put(char (&field)[N], std::u16string_view text) {
  std::string gbk = GbkFromWide(text);
  std::memset(field, 0, N);
  std::memcpy(field, gbk.data(), std::min(gbk.size(), N - 1));
}

// A goods line as the server's reply gives it: id 0.
inline std::unique_ptr<GoodsLine> Goods(std::u16string_view name, int quantity, double price) {
  auto line = std::make_unique<GoodsLine>();
  Put(line->cgoods, name);
  line->iquantity = quantity;
  line->fprice = price;
  return line;
}

inline std::unique_ptr<PieceLine> Piece(int grams, int length, int width, int height) {
  auto piece = std::make_unique<PieceLine>();
  piece->ixWeight = grams;
  piece->ixLong = length;
  piece->ixWidth = width;
  piece->ixHeight = height;
  piece->nxPercent = 100;
  piece->ixQuantity = 1;
  piece->ixPrice = 100;
  return piece;
}

template <size_t N>
std::u16string Text(const char (&field)[N]) {
  return WideFromGbk(std::string_view(field, strnlen(field, N)));
}

inline void SaveScreenshot(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  QImage image = widget.grab().toImage();
  ASSERT_FALSE(image.isNull());
  EXPECT_TRUE(image.save(path)) << path.toStdString();
}

}  // namespace entrytest
