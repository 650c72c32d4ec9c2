// The mapped record file and the four local record stores, on files in a
// temporary folder.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/MessageBox.h"
#include "refdata/MappedRecordFile.h"
#include "refdata/RecordStores.h"
#include "tests/TempFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kSize = 465;  // piece lines: an odd size, records unaligned

class RecordStoreTest : public testsupport::TempFolderTest {
 protected:
  fs::path PathOf(const std::string& name) const { return folder_ / name; }

  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static int32_t HeaderField(const fs::path& path, size_t offset) {
    std::string bytes = ReadFile(path);
    int32_t value = -12345;
    if (bytes.size() >= offset + 4) std::memcpy(&value, bytes.data() + offset, 4);
    return value;
  }
  static void SetHeaderField(const fs::path& path, size_t offset, int32_t value) {
    std::string bytes = ReadFile(path);
    std::memcpy(bytes.data() + offset, &value, 4);
    WriteFile(path, bytes);
  }

  // A record whose bytes after the id all hold `fill`.
  static std::vector<unsigned char> Record(unsigned char fill, int32_t size = kSize) {
    std::vector<unsigned char> record(static_cast<size_t>(size), fill);
    std::memset(record.data(), 0, 4);
    return record;
  }
  static int32_t IdOf(const void* record) {
    int32_t id;
    std::memcpy(&id, record, 4);
    return id;
  }
  static unsigned char FillOf(const void* record) {
    return static_cast<const unsigned char*>(record)[kSize - 1];
  }

  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(RecordStoreTest, NewFileIsCreatedEmptyWithRoomForFiveHundred) {
  CPieceWeightTable store;
  const fs::path path = PathOf("recweight.dat");
  EXPECT_EQ(store.Open(path), 0);
  EXPECT_TRUE(store.IsOpen());
  EXPECT_EQ(store.GetCount(), 0);
  EXPECT_EQ(store.GetLastId(), 0);
  EXPECT_EQ(store.GetAt(0), nullptr);
  EXPECT_EQ(store.FindById(1), nullptr);
  EXPECT_EQ(fs::file_size(path), 500u * kSize + 256);
  EXPECT_EQ(HeaderField(path, 0), 0);
  EXPECT_EQ(HeaderField(path, 4), 0);
  EXPECT_EQ(store.FailureText(), u"");
}

TEST_F(RecordStoreTest, AppendGivesGrowingIdsThatSurviveReopen) {
  const fs::path path = PathOf("recweight.dat");
  {
    CPieceWeightTable store;
    ASSERT_EQ(store.Open(path), 0);
    auto first = Record(0xA1);
    EXPECT_EQ(store.Append(first.data()), 1);
    EXPECT_EQ(IdOf(first.data()), 1);  // the caller learns the id
    EXPECT_EQ(store.RemoveAt(0), 1);
    EXPECT_EQ(store.GetCount(), 0);
    auto second = Record(0xA2);
    EXPECT_EQ(store.Append(second.data()), 1);
    EXPECT_EQ(IdOf(second.data()), 2);  // removing never lowers the last id
    auto third = Record(0xA3);
    EXPECT_EQ(store.Append(third.data()), 2);
    // Every change is on disk at once: the header is readable by others.
    EXPECT_EQ(HeaderField(path, 0), 2);
    EXPECT_EQ(HeaderField(path, 4), 3);
  }
  CPieceWeightTable again;
  ASSERT_EQ(again.Open(path), 2);
  EXPECT_EQ(again.GetLastId(), 3);
  ASSERT_NE(again.GetAt(1), nullptr);
  EXPECT_EQ(IdOf(again.GetAt(0)), 2);
  EXPECT_EQ(FillOf(again.GetAt(0)), 0xA2);
  EXPECT_EQ(IdOf(again.GetAt(1)), 3);
  EXPECT_EQ(FillOf(again.GetAt(1)), 0xA3);
  EXPECT_EQ(again.GetAt(2), nullptr);
  EXPECT_EQ(again.GetAt(-1), nullptr);
}

TEST_F(RecordStoreTest, RemovePutAndFindById) {
  CPieceWeightTable store;
  ASSERT_EQ(store.Open(PathOf("recweight.dat")), 0);
  for (unsigned char fill = 1; fill <= 5; ++fill) {
    auto record = Record(fill);
    store.Append(record.data());
  }
  // Removing the last record moves nothing; the freed slot keeps its bytes.
  EXPECT_EQ(store.RemoveAt(4), 1);
  EXPECT_EQ(store.GetCount(), 4);
  EXPECT_EQ(FillOf(store.GetAt(3)), 4);
  // Removing from the middle moves the rest down.
  EXPECT_EQ(store.RemoveAt(1), 1);
  ASSERT_EQ(store.GetCount(), 3);
  EXPECT_EQ(IdOf(store.GetAt(0)), 1);
  EXPECT_EQ(IdOf(store.GetAt(1)), 3);
  EXPECT_EQ(IdOf(store.GetAt(2)), 4);

  struct Case { int32_t id; int expectedFill; };  // 0: not found
  for (const Case& c : std::vector<Case>{{1, 1}, {2, 0}, {3, 3}, {4, 4}, {5, 0}, {0, 0}, {-1, 0}}) {
    void* found = store.FindById(c.id);
    if (c.expectedFill == 0) {
      EXPECT_EQ(found, nullptr) << c.id;
    } else {
      ASSERT_NE(found, nullptr) << c.id;
      EXPECT_EQ(FillOf(found), c.expectedFill);
    }
  }

  auto replacement = Record(0xEE);
  std::memcpy(replacement.data(), store.GetAt(1), 4);
  EXPECT_EQ(store.PutAt(1, replacement.data()), 1);
  EXPECT_EQ(FillOf(store.FindById(3)), 0xEE);

  // Indexes outside the records are refused.
  EXPECT_EQ(store.PutAt(3, replacement.data()), 0);
  EXPECT_EQ(store.PutAt(-1, replacement.data()), 0);
  EXPECT_EQ(store.RemoveAt(3), 0);
  EXPECT_EQ(store.RemoveAt(-1), 0);
  EXPECT_EQ(store.GetCount(), 3);

  store.RemoveById(2);  // absent: nothing happens
  EXPECT_EQ(store.GetCount(), 3);
  store.RemoveById(3);
  EXPECT_EQ(store.GetCount(), 2);
  EXPECT_EQ(store.FindById(3), nullptr);
  EXPECT_NE(store.FindById(4), nullptr);
}

TEST_F(RecordStoreTest, WritesToAClosedStoreAreRefused) {
  CPieceWeightTable store;
  auto record = Record(1);
  EXPECT_EQ(store.Append(record.data()), 0);
  EXPECT_EQ(store.PutAt(0, record.data()), 0);
  EXPECT_EQ(store.RemoveAt(0), 0);
  EXPECT_EQ(store.Touch(), 0);
  EXPECT_EQ(store.GetAt(0), nullptr);
  EXPECT_EQ(store.FindById(1), nullptr);
  EXPECT_EQ(store.Commit(), 1);  // nothing changed, nothing to write
}

TEST_F(RecordStoreTest, InPlaceEditIsCommittedByTouch) {
  const fs::path path = PathOf("recweight.dat");
  {
    CPieceWeightTable store;
    ASSERT_EQ(store.Open(path), 0);
    auto record = Record(1);
    store.Append(record.data());
    auto* piece = store.Record(0);
    piece->owner = 77;
    EXPECT_EQ(store.Touch(), 1);
    EXPECT_EQ(store.ChangeCounter(), 3);
  }
  CPieceWeightTable again;
  ASSERT_EQ(again.Open(path), 1);
  const int32_t owner = again.Record(0)->owner;
  EXPECT_EQ(owner, 77);
}

TEST_F(RecordStoreTest, GrowthAcrossTheMappingRemapsAndKeepsEveryRecord) {
  const fs::path path = PathOf("recweight.dat");
  CPieceWeightTable store;
  ASSERT_EQ(store.Open(path), 0);
  // 498 changes stay in the first mapping; the 499th remaps it.
  for (int i = 0; i < 498; ++i) {
    auto record = Record(static_cast<unsigned char>(i));
    ASSERT_EQ(store.Append(record.data()), i + 1);
  }
  EXPECT_EQ(store.ChangeCounter(), 499);
  EXPECT_EQ(store.MappedSize(), 500u * kSize + 256);
  auto record = Record(0x55);
  ASSERT_EQ(store.Append(record.data()), 499);
  EXPECT_EQ(store.ChangeCounter(), 1);
  EXPECT_EQ(store.MappedSize(), (499u + 500u) * kSize + 256);
  EXPECT_EQ(fs::file_size(path), (499u + 500u) * kSize + 256);
  for (int i = 0; i < 499; ++i) {
    ASSERT_NE(store.GetAt(i), nullptr) << i;
    EXPECT_EQ(IdOf(store.GetAt(i)), i + 1);
  }
  // Far past the first mapping: 1,200 more appends and removes.
  for (int i = 0; i < 1200; ++i) {
    auto more = Record(static_cast<unsigned char>(i));
    ASSERT_GT(store.Append(more.data()), 0) << i;
    if (i % 3 == 0) {
      ASSERT_EQ(store.RemoveAt(0), 1);
    }
  }
  const int count = store.GetCount();
  EXPECT_EQ(count, 499 + 1200 - 400);
  const int32_t lastId = store.GetLastId();
  EXPECT_EQ(lastId, 1699);
  EXPECT_EQ(IdOf(store.GetAt(count - 1)), 1699);
  for (int i = 1; i < count; ++i) ASSERT_LT(IdOf(store.GetAt(i - 1)), IdOf(store.GetAt(i)));
  store.Close();

  CPieceWeightTable again;
  ASSERT_EQ(again.Open(path), count);
  EXPECT_EQ(again.GetLastId(), lastId);
  EXPECT_NE(again.FindById(1699), nullptr);
  EXPECT_GE(fs::file_size(path), (static_cast<uintmax_t>(count) + 500) * kSize + 256);
}

TEST_F(RecordStoreTest, FileNeverShrinks) {
  const fs::path path = PathOf("recweight.dat");
  {
    CPieceWeightTable store;
    ASSERT_EQ(store.Open(path), 0);
    for (int i = 0; i < 600; ++i) {
      auto record = Record(1);
      store.Append(record.data());
    }
    while (store.GetCount() > 0) store.RemoveAt(0);
  }
  const auto grown = fs::file_size(path);
  CPieceWeightTable again;
  ASSERT_EQ(again.Open(path), 0);
  EXPECT_EQ(again.GetLastId(), 600);
  EXPECT_EQ(fs::file_size(path), grown);
}

TEST_F(RecordStoreTest, DamagedOrForeignFilesAreRefusedAndLeftAlone) {
  const fs::path path = PathOf("recweight.dat");
  {
    CPieceWeightTable store;
    ASSERT_EQ(store.Open(path), 0);
    for (int i = 0; i < 3; ++i) {
      auto record = Record(static_cast<unsigned char>(i + 1));
      store.Append(record.data());
    }
  }
  const std::string good = ReadFile(path);

  struct Case {
    const char* what;
    std::function<std::string(std::string)> damage;
    const char* failure;
  };
  auto setInt = [](std::string bytes, size_t offset, int32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
    return bytes;
  };
  const std::vector<Case> cases = {
      {"count beyond the file", [&](std::string b) { return setInt(b, 0, 504); },
       ") record count does not fit the file length."},
      {"huge count", [&](std::string b) { return setInt(b, 0, 0x7FFFFFFF); },
       ") record count does not fit the file length."},
      {"count above last id", [&](std::string b) { return setInt(b, 4, 2); },
       ") record count does not fit the file length."},
      {"file cut inside the records",
       [](std::string b) { return b.substr(0, 256 + 2 * kSize + 100); },
       ") record count does not fit the file length."},
      {"negative count", [&](std::string b) { return setInt(b, 0, -1); },
       ") is not a record file."},
      {"negative last id", [&](std::string b) { return setInt(b, 4, -7); },
       ") is not a record file."},
      {"unused header bytes set", [](std::string b) { return b.replace(100, 1, "x"); },
       ") is not a record file."},
      {"shorter than a header", [](std::string b) { return b.substr(0, 100); },
       ") is not a record file."},
      {"a text file",
       [](std::string) { return std::string("HOST=127.0.0.1\r\nPORT=80\r\n") + std::string(400, 'a'); },
       ") is not a record file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string damaged = c.damage(good);
    WriteFile(path, damaged);
    boxes_.Clear();
    CPieceWeightTable store;
    EXPECT_EQ(store.Open(path), -1);
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(store.GetCount(), 0);
    EXPECT_EQ(store.GetAt(0), nullptr);
    auto record = Record(9);
    EXPECT_EQ(store.Append(record.data()), 0);
    EXPECT_EQ(store.FailureText(),
              u"File(" + path.u16string() + std::u16string(c.failure, c.failure + std::strlen(c.failure)));
    // The operator is told, and the file is neither mapped, grown nor changed.
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(ReadFile(path), damaged);
  }
}

TEST_F(RecordStoreTest, RefusalMessageNamesTheFileAndTheCount) {
  const fs::path path = PathOf("recgoods.dat");
  {
    CGoodsLineTable store;
    ASSERT_EQ(store.Open(path), 0);
  }
  SetHeaderField(path, 0, 900);
  SetHeaderField(path, 4, 900);
  CGoodsLineTable store;
  EXPECT_EQ(store.Open(path), -1);
  ASSERT_EQ(boxes_.Count(), 1u);
  const auto shown = boxes_.Messages().front();
  EXPECT_EQ(shown.flags, platform::kMbOk | platform::kMbIconError);
  // Without a language file the table answers "??"; the numbered text itself
  // lives in the language data.  The failure text carries the path.
  EXPECT_NE(store.FailureText().find(path.u16string()), std::u16string::npos);
}

TEST_F(RecordStoreTest, FileCutInsideTheSpareRoomIsReopenedAndRegrown) {
  const fs::path path = PathOf("recweight.dat");
  {
    CPieceWeightTable store;
    ASSERT_EQ(store.Open(path), 0);
    for (int i = 0; i < 4; ++i) {
      auto record = Record(static_cast<unsigned char>(i + 1));
      store.Append(record.data());
    }
  }
  // The records are whole; only room after them is gone.
  WriteFile(path, ReadFile(path).substr(0, 256 + 4 * kSize + 10));
  CPieceWeightTable store;
  ASSERT_EQ(store.Open(path), 4);
  EXPECT_EQ(boxes_.Count(), 0u);
  EXPECT_EQ(FillOf(store.GetAt(3)), 4);
  EXPECT_EQ(fs::file_size(path), (4u + 500u) * kSize + 256);
  auto record = Record(5);
  EXPECT_EQ(store.Append(record.data()), 5);
  EXPECT_EQ(IdOf(record.data()), 5);
}

TEST_F(RecordStoreTest, OpenFailuresGiveTheirTexts) {
  CPieceWeightTable missingFolder;
  const fs::path inMissing = PathOf("no_such_folder") / "recweight.dat";
  EXPECT_EQ(missingFolder.Open(inMissing), -1);
  EXPECT_EQ(missingFolder.FailureText(), u"File(" + inMissing.u16string() + u") open failed.");

  // A folder in place of the file.
  fs::create_directories(PathOf("folder.dat"));
  CPieceWeightTable folder;
  EXPECT_EQ(folder.Open(PathOf("folder.dat")), -1);
  EXPECT_FALSE(folder.IsOpen());
  EXPECT_FALSE(folder.FailureText().empty());
}

TEST_F(RecordStoreTest, ASecondWriterIsRefusedWhileTheFileIsOpen) {
  const fs::path path = PathOf("recgoods.dat");
  CGoodsLineTable first;
  ASSERT_EQ(first.Open(path), 0);
  CGoodsLineTable second;
  EXPECT_EQ(second.Open(path), -1);
  EXPECT_EQ(second.FailureText(), u"File(" + path.u16string() + u") open failed.");
  first.Close();
  EXPECT_EQ(second.Open(path), 0);
}

TEST_F(RecordStoreTest, StoresFixTheirRecordSizes) {
  CDirectoryTable directory;
  CWaybillRecordTable inputs;
  CGoodsLineTable goods;
  CPieceWeightTable pieces;
  EXPECT_EQ(directory.Load(PathOf("rsdata.dat")), 0);
  EXPECT_EQ(inputs.Open(PathOf("recinput.dat")), 0);
  EXPECT_EQ(goods.Open(PathOf("recgoods.dat")), 0);
  EXPECT_EQ(pieces.Open(PathOf("recweight.dat")), 0);
  struct Case { const char* file; uintmax_t size; };
  for (const Case& c : std::vector<Case>{{"rsdata.dat", 980}, {"recinput.dat", 5301},
                                         {"recgoods.dat", 764}, {"recweight.dat", 465}})
    EXPECT_EQ(fs::file_size(PathOf(c.file)), 500 * c.size + 256) << c.file;

  GoodsLine line{};
  line.owner = 12;
  std::strcpy(line.cgoods, "shoes");
  line.fgweight = 1.25;
  EXPECT_EQ(goods.Append(&line), 1);
  const int32_t id = line.id;
  EXPECT_EQ(id, 1);
  EXPECT_STREQ(goods.Record(0)->cgoods, "shoes");
  const double weight = goods.Record(0)->fgweight;  // packed: read by value
  EXPECT_EQ(weight, 1.25);

  DirectoryRecord entry{};
  std::strcpy(entry.name, "Li Lei");
  EXPECT_EQ(directory.Append(&entry), 1);
  EXPECT_STREQ(directory.Record(0)->name, "Li Lei");

  EXPECT_TRUE(FlushRecordFiles(inputs, goods, pieces, directory));
}

// While alive, no file of this process may grow beyond `bytes`: a write or
// an allocation past it fails with EFBIG (SIGXFSZ is ignored meanwhile), as
// on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &savedAction_);
    struct rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::sigaction(SIGXFSZ, &savedAction_, nullptr);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  struct rlimit saved_ {};
  struct sigaction savedAction_ {};
  bool ok_ = false;
};

// A change whose remap cannot grow the file is reported as failed, and the
// store is closed with the reason; what was written before is on disk.
TEST_F(RecordStoreTest, ChangeWhoseRemapFailsReportsTheFailure) {
  const fs::path path = PathOf("recweight.dat");
  struct Case {
    const char* what;
    std::function<int(CPieceWeightTable&)> change;
    int countAfter;  // on disk, once reopened
  };
  const std::vector<Case> cases = {
      {"PutAt", [](CPieceWeightTable& s) { auto r = Record(0xEE); return s.PutAt(5, r.data()); },
       300},
      {"RemoveAt", [](CPieceWeightTable& s) { return s.RemoveAt(5); }, 299},
      {"Append", [](CPieceWeightTable& s) { auto r = Record(0xEE); return s.Append(r.data()); },
       301},
      {"Touch", [](CPieceWeightTable& s) { return s.Touch(); }, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(path);
    CPieceWeightTable store;
    ASSERT_EQ(store.Open(path), 0);
    // 300 records outgrow the room of the first mapping, so the remap must
    // grow the file.
    for (int i = 0; i < 300; ++i) {
      auto record = Record(static_cast<unsigned char>(i));
      ASSERT_EQ(store.Append(record.data()), i + 1);
    }
    while (store.ChangeCounter() < CMappedRecordFile::kRemapChanges - 1) ASSERT_EQ(store.Touch(), 1);
    {
      FileSizeLimit limit(fs::file_size(path));
      ASSERT_TRUE(limit.ok());
      EXPECT_EQ(c.change(store), 0);
    }
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(store.GetCount(), 0);
    EXPECT_EQ(store.GetAt(0), nullptr);
    EXPECT_EQ(store.FailureText(), u"File(" + path.u16string() + u") mapping failed.");
    auto record = Record(1);
    EXPECT_EQ(store.Append(record.data()), 0);
    EXPECT_EQ(store.PutAt(0, record.data()), 0);
    EXPECT_EQ(store.RemoveAt(0), 0);

    CPieceWeightTable again;
    EXPECT_EQ(again.Open(path), c.countAfter);
  }
}

// The remap keeps the file locked: another descriptor that keeps trying to
// take the lock while the store remaps again and again never gets it.
TEST_F(RecordStoreTest, RemapNeverLetsGoOfTheLock) {
  const fs::path path = PathOf("recweight.dat");
  CPieceWeightTable store;
  ASSERT_EQ(store.Open(path), 0);
  auto record = Record(1);
  ASSERT_EQ(store.Append(record.data()), 1);

  std::atomic<bool> stop{false};
  std::atomic<int> attempts{0};
  std::atomic<int> taken{0};
  std::promise<void> ready;
  std::thread other([&] {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ready.set_value();
    while (fd >= 0 && !stop.load()) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        ++taken;
        ::flock(fd, LOCK_UN);
      }
      ++attempts;
    }
    if (fd >= 0) ::close(fd);
  });
  ready.get_future().wait();

