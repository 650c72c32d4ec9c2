// brantle-image: what it prints and what it writes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "image/RasterImage.h"
#include "tests/TempFolder.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

struct ToolRun {
  int status;
  std::string output;
};

ToolRun Tool(const std::string& arguments) {
  std::string command = std::string(BRANTLE_BINARY_DIR) + "/app/brantle-image " + arguments + " 2>&1";
  ToolRun run{-1, {}};
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe)) run.output += chunk;
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class BrantleImageToolTest : public testsupport::TempFolderTest {};

TEST_F(BrantleImageToolTest, ShowsThePictureAndWritesBmpOrJpeg) {
  CRasterImage picture(6, 4, 8, 0);
  picture.SetGrayPalette();
  picture.SetPixelIndex(1, 1, 200);
  std::string bmp = (folder_ / "in.bmp").string();
  WriteFile(bmp, EncodeBytes(picture, FormatBmp));
  std::string jpg = (folder_ / "out.JPG").string();

  ToolRun shown = Tool(bmp + " " + jpg);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.output, "format: 1\nsize: 6 x 4\nbits per pixel: 8\nframes: 0\nwritten: " + jpg + "\n");
  Bytes jpeg = ReadFile(jpg);
  ASSERT_GE(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);

  std::string back = (folder_ / "back.bmp").string();
  ToolRun again = Tool(jpg + " " + back);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.output.substr(0, 10), "format: 3\n");
  Bytes written = ReadFile(back);
  ASSERT_GE(written.size(), 2u);
  EXPECT_EQ(written[0], 'B');
  EXPECT_EQ(written[1], 'M');

  std::string junk = (folder_ / "junk.txt").string();
  WriteFile(junk, Bytes(64, 'j'));
  ToolRun refused = Tool(junk);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.output, "error: Decode: Unknown or wrong format\n");
  EXPECT_EQ(Tool("").status, 2);
}

}  // namespace
