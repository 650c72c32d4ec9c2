// The pictures of a record without a window and without a server: the
// statements of every kind, the cache's file names and times, the fitting
// into the display area, and the session's rules over a scripted link.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "devices/RecordPictures.h"
#include "image/RasterImage.h"
#include "platform/MessageBox.h"
#include "tests/devices/AttachmentTestFiles.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

namespace fs = std::filesystem;
using attachmenttest::ReadFile;
using attachmenttest::WriteFile;
using pictures::PictureSession;

// A JPEG of w x h pixels of one colour, made by the image library.
std::string JpegOf(uint32_t w, uint32_t h) {
  CRasterImage image(w, h, 24);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) image.SetPixelColor(x, y, RGBQUAD{200, 100, 50, 0});
  uint8_t* buffer = nullptr;
  size_t size = 0;
  if (!image.Encode(buffer, size, FormatJpeg)) return {};
  std::string bytes(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return bytes;
}

TEST(PictureStatements, EveryKindNamesItsTableKeyAndPosition) {
  struct Case {
    int kind;
    const char* index;
    const char* description;
    const char* data;
    const char* allot;
  };
  const Case cases[] = {
      {0, "SELECT npos FROM brantle.dbo.w_goods_pic WHERE giid=7 ORDER BY npos",
       "SELECT cext,ilen,ddate FROM brantle.dbo.w_goods_pic WHERE giid=7 AND npos=5",
       "SELECT vdata FROM brantle.dbo.w_goods_pic WHERE giid=7 AND npos=5",
       "{?=CALL brantle.dbo.cp_w_goods_pic_set(7,9,5)}"},
      {1, "SELECT wpos FROM brantle.dbo.w_g_in_pic WHERE iid=7 ORDER BY wpos",
       "SELECT cext,ilen,ddate FROM brantle.dbo.w_g_in_pic WHERE iid=7 AND wpos=5",
       "SELECT vdata FROM brantle.dbo.w_g_in_pic WHERE iid=7 AND wpos=5", ""},
      {2, "SELECT npos FROM brantle.dbo.rec_trans_pic WHERE iid=7 ORDER BY npos",
       "SELECT cext,ilen,ddate FROM brantle.dbo.rec_trans_pic WHERE iid=7 AND npos=5",
       "SELECT vdata FROM brantle.dbo.rec_trans_pic WHERE iid=7 AND npos=5",
       "{?=CALL brantle.dbo.cp_rec_trans_pic_set(7,9,5)}"},
      {3, "SELECT npos FROM brantle.dbo.client_rec_picc WHERE irid=7 ORDER BY npos",
       "SELECT cext,ilen,ddate FROM brantle.dbo.client_rec_picc WHERE irid=7 AND npos=5",
       "SELECT vdata FROM brantle.dbo.client_rec_picc WHERE irid=7 AND npos=5",
       "{?=CALL brantle.dbo.cp_client_rec_picc_set(7,9,5)}"},
      {5, "SELECT npos FROM brantle.dbo.client_rec_picc WHERE irid=7 ORDER BY npos",
       "SELECT cext,ilen,ddate FROM brantle.dbo.client_rec_picc WHERE irid=7 AND npos=5",
       "SELECT vdata FROM brantle.dbo.client_rec_picc WHERE irid=7 AND npos=5",
       "{?=CALL brantle.dbo.cp_client_rec_picc_set(7,9,5)}"},
      {6, "SELECT npos FROM brantle.dbo.client_rec_picc WHERE irid=7 ORDER BY npos",
       "SELECT cext,ilen,ddate FROM brantle.dbo.client_rec_picc WHERE irid=7 AND npos=5",
       "SELECT vdata FROM brantle.dbo.client_rec_picc WHERE irid=7 AND npos=5", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.index, pictures::IndexSql(c.kind, 7)) << c.kind;
    EXPECT_EQ(c.description, pictures::DescriptionSql(c.kind, 7, 5)) << c.kind;
    EXPECT_EQ(c.data, pictures::DataSql(c.kind, 7, 5)) << c.kind;
    EXPECT_EQ(c.allot, pictures::AllotSql(c.kind, 7, 9, 5)) << c.kind;
  }
  EXPECT_EQ("", pictures::IndexSql(7, 1));
  EXPECT_EQ("", pictures::IndexSql(-1, 1));
  // The extension and the account are quoted like every text.
  EXPECT_EQ("UPDATE brantle.dbo.w_goods_pic SET ilen=3,cext='a''b',ddate=GETDATE(),vdata=? "
            "WHERE giid=7 AND npos=2",
            pictures::StoreSql(0, 3, "a'b", "O'Neil", 7, 2));
  EXPECT_EQ("UPDATE brantle.dbo.rec_trans_pic SET ilen=3,cext='jpg',ddate=GETDATE(),"
            "cinput='O''Neil',vdata=? WHERE iid=7 AND npos=2",
            pictures::StoreSql(2, 3, "jpg", "O'Neil", 7, 2));
  EXPECT_EQ("UPDATE brantle.dbo.client_rec_picc SET ilen=3,cext='png',ddate=GETDATE(),"
            "cinput='admin',vdata=? WHERE irid=7 AND npos=2",
            pictures::StoreSql(4, 3, "png", "admin", 7, 2));
  EXPECT_EQ("", pictures::StoreSql(1, 3, "png", "admin", 7, 2));
}