  constexpr int kRemaps = 20;
  int remaps = 0;
  bool committed = true;
  for (int change = 0; change < kRemaps * (CMappedRecordFile::kRemapChanges - 1) && committed;
       ++change) {
    committed = store.Touch() == 1;
    remaps += store.ChangeCounter() == 1;
  }
  stop = true;
  other.join();

  EXPECT_TRUE(committed);
  EXPECT_EQ(remaps, kRemaps);
  EXPECT_GT(attempts.load(), 0);
  EXPECT_EQ(taken.load(), 0);
  EXPECT_TRUE(store.IsOpen());
  CPieceWeightTable second;
  EXPECT_EQ(second.Open(path), -1);
}

class WaybillLookupTest : public RecordStoreTest {
 protected:
  void Add(const char* number, const char* reference, const char* transfer, uint8_t mark) {
    InputWaybillRecord record{};
    std::memcpy(record.waybill.cNum, number, std::strlen(number));
    std::memcpy(record.waybill.cRNo, reference, std::strlen(reference));
    std::memcpy(record.waybill.cNo, transfer, std::strlen(transfer));
    record.waybill.cCNo[0] = static_cast<char>(mark);
    ASSERT_GT(table_.Append(&record), 0);
  }
  static int MarkOf(const InputWaybillRecord* record) {
    return record ? static_cast<uint8_t>(record->waybill.cCNo[0]) : 0;
  }
  CWaybillRecordTable table_;
};

