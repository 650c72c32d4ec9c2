#pragma once
// Shared set-up of the tests that drive a real office suite: a private temp
// folder with its own HOME and suite profile, the language texts of the
// office messages, and the suite ended (and checked gone) at the end.
//
// A test program whose cases leave the suite alone runs all its cases in one
// process (one CTest test) with one suite held from set-up to tear-down:
// OfficeEnvironment(OfficeEnvironment::kHoldSuite).  Cases that end, kill or
// fail to start the suite live in programs whose cases each run in a process
// of their own.

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"

namespace officetest {

namespace fs = std::filesystem;

inline fs::path& Root() {
  static fs::path root;
  return root;
}

inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const fs::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// UTF-8 to UTF-16 for the few texts of the tests.
inline std::u16string U16(std::string_view utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp;
    int n;
    if (c < 0x80) { cp = c; n = 1; }
    else if (c < 0xE0) { cp = c & 0x1F; n = 2; }
    else if (c < 0xF0) { cp = c & 0x0F; n = 3; }
    else { cp = c & 0x07; n = 4; }
    for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += static_cast<size_t>(n);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

// A column's letters: 1 "A", 26 "Z", 27 "AA".
inline std::string ColumnName(int column) {
  std::string name;
  while (column > 0) {
    name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
    column = (column - 1) / 26;
  }
  return name;
}

// Every non-empty cell of a workbook's first sheet, "A1\ttext", row by row
// (line feeds as "|"); a test failure and no cells when the office suite
// cannot open it.
inline std::vector<std::string> WorkbookCells(const fs::path& file) {
  std::vector<std::string> cells;
  CExcelSession s;
  if (s.OpenForReading(U16(file.string())) != 1) {
    ADD_FAILURE() << "the office suite cannot read " << file;
    return cells;
  }
  const int rows = s.UsedRowCount(), columns = s.UsedColumnCount();
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= columns; ++c) {
      const std::u16string text = s.CellTextTo(r, c, 2048);
      if (text.empty()) continue;
      std::string value = Utf8FromWide(text);
      std::replace(value.begin(), value.end(), '\n', '|');
      cells.push_back(ColumnName(c) + std::to_string(r) + "\t" + value);
    }
  s.Close();
  return cells;
}

// Builds a language file from localserver/lang/office.txt and loads it:
// the Chinese texts for language "00", the English ones for any other code.
inline void LoadOfficeLanguage(const fs::path& folder, const std::string& code = "01") {
  std::ifstream in(fs::path(BRANTLE_SOURCE_DIR) / "localserver/lang/office.txt");
  std::u16string text = u"\xFEFF  ";
  std::string line;
  while (std::getline(in, line)) {
    auto t1 = line.find('\t');
    auto t2 = line.find('\t', t1 + 1);
    if (t1 == std::string::npos || t2 == std::string::npos) continue;
    text += u"<D> " + U16(line.substr(0, t1)) + u"," + U16(line.substr(t1 + 1, t2 - t1 - 1)) +
            u"[*==*]" + U16(line.substr(t2 + 1)) + u"</D>\r\n";
  }
  std::string bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  WriteFile(folder / ("TolvaneLan_" + code + ".txt"), bytes);
  AppLanguage().Load(folder.string() + "/", code);
}

inline bool ProcessGone(long pid) {
  if (pid <= 0) return true;
  return kill(static_cast<pid_t>(pid), 0) != 0;
}

class OfficeEnvironment : public ::testing::Environment {
 public:
  enum Suite { kSuiteOnFirstUse, kHoldSuite };
  explicit OfficeEnvironment(Suite suite = kSuiteOnFirstUse) : hold_(suite == kHoldSuite) {}

  void SetUp() override {
    char pattern[] = "/tmp/brantle-office-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Root() = pattern;
    fs::permissions(Root(), fs::perms::owner_all | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    fs::create_directories(Root() / "home");
    fs::create_directories(Root() / "runtime");
    setenv("HOME", (Root() / "home").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (Root() / "runtime").c_str(), 1);
    office::SetOfficeProfileFolder((Root() / "profile").string());
    LoadOfficeLanguage(Root());
    if (hold_) {
      ASSERT_TRUE(office::DetectOfficeSuite()) << "the office suite does not start";
      heldPid_ = office::OfficeSuiteProcessId();
    }
  }
  void TearDown() override {
    long pid = office::OfficeSuiteProcessId();
    if (hold_) {
      EXPECT_EQ(pid, heldPid_) << "a case ended the suite the cases share";
    }
    office::ShutdownOfficeSuite();
    EXPECT_TRUE(ProcessGone(pid)) << "soffice " << pid << " still runs";
    std::error_code ec;
    fs::remove_all(Root(), ec);
  }

 private:
  bool hold_;
  long heldPid_ = 0;
};

// A fresh folder per test under the run's temp folder.
inline fs::path TestFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  fs::path p = Root() / (std::string(info->test_suite_name()) + "." + info->name());
  fs::create_directories(p);
  return p;
}

inline std::u16string Text(int id) { return AppLanguage().Text(id); }

// The names of the files in a folder, sorted.
inline std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A template workbook: a header in A1 and a wide first column.
inline fs::path MakeTemplate(const fs::path& folder, const char* name = "template.xls") {
  fs::path file = folder / name;
  CExcelSession s;
  EXPECT_EQ(s.CreateWorkbook(u"Template", file.u16string(), {}, false), 1) << "";
  s.SetCellText(1, 1, u"Header");
  s.SetColumnWidth(1, 120);
  EXPECT_EQ(s.SaveAndClose(), 1);
  return file;
}

// A small PNG picture (16 x 8, red and blue halves).
inline std::string TinyPng() {
  auto be32 = [](std::string& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto chunk = [&](std::string& out, const char* type, const std::string& data) {
    be32(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    be32(out, static_cast<uint32_t>(
                  crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
  };
  const int w = 16, h = 8;
  std::string raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      raw.push_back(x < w / 2 ? '\xFF' : 0);
      raw.push_back(0);
      raw.push_back(x < w / 2 ? 0 : '\xFF');
    }
  }
  uLongf size = compressBound(raw.size());
  std::string packed(size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &size,
           reinterpret_cast<const Bytef*>(raw.data()), raw.size());
  packed.resize(size);
  std::string ihdr;
  be32(ihdr, w);
  be32(ihdr, h);
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  std::string png = "\x89PNG\r\n\x1A\n";
  chunk(png, "IHDR", ihdr);
  chunk(png, "IDAT", packed);
  chunk(png, "IEND", "");
  return png;
}

}  // namespace officetest