TEST(PictureCache, FileNamesFoldersAndExtensions) {
  EXPECT_EQ("/p/DATA_GDPIC", pictures::CacheFolder(0, "/p/"));
  EXPECT_EQ("/p/DATA_TEMP/CAPPIC", pictures::CacheFolder(3, "/p/"));
  EXPECT_EQ("/c/REC00000123_05.jpg", pictures::CacheFileName("/c", 3, 123, 5, "jpg"));
  EXPECT_EQ("/c/WP00713101_12.bmp", pictures::CacheFileName("/c", 0, 713101, 12, "bmp"));
  EXPECT_EQ("/c/WIN00000001_100.gif", pictures::CacheFileName("/c", 1, 1, 100, "gif"));
  EXPECT_EQ("/c/TRS00000001_01.png", pictures::CacheFileName("/c", 2, 1, 1, "png"));
  struct Ext {
    const char* text;
    bool plain;
  };
  for (const Ext& e : {Ext{"jpg", true}, Ext{"J2K", true}, Ext{"", false}, Ext{"/../../x", false},
                       Ext{"a'b", false}, Ext{"..", false}, Ext{"j g", false}, Ext{"p\\g", false}})
    EXPECT_EQ(e.plain, pictures::IsPlainExtension(std::string_view(e.text))) << e.text;

  struct Upload {
    const char16_t* path;
    const char16_t* extension;
  };
  const Upload uploads[] = {{u"/tmp/a.jpg", u"jpg"},   {u"/tmp/photo.jpeg", u""},
                            {u"/tmp/x.y/file", u""},   {u"/tmp/a.", u""},
                            {u"/tmp/a.b.PNG", u"PNG"}, {u"C:\\d\\x.gif", u"gif"},
                            {u"/tmp/x.a'b", u"a'b"},   {u"noext", u""}};
  for (const Upload& u : uploads)
    EXPECT_EQ(std::u16string(u.extension), pictures::UploadExtension(u.path));

  EXPECT_EQ(20240320100000, pictures::StoredTimeNumber("2024-03-20 10:00:00"));
  EXPECT_EQ(20240320100000, pictures::StoredTimeNumber("2024-03-20 10:00:00.000"));
  EXPECT_EQ(0, pictures::StoredTimeNumber("2024-03-20"));
  EXPECT_EQ(0, pictures::StoredTimeNumber("2024-0x-20 10:00:00"));
}