TEST_F(WaybillLookupTest, BackwardScansFindTheLatestWholeMatch) {
  ASSERT_EQ(table_.Open(PathOf("recinput.dat")), 0);
  EXPECT_EQ(table_.FindByNumber("A1"), nullptr);  // empty table
  Add("A100", "REF123", "TR0001", 1);
  Add("A100", "REF124", "TR0002", 2);
  Add("B200", "REF12", "TR00", 3);
  Add("0123456789012345678901234567890", "ABCDEF", "", 4);

  struct Case {
    const char* what;
    std::function<InputWaybillRecord*(std::string_view)> find;
    std::string text;
    int mark;  // 0: not found
  };
  auto byNumber = [&](std::string_view t) { return table_.FindByNumber(t); };
  auto byReference = [&](std::string_view t) { return table_.FindByReference(t); };
  auto byTransfer = [&](std::string_view t) { return table_.FindByTransferNo(t); };
  const std::vector<Case> cases = {
      {"the later duplicate wins", byNumber, "A100", 2},
      {"whole text only", byNumber, "A10", 0},
      {"no longer text", byNumber, "A1000", 0},
      {"case matters", byNumber, "b200", 0},
      {"31 bytes", byNumber, "0123456789012345678901234567890", 4},
      {"reference", byReference, "REF123", 1},
      {"reference under 6 bytes", byReference, "REF12", 0},
      {"reference 6 bytes", byReference, "ABCDEF", 4},
      {"transfer number", byTransfer, "TR0002", 2},
      {"transfer number under 6 bytes", byTransfer, "TR00", 0},
      {"empty transfer number", byTransfer, "", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MarkOf(c.find(c.text)), c.mark) << c.what;
}

}  // namespace
