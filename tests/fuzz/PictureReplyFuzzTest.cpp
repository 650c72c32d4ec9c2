// The picture description replies from the server, made up at random (the
// stored extension, length and time, and broken JSON): whatever comes, a
// picture is only ever written under the cache folder, by a name of ours.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "devices/RecordPictures.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

class RandomDescriptionLink : public pictures::PictureLink {
 public:
  std::string reply;
  std::string written;
  std::string Query(std::string_view, const std::vector<uint32_t>&) override { return reply; }
  bool Call(std::string_view, serverlink::ProcedureResult&) override { return false; }
  int DownloadPicture(int32_t, std::string_view, const std::string& path) override {
    written = path;
    return 2;
  }
  int Upload(int32_t, std::string_view, std::string_view) override { return 0; }
};

TEST(PictureReplyFuzz, CachedNamesStayInTheirFolder) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "brantle-picture-fuzz" / "CAPPIC";
  fs::create_directories(folder);
  fuzz::Bytes bytes(49);
  RandomDescriptionLink link;
  for (int n = 0; n < 4000; ++n) {
    std::string ext = bytes.From("abcJPG019./\\'\" \x01\xC0", 10);
    std::string escaped;
    for (char c : ext) escaped += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    switch (n % 3) {
      case 0:
        link.reply = "{\"ReturnValue\":3,\"iTotal\":1,\"List\":[{\"0\":\"" + escaped +
                     "\",\"1\":" + std::to_string(n * 37 % 5000) + ",\"2\":\"" +
                     bytes.From("0123456789-: ", 24) + "\"}]}";
        break;
      case 1:
        link.reply = bytes.From("{}[]\":,0123456789iTotalList", 120);
        break;
      default:
        link.reply = bytes.Random(200);
        break;
    }
    link.written.clear();
    std::string path;
    const int result = pictures::FetchPicture(link, 713001, 1, folder.string(), path, 3);
    if (!link.written.empty()) {
      const fs::path target(link.written);
      EXPECT_EQ(folder, target.parent_path()) << link.written;
      EXPECT_EQ(0u, target.filename().string().rfind("REC00713001_01.", 0)) << link.written;
      EXPECT_TRUE(pictures::IsPlainExtension(std::string_view(target.extension().string()).substr(1)))
          << link.written;
    }
    if (result >= 1) {
      EXPECT_EQ(link.written.empty() ? path : link.written, path);
    }
    EXPECT_GE(pictures::StoredTimeNumber(bytes.From("0123456789-: \x80", 30)), 0);
  }
  fs::remove_all(folder.parent_path());
}

}  // namespace