TEST(PictureDisplay, FittedIntoTheDisplayAreaWithTheAspectKept) {
  struct Case {
    uint32_t w, h;
    int fw, fh;
  };
  const Case cases[] = {{320, 240, 640, 480}, {1600, 800, 640, 320}, {640, 480, 640, 480},
                        {100, 50, 640, 320},  {64, 48, 640, 480},    {480, 640, 360, 480},
                        {1, 1, 480, 480},     {0, 10, 0, 0}};
  for (const Case& c : cases) {
    const pictures::DisplaySize s = pictures::FitToDisplay(c.w, c.h);
    EXPECT_EQ(c.fw, s.width) << c.w << "x" << c.h;
    EXPECT_EQ(c.fh, s.height) << c.w << "x" << c.h;
  }
}

// A server that answers from a table: the index and description replies by
// key and position, "sPicData" from stored bytes, the allotment from a
// queue; every request is noted.
class ScriptedPictureLink : public pictures::PictureLink {
 public:
  struct Row {
    std::string ext;
    std::string bytes;
    std::string stored = "2024-03-20 10:00:00";
  };
  std::map<uint32_t, Row> rows;  // by position
  int32_t allotted = 1;
  int uploadResult = 1;
  std::vector<std::string> queries;
  std::vector<std::string> calls;
  std::vector<std::string> uploads;
  int downloads = 0;

  std::string Query(std::string_view sql, const std::vector<uint32_t>&) override {
    queries.emplace_back(sql);
    if (sql.find("SELECT npos") == 0 || sql.find("SELECT wpos") == 0) {
      std::string list;
      for (const auto& [position, row] : rows)
        list += std::string(list.empty() ? "" : ",") + "{\"0\":" + std::to_string(position) + "}";
      return "{\"ReturnValue\":1,\"iTotal\":" + std::to_string(rows.size()) + ",\"List\":[" +
             list + "]}";
    }
    const size_t at = sql.rfind('=');
    const uint32_t position = static_cast<uint32_t>(std::atoi(std::string(sql.substr(at + 1)).c_str()));
    auto it = rows.find(position);
    if (it == rows.end()) return "{\"ReturnValue\":1,\"iTotal\":0,\"List\":[]}";
    return "{\"ReturnValue\":3,\"iTotal\":1,\"List\":[{\"0\":\"" + it->second.ext + "\",\"1\":" +
           std::to_string(it->second.bytes.size()) + ",\"2\":\"" + it->second.stored + "\"}]}";
  }
  bool Call(std::string_view sql, serverlink::ProcedureResult& out) override {
    calls.emplace_back(sql);
    out.code = allotted;
    return true;
  }
  int DownloadPicture(int32_t, std::string_view sql, const std::string& path) override {
    ++downloads;
    const size_t at = sql.rfind('=');
    const uint32_t position = static_cast<uint32_t>(std::atoi(std::string(sql.substr(at + 1)).c_str()));
    WriteFile(path, rows[position].bytes);
    return 2;
  }
  int Upload(int32_t, std::string_view sql, std::string_view) override {
    uploads.emplace_back(sql);
    return uploadResult;
  }
};

