// The memory and file streams the codecs read and write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/ImageStream.h"
#include "tests/TempFolder.h"

namespace {

TEST(ImageStreamTest, MemoryStreamGrowsInWholePages) {
  for (auto [bytes, capacity] : {std::pair{size_t{1}, size_t{4096}},
                                 std::pair{size_t{4095}, size_t{4096}},
                                 std::pair{size_t{4096}, size_t{8192}}}) {
    CImageMemoryStream stream;
    ASSERT_TRUE(stream.Open());
    EXPECT_FALSE(stream.Open());  // a buffer exists
    std::vector<uint8_t> data(bytes, 0x5A);
    EXPECT_EQ(stream.Write(data.data(), 1, bytes), bytes);
    EXPECT_EQ(stream.Capacity(), capacity) << bytes;
    EXPECT_EQ(stream.Size(), static_cast<int64_t>(bytes));
    EXPECT_EQ(stream.Tell(), static_cast<int64_t>(bytes));
  }
}

TEST(ImageStreamTest, MemoryStreamSeeksClampAndReadsStopAtTheEnd) {
  const uint8_t data[] = {1, 2, 3, 4, 5, 6};
  CImageMemoryStream stream(data, sizeof data);
  EXPECT_TRUE(stream.Seek(-5, 0));
  EXPECT_EQ(stream.Tell(), 0);
  EXPECT_TRUE(stream.Seek(4, 1));
  uint16_t pair[3] = {};
  EXPECT_EQ(stream.Read(pair, 2, 3), 1u);  // only one whole element is left
  EXPECT_TRUE(stream.Eof());
  EXPECT_EQ(stream.GetC(), -1);
  EXPECT_TRUE(stream.Seek(-2, 2));
  EXPECT_EQ(stream.GetC(), 5);
  EXPECT_TRUE(stream.Seek(100, 0));
  EXPECT_EQ(stream.Read(pair, 1, 1), 0u);
  EXPECT_EQ(stream.Error(), 1);
  EXPECT_FALSE(stream.Seek(0, 3));

  CImageMemoryStream none;
  EXPECT_EQ(none.Size(), -1);
  EXPECT_EQ(none.Tell(), -1);
  EXPECT_FALSE(none.Seek(0, 0));
  EXPECT_EQ(none.Write(data, 1, 1), 0u);
  EXPECT_EQ(none.GetC(), -1);
  EXPECT_TRUE(none.Eof());
}

TEST(ImageStreamTest, WriteAfterASeekPastTheEndZeroFillsTheGap) {
  // Dirty the heap with blocks of the sizes the stream will grow through.
  for (size_t size : {4096, 8192}) {
    void* old = std::malloc(size);
    std::memset(old, 0xCD, size);
    asm volatile("" : : "r"(old) : "memory");  // keep the fill
    std::free(old);
  }
  CImageMemoryStream stream;
  ASSERT_TRUE(stream.Open());
  ASSERT_TRUE(stream.PutC(7));
  ASSERT_TRUE(stream.Seek(5000, 0));
  const uint8_t tail[] = {9, 9};
  ASSERT_EQ(stream.Write(tail, 1, 2), 2u);
  ASSERT_EQ(stream.Size(), 5002);
  uint8_t* buffer = stream.GetBuffer(false);
  EXPECT_EQ(buffer[0], 7);
  for (int i = 1; i < 5000; ++i) ASSERT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(buffer[5000], 9);
}

TEST(ImageStreamTest, GrowthThatCannotBeHadWritesNothing) {
  CImageMemoryStream stream;
  ASSERT_TRUE(stream.Open());
  const uint8_t bytes[] = {1, 2, 3};
  ASSERT_EQ(stream.Write(bytes, 1, 3), 3u);
  ASSERT_TRUE(stream.Seek(static_cast<int64_t>(CImageMemoryStream::kMaxCapacity), 0));
  EXPECT_EQ(stream.Write(bytes, 1, 3), 0u);
  EXPECT_FALSE(stream.PutC(4));
  EXPECT_EQ(stream.Size(), 3);
  EXPECT_EQ(stream.Capacity(), 4096u);
  ASSERT_TRUE(stream.Seek(0, 0));
  EXPECT_EQ(stream.Write(bytes, SIZE_MAX / 2, 3), 0u);  // the product overflows
  EXPECT_EQ(stream.Size(), 3);
}

TEST(ImageStreamTest, WritingOverACallersBlockNeverChangesIt) {
  uint8_t block[4] = {1, 2, 3, 4};
  {
    CImageMemoryStream stream(block, sizeof block);
    ASSERT_TRUE(stream.Seek(1, 0));
    ASSERT_TRUE(stream.PutC(99));
    EXPECT_EQ(stream.Size(), 4);
    ASSERT_TRUE(stream.Seek(0, 0));
    uint8_t back[4];
    ASSERT_EQ(stream.Read(back, 1, 4), 4u);
    EXPECT_EQ(back[1], 99);
    EXPECT_NE(stream.GetBuffer(false), block);
  }
  EXPECT_EQ(block[1], 2);
}

TEST(ImageStreamTest, DetachedBufferBelongsToTheCaller) {
  uint8_t* buffer;
  {
    CImageMemoryStream stream;
    stream.Open();
    stream.Write("abc", 1, 3);
    buffer = stream.GetBuffer(true);
  }
  EXPECT_EQ(std::memcmp(buffer, "abc", 3), 0);
  std::free(buffer);
}

class ImageFileStreamTest : public testsupport::TempFolderTest {};

TEST_F(ImageFileStreamTest, FileStreamOverTheCRuntime) {
  std::string path = (folder_ / "s.bin").string();
  {
    CImageFileStream out;
    ASSERT_TRUE(out.Open(path.c_str(), "wb"));
    EXPECT_EQ(out.Write("hello", 1, 5), 5u);
    EXPECT_TRUE(out.PutC('!'));
    EXPECT_TRUE(out.Flush());
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  {
    CImageFileStream in(file);
    EXPECT_EQ(in.Size(), 6);
    EXPECT_EQ(in.Tell(), 0);
    EXPECT_TRUE(in.Seek(4, 0));
    EXPECT_EQ(in.GetC(), 'o');
    EXPECT_EQ(in.GetC(), '!');
    EXPECT_EQ(in.GetC(), -1);
    EXPECT_TRUE(in.Eof());
    EXPECT_FALSE(in.Close());  // the caller's FILE stays open
  }
  EXPECT_EQ(std::fseek(file, 0, SEEK_SET), 0);
  EXPECT_EQ(std::fgetc(file), 'h');
  std::fclose(file);

  CImageFileStream none;
  EXPECT_EQ(none.Size(), -1);
  EXPECT_EQ(none.GetC(), -1);
  EXPECT_EQ(none.Error(), -1);
  EXPECT_TRUE(none.Eof());
  EXPECT_FALSE(none.Seek(0, 0));
  EXPECT_FALSE(none.Open((folder_ / "missing" / "x").string().c_str(), "rb"));
}

}  // namespace