class PictureSessionRules : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
    folder_ = fs::temp_directory_path() /
              ("brantle-pictures-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    env_.programFolder = folder_.string() + "/";
    env_.accountGbk = "O'Neil";
    jpeg_ = JpegOf(320, 240);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::u16string Text(int id) const { return AppLanguage().Text(id); }
  std::string CacheFile(int kind, uint32_t key, uint32_t position, const char* ext) const {
    return pictures::CacheFileName(pictures::CacheFolder(kind, env_.programFolder), kind, key,
                                   position, ext);
  }
  fs::path Chosen(const std::string& name, const std::string& bytes) const {
    const fs::path path = folder_ / name;
    WriteFile(path, bytes);
    return path;
  }

  fs::path folder_;
  PictureSession::Environment env_;
  ScriptedPictureLink link_;
  std::string jpeg_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(PictureSessionRules, PositionsAndTheFirstFiveLinks) {
  for (uint32_t p : {1u, 2u, 5u, 7u, 9u, 12u}) link_.rows[p] = {"jpg", jpeg_};
  PictureSession s(link_, env_, 7, 9, 3, true);
  s.Refresh();
  EXPECT_EQ((std::vector<uint32_t>{1, 2, 5, 7, 9, 12}), s.Positions());
  EXPECT_EQ((std::vector<std::u16string>{u"#1", u"#2", u"#5", u"#7", u"#9"}), s.LinkTexts());
  ASSERT_TRUE(s.ShowLink(2));
  EXPECT_EQ(CacheFile(3, 7, 5, "jpg"), s.OpenedFile());

  // Link #4 of a record with three positions does nothing.
  link_.rows.clear();
  for (uint32_t p : {1u, 2u, 3u}) link_.rows[p] = {"jpg", jpeg_};
  PictureSession three(link_, env_, 8, 9, 3, true);
  three.Refresh();
  const size_t before = link_.queries.size();
  EXPECT_FALSE(three.ShowLink(3));
  EXPECT_FALSE(three.ShowLink(4));
  EXPECT_EQ(before, link_.queries.size());
  EXPECT_EQ(nullptr, three.Picture());
  EXPECT_FALSE(three.OpenEnabled());
}

TEST_F(PictureSessionRules, CachedFileIsUsedWhileNotOlderThanTheServersTime) {
  link_.rows[1] = {"jpg", jpeg_};
  PictureSession s(link_, env_, 7, 0, 3, false);
  s.Refresh();
  ASSERT_TRUE(s.ShowPosition(1));
  EXPECT_EQ(1, link_.downloads);
  const std::string file = CacheFile(3, 7, 1, "jpg");
  EXPECT_EQ(jpeg_, ReadFile(file));
  struct stat st{};
  ASSERT_EQ(0, ::stat(file.c_str(), &st));
  EXPECT_EQ(0u, st.st_mode & 0111);
  // Newer than 2024-03-20 10:00:00: shown from the cache.
  ASSERT_TRUE(s.ShowPosition(1));
  EXPECT_EQ(1, link_.downloads);
  // The same second counts as not older.
  std::tm t{};
  t.tm_year = 124;
  t.tm_mon = 2;
  t.tm_mday = 20;
  t.tm_hour = 10;
  t.tm_isdst = -1;
  utimbuf same{std::mktime(&t), std::mktime(&t)};
  ASSERT_EQ(0, ::utime(file.c_str(), &same));
  ASSERT_TRUE(s.ShowPosition(1));
  EXPECT_EQ(1, link_.downloads);
  // One second older: fetched again.
  utimbuf older{same.actime - 1, same.modtime - 1};
  ASSERT_EQ(0, ::utime(file.c_str(), &older));
  ASSERT_TRUE(s.ShowPosition(1));
  EXPECT_EQ(2, link_.downloads);
}

TEST_F(PictureSessionRules, StoredExtensionsThatAreNoPlainNameAreNeitherWrittenNorShown) {
  link_.rows[1] = {"jpg", jpeg_.substr(0, 100)};
  link_.rows[2] = {"/../../x", jpeg_};
  link_.rows[3] = {"a'b", jpeg_};
  link_.rows[4] = {"jpg", jpeg_};
  PictureSession s(link_, env_, 7, 0, 3, true);
  s.Refresh();
  ASSERT_TRUE(s.ShowPosition(4));
  const std::string shown = s.OpenedFile();
  // 100 bytes or fewer: no picture, silently.
  EXPECT_FALSE(s.ShowPosition(1));
  EXPECT_EQ(0u, boxes_.Count());
  for (uint32_t p : {2u, 3u}) {
    boxes_.Clear();
    EXPECT_FALSE(s.ShowPosition(p)) << p;
    ASSERT_EQ(1u, boxes_.Count()) << p;
    std::u16string expected = Text(713000);
    expected.replace(expected.find(u"%1"), 2, p == 2 ? u"2" : u"3");
    EXPECT_EQ(expected, boxes_.LastText());
  }
  EXPECT_EQ(1, link_.downloads);
  EXPECT_EQ(shown, s.OpenedFile());  // the earlier picture stays
  EXPECT_FALSE(fs::exists(folder_ / "x"));
  EXPECT_FALSE(fs::exists(folder_ / "DATA_TEMP" / "x"));
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder_))
    if (entry.is_regular_file()) ++files;
  EXPECT_EQ(1u, files);
}

TEST_F(PictureSessionRules, APictureThatCannotBeDecodedKeepsThePreviousOne) {
  link_.rows[1] = {"jpg", jpeg_};
  link_.rows[2] = {"jpg", std::string(500, 'z')};
  PictureSession s(link_, env_, 7, 0, 3, true);
  s.Refresh();
  ASSERT_TRUE(s.ShowPosition(1));
  const CRasterImage* first = s.Picture();
  EXPECT_FALSE(s.ShowPosition(2));
  EXPECT_EQ(Text(300024), boxes_.LastText());
  EXPECT_EQ(first, s.Picture());
  EXPECT_EQ(CacheFile(3, 7, 1, "jpg"), s.OpenedFile());
  EXPECT_EQ(640, s.Display().width);
  EXPECT_EQ(480, s.Display().height);
}

TEST_F(PictureSessionRules, ChosenFilesAreCheckedBeforeTheyCanGoUp) {
  PictureSession s(link_, env_, 7, 9, 3, true);
  s.Refresh();
  EXPECT_FALSE(s.ChooseFile((folder_ / "missing.jpg").u16string()));
  EXPECT_EQ(Text(300021), boxes_.LastText());
  EXPECT_FALSE(s.ChooseFile(Chosen("big.jpg", std::string(512001, 'x')).u16string()));
  EXPECT_EQ(Text(300022), boxes_.LastText());
  EXPECT_FALSE(s.ChooseFile(Chosen("bad.jpg", std::string(1000, 'x')).u16string()));
  EXPECT_EQ(Text(300024), boxes_.LastText());
  EXPECT_FALSE(s.UploadEnabled());
  EXPECT_EQ(nullptr, s.Picture());

  // "photo.jpeg" decodes but has no usable extension.
  ASSERT_TRUE(s.ChooseFile(Chosen("photo.jpeg", jpeg_).u16string()));
  EXPECT_TRUE(s.UploadEnabled());
  EXPECT_FALSE(s.Upload(1));
  EXPECT_EQ(Text(300026), boxes_.LastText());
  // Nor has "x.a'b".
  ASSERT_TRUE(s.ChooseFile(Chosen("x.a'b", jpeg_).u16string()));
  EXPECT_FALSE(s.Upload(1));
  EXPECT_EQ(Text(300026), boxes_.LastText());
  EXPECT_TRUE(link_.calls.empty());

  ASSERT_TRUE(s.ChooseFile(Chosen("photo.jpg", jpeg_).u16string()));
  for (int outside : {0, 256, -1}) {
    EXPECT_FALSE(s.Upload(outside));
    EXPECT_EQ(Text(300025), boxes_.LastText());
  }
  EXPECT_TRUE(link_.calls.empty());
  // Exactly 512,000 bytes is taken as far as the decoding.
  std::string edge = jpeg_ + std::string(512000 - jpeg_.size(), '\0');
  EXPECT_TRUE(s.ChooseFile(Chosen("edge.jpg", edge).u16string()));
}

TEST_F(PictureSessionRules, UploadAllotsStoresAndRefreshes) {
  PictureSession s(link_, env_, 7, 9, 3, true);
  s.Refresh();
  ASSERT_TRUE(s.ChooseFile(Chosen("photo.jpg", jpeg_).u16string()));
  link_.allotted = 4;
  link_.rows[4] = {"jpg", jpeg_};
  const size_t before = link_.queries.size();
  ASSERT_TRUE(s.Upload(3));
  ASSERT_EQ(1u, link_.calls.size());
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_picc_set(7,9,3)}", link_.calls[0]);
  ASSERT_EQ(1u, link_.uploads.size());
  EXPECT_EQ("UPDATE brantle.dbo.client_rec_picc SET ilen=" + std::to_string(jpeg_.size()) +
                ",cext='jpg',ddate=GETDATE(),cinput='O''Neil',vdata=? WHERE irid=7 AND npos=4",
            link_.uploads[0]);
  EXPECT_EQ(before + 1, link_.queries.size());  // the refresh
  EXPECT_EQ((std::vector<uint32_t>{4}), s.Positions());
  EXPECT_FALSE(s.UploadEnabled());
  EXPECT_EQ(0, s.ChosenLength());
}

TEST_F(PictureSessionRules, RefusedPositionsAndFailedStoresAreShown) {
  PictureSession s(link_, env_, 7, 9, 3, true);
  s.Refresh();
  ASSERT_TRUE(s.ChooseFile(Chosen("photo.jpg", jpeg_).u16string()));
  for (int32_t refused : {-2, -1, 0, 256, -9}) {
    link_.allotted = refused;
    EXPECT_FALSE(s.Upload(1));
    EXPECT_EQ(Text(300029), boxes_.LastText()) << refused;
  }
  EXPECT_TRUE(link_.uploads.empty());

  // The bytes do not arrive: shown with the server's code, not refreshed,
  // the chosen file kept for another try.
  link_.allotted = 1;
  link_.uploadResult = -720;
  const size_t before = link_.queries.size();
  EXPECT_FALSE(s.Upload(1));
  std::u16string expected = Text(713001);
  expected.replace(expected.find(u"%1"), 2, u"-720");
  EXPECT_EQ(expected, boxes_.LastText());
  EXPECT_EQ(before, link_.queries.size());
  EXPECT_TRUE(s.UploadEnabled());
  link_.uploadResult = 0;
  EXPECT_FALSE(s.Upload(1));
  EXPECT_EQ(before, link_.queries.size());
}

TEST_F(PictureSessionRules, ReadOnlyAndViewOnlyKindsNeverUpload) {
  PictureSession readOnly(link_, env_, 7, 9, 3, false);
  readOnly.Refresh();
  EXPECT_FALSE(readOnly.ChooseEnabled());
  EXPECT_FALSE(readOnly.ChooseFile(Chosen("photo.jpg", jpeg_).u16string()));
  EXPECT_FALSE(readOnly.Upload(1));
  for (int kind : {1, 6}) {
    PictureSession viewOnly(link_, env_, 7, 9, kind, true);
    viewOnly.Refresh();
    ASSERT_TRUE(viewOnly.ChooseFile(Chosen("photo.jpg", jpeg_).u16string()));
    EXPECT_FALSE(viewOnly.Upload(1));
  }
  EXPECT_TRUE(link_.calls.empty());
  EXPECT_TRUE(link_.uploads.empty());
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ(0, PictureSession(link_, env_, 1, 0, 0, true).CaptionTextId());
  EXPECT_EQ(300010, PictureSession(link_, env_, 1, 0, 2, true).CaptionTextId());
  EXPECT_EQ(300011, PictureSession(link_, env_, 1, 0, 3, true).CaptionTextId());
  EXPECT_EQ(300011, PictureSession(link_, env_, 1, 0, 6, true).CaptionTextId());
}

TEST_F(PictureSessionRules, OnlyPlainPictureFilesGoToTheDesktop) {
  const fs::path picture = Chosen("a.jpg", jpeg_);
  ::chmod(picture.c_str(), 0644);
  EXPECT_TRUE(pictures::MayOpenWithDesktop(picture.string()));
  ::chmod(picture.c_str(), 0755);
  EXPECT_FALSE(pictures::MayOpenWithDesktop(picture.string()));
  const fs::path desktop = Chosen("a.desktop", jpeg_);
  ::chmod(desktop.c_str(), 0644);
  EXPECT_FALSE(pictures::MayOpenWithDesktop(desktop.string()));
  EXPECT_FALSE(pictures::MayOpenWithDesktop((folder_ / "none.jpg").string()));
  EXPECT_FALSE(pictures::MayOpenWithDesktop(folder_.string()));
}

}  // namespace
