// The attachment statements, the zlib form, where downloads land and how
// they are written, and the session's add / download / delete rules over a
// scripted link (no server, no window).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "devices/Attachments.h"
#include "platform/MessageBox.h"
#include "tests/devices/AttachmentTestFiles.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

namespace fs = std::filesystem;
using attachment::AttachmentSession;
using attachment::RecordKey;

using attachmenttest::RandomBytes;
using attachmenttest::ReadFile;
using attachmenttest::WriteFile;

TEST(AttachmentStatements, EveryKindNamesItsTableAndKey) {
  struct Case {
    int kind;
    const char* list;
  };
  const Case cases[] = {
      {0, "SELECT iid,ilen,izlen,cfile,coper,ddate FROM brantle.dbo.client_rec_file WHERE irid=7 ORDER BY ddate DESC"},
      {1, "SELECT iid,ilen,izlen,cfile,coper,ddate FROM brantle.dbo.ivc_affix WHERE iiid=7 ORDER BY ddate DESC"},
      {2, "SELECT iid,ilen,izlen,cfile,coper,ddate FROM brantle.dbo.client_rec_pack_file WHERE cawb='999-1''2' ORDER BY ddate DESC"},
      {3, "SELECT iid,ilen,izlen,cfile,coper,ddate FROM brantle.dbo.client_fee_file WHERE ifid=7 ORDER BY ddate DESC"},
      {4, "SELECT iid,ilen,izlen,cfile,coper,ddate FROM brantle.dbo.in_otherfee_file WHERE iidi=7 ORDER BY ddate DESC"},
      {5, "SELECT iid,ilen,izlen,cfile,coper,ddate FROM brantle.dbo.out_payment_file WHERE iido=7 ORDER BY ddate DESC"},
  };
  for (const Case& c : cases) {
    RecordKey key{c.kind, 7, u"999-1'2"};
    EXPECT_EQ(attachment::ListSql(key), c.list) << c.kind;
  }
  EXPECT_EQ(attachment::ListSql(RecordKey{6, 7, {}}), "");
  EXPECT_EQ(attachment::DataPutSql(3, 42), "UPDATE brantle.dbo.client_fee_file SET vdata=? WHERE iid=42");
  EXPECT_EQ(attachment::DataGetSql(2, 42), "SELECT vdata FROM brantle.dbo.client_rec_pack_file WHERE iid=42");
  EXPECT_EQ(attachment::DeleteSql(3, 42, "O'Neil"),
            "{?=CALL brantle.dbo.cp_client_fee_file_del(42,'O''Neil')}");
}

TEST(AttachmentStatements, AddDoublesQuotesAfterCuttingNameKeyAndAccount) {
  EXPECT_EQ(attachment::AddSql(RecordKey{2, 0, u"999-1'2"}, 10, 18, u"O'Brien.pdf", "d'Arc"),
            "{?=CALL brantle.dbo.cp_client_rec_pack_file_add('999-1''2',10,18,'O''Brien.pdf','','d''Arc')}");
  EXPECT_EQ(attachment::AddSql(RecordKey{3, 73001, {}}, 1, 9, u"a.txt", "admin"),
            "{?=CALL brantle.dbo.cp_client_fee_file_add(73001,1,9,'a.txt','','admin')}");
  // A key of 30 characters ending in a quote: cut first, then doubled, so
  // the literal still closes.
  const std::u16string key = std::u16string(29, u'1') + u"'" + u"XYZ";
  EXPECT_EQ(attachment::ListSql(RecordKey{2, 0, key}),
            "SELECT iid,ilen,izlen,cfile,coper,ddate FROM brantle.dbo.client_rec_pack_file WHERE cawb='" +
                std::string(29, '1') + "''' ORDER BY ddate DESC");
}

TEST(AttachmentBytes, IncompressibleMegabyteRoundTripsWithinTheBound) {
  const std::string bytes = RandomBytes(1048576, 5);
  std::string z;
  ASSERT_TRUE(attachment::Compress(bytes, z));
  // Random bytes do not compress: the copy is longer than the file plus
  // 256, and no longer than zlib's bound.
  EXPECT_GT(static_cast<int64_t>(z.size()), 1048576 + 256);
  EXPECT_LE(static_cast<int64_t>(z.size()), attachment::CompressedLimit());
  EXPECT_EQ(attachment::CompressedLimit(), 1048909);
  std::string back;
  ASSERT_TRUE(attachment::Uncompress(z, bytes.size(), back));
  EXPECT_TRUE(back == bytes);
  // A wrong length or damaged data is refused.
  EXPECT_FALSE(attachment::Uncompress(z, bytes.size() - 1, back));
  std::string damaged = z;
  damaged[damaged.size() / 2] ^= 0x55;
  EXPECT_FALSE(attachment::Uncompress(damaged, bytes.size(), back));
}

TEST(AttachmentFiles, DownloadKeepsTheSafeBaseNameOnly) {
  struct Case {
    std::u16string stored;
    std::u16string name;
  };
  const Case cases[] = {
      {u"../../x.sh", u"x.sh"},      {u"a/b.pdf", u"b.pdf"},     {u"C:\\tmp\\c.doc", u"c.doc"},
      {u"..", u"__"},                {u"dir/", u"_"},             {u"O'Brien.pdf", u"O'Brien.pdf"},
      {u"a:b?.txt", u"a_b_.txt"},    {u".hidden", u"_hidden"},
  };
  const fs::path desktop = fs::temp_directory_path() / ("att-desk-" + std::to_string(::getpid()));
  fs::create_directories(desktop);
  for (const Case& c : cases) {
    EXPECT_EQ(attachment::DownloadPath(desktop.u16string(), u"/prog/", c.stored),
              desktop.u16string() + u"/" + c.name)
        << std::string(c.stored.begin(), c.stored.end());
    EXPECT_EQ(attachment::DownloadPath(u"", u"/prog/", c.stored), u"/prog/DATA_TEMP/" + c.name);
  }
  // A desktop folder that is not there counts as none.
  EXPECT_EQ(attachment::DownloadPath((desktop / "gone").u16string(), u"/prog/", u"../../x.sh"),
            u"/prog/DATA_TEMP/x.sh");
  fs::remove_all(desktop);
}

TEST(AttachmentFiles, ProgramsAreKnownByNameOrFirstBytes) {
  struct Case {
    std::u16string name;
    std::string bytes;
    bool runnable;
  };
  const Case cases[] = {
      {u"x.sh", "echo", true},         {u"X.SH", "echo", true},
      {u"app.desktop", "", true},      {u"setup.exe", "", true},
      {u"run.py", "", true},           {u"noext", "#!/bin/sh\n", true},
      {u"noext", "\x7f" "ELF\x02", true}, {u"file.pdf", "MZ\x90", true},
      {u"launcher", "[Desktop Entry]\nExec=x", true},
      {u"b.pdf", "%PDF-1.4", false},   {u"notes.txt", "plain text", false},
      {u"shell.txt", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(attachment::CouldRunAsProgram(c.name, c.bytes), c.runnable)
        << std::string(c.name.begin(), c.name.end());
}

TEST(AttachmentFiles, WriteReplacesWithoutExecutePermission) {
  const fs::path folder = fs::temp_directory_path() / ("att-write-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  const fs::path target = folder / "DATA_TEMP" / "x.sh";
  // The DATA_TEMP folder is made when missing.
  ASSERT_TRUE(attachment::WriteDownload(target.u16string(), "first version, longer\n"));
  EXPECT_EQ(ReadFile(target), "first version, longer\n");
  // An executable file of that name is replaced whole, and the new one is
  // not executable.
  fs::permissions(target, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  ASSERT_TRUE(attachment::WriteDownload(target.u16string(), "#!/bin/sh\n"));
  EXPECT_EQ(ReadFile(target), "#!/bin/sh\n");
  struct stat st{};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder / "DATA_TEMP"), fs::directory_iterator()), 1);
  // A folder in the way: not written.
  fs::create_directories(folder / "DATA_TEMP" / "taken");
  EXPECT_FALSE(attachment::WriteDownload((folder / "DATA_TEMP" / "taken").u16string(), "x"));
  fs::remove_all(folder);
}

// ---- the session over a scripted link ----

class ScriptedLink : public attachment::AttachmentLink {
 public:
  std::string Query(std::string_view sql, const std::vector<uint32_t>&) override {
    sent.emplace_back(sql);
    return listReply;
  }
  bool Call(std::string_view sql, serverlink::ProcedureResult& out) override {
    sent.emplace_back(sql);
    if (codes.empty()) return false;
    out.code = codes.front();
    codes.erase(codes.begin());
    return true;
  }
  int Upload(int32_t length, std::string_view sql, std::string_view bytes) override {
    sent.emplace_back(sql);
    uploaded.assign(bytes.substr(0, static_cast<size_t>(length)));
    return uploadResult;
  }
  int Download(int32_t length, std::string_view sql, std::string& out) override {
    sent.emplace_back(sql);
    out = stored;
    return static_cast<int>(stored.size()) <= length ? static_cast<int>(stored.size()) : -3;
  }
  std::u16string LastErrorText() override { return u"link error"; }

  std::string listReply = R"({"ReturnValue":1,"iTotal":0,"List":[]})";
  std::vector<int32_t> codes;
  int uploadResult = 1;
  std::string uploaded;
  std::string stored;
  std::vector<std::string> sent;
};

class RecordingOpener : public attachment::AttachmentOpener {
 public:
  void Open(const std::u16string& path) override { opened.push_back(path); }
  std::vector<std::u16string> opened;
};

class AttachmentSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
    folder_ = fs::temp_directory_path() / ("att-session-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "program");
    env_.accountGbk = "O'Neil";
    env_.rights = {true, true};
    env_.programFolder = (folder_ / "program").u16string() + u"/";
  }
  void TearDown() override { fs::remove_all(folder_); }

  AttachmentSession Make(RecordKey key) { return AttachmentSession(link_, opener_, key, env_); }

  fs::path folder_;
  ScriptedLink link_;
  RecordingOpener opener_;
  AttachmentSession::Environment env_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(AttachmentSessionTest, BrowseRefusesEmptyTooLongAndMissingFiles) {
  struct Case {
    const char* name;
    int64_t size;  // -1: no such file
    bool chosen;
    std::u16string message;
  };
  const Case cases[] = {
      {"empty.bin", 0, false, u"The file is empty and cannot be attached."},
      {"big.bin", 5000001, false,
       u"The file has 5000001 bytes: more than 5,000,000 bytes cannot be attached."},
      {"limit.bin", 5000000, true, u""},
      {"over-add.bin", 1048577, true, u""},
      {"none.bin", -1, false, u"The file cannot be opened or is too large."},
  };
  for (const Case& c : cases) {
    boxes_.Clear();
    const fs::path path = folder_ / c.name;
    if (c.size >= 0) {
      std::ofstream(path, std::ios::binary).close();
      fs::resize_file(path, static_cast<uintmax_t>(c.size));
    }
    AttachmentSession s = Make(RecordKey{3, 73001, {}});
    EXPECT_EQ(s.Browse(path.u16string()), c.chosen) << c.name;
    EXPECT_EQ(s.CurrentState(), c.chosen ? AttachmentSession::kFileChosen : AttachmentSession::kNothing);
    EXPECT_EQ(s.ActionEnabled(), c.chosen);
    EXPECT_EQ(boxes_.Count(), c.chosen ? 0u : 1u) << c.name;
    if (!c.chosen) EXPECT_EQ(boxes_.LastText(), c.message);
  }
}

TEST_F(AttachmentSessionTest, AddOverTheLimitIsRefusedBeforeAnythingIsSent) {
  const fs::path path = folder_ / "over.bin";
  WriteFile(path, RandomBytes(1048577, 1));
  AttachmentSession s = Make(RecordKey{2, 0, u"999-73000001"});
  ASSERT_TRUE(s.Browse(path.u16string()));
  EXPECT_FALSE(s.Add());
  EXPECT_EQ(boxes_.LastText(), u"The file has 1048577 bytes: more than 1,048,576 bytes cannot be added.");
  EXPECT_TRUE(link_.sent.empty());
}

TEST_F(AttachmentSessionTest, AddSendsTheRowThenTheBytesAndListsIt) {
  const fs::path path = folder_ / "O'Brien.pdf";
  const std::string bytes = RandomBytes(1048576, 2);
  WriteFile(path, bytes);
  link_.codes = {73100};
  AttachmentSession s = Make(RecordKey{3, 73001, {}});
  ASSERT_TRUE(s.Browse(path.u16string()));
  ASSERT_TRUE(s.Add());
  ASSERT_EQ(link_.sent.size(), 2u);
  const std::string z = link_.uploaded;
  EXPECT_EQ(link_.sent[0], "{?=CALL brantle.dbo.cp_client_fee_file_add(73001,1048576," +
                               std::to_string(z.size()) + ",'O''Brien.pdf','','O''Neil')}");
  EXPECT_EQ(link_.sent[1], "UPDATE brantle.dbo.client_fee_file SET vdata=? WHERE iid=73100");
  std::string back;
  ASSERT_TRUE(attachment::Uncompress(z, bytes.size(), back));
  EXPECT_TRUE(back == bytes);
  ASSERT_EQ(s.Rows().size(), 1u);
  EXPECT_EQ(s.Rows()[0].iid, 73100);
  EXPECT_EQ(s.Rows()[0].fileName, u"O'Brien.pdf");
  EXPECT_EQ(s.Rows()[0].length, 1048576);
  EXPECT_EQ(s.Rows()[0].compressedLength, static_cast<int32_t>(z.size()));
  EXPECT_EQ(s.Rows()[0].account, u"O'Neil");
  EXPECT_EQ(s.AttachmentId(), 73100);
  EXPECT_TRUE(s.FileField().empty());
  EXPECT_FALSE(s.ActionEnabled());
  EXPECT_EQ(boxes_.Count(), 0u);
}

TEST_F(AttachmentSessionTest, FailedUploadDeletesTheNewRowAndSaysWhy) {
  const fs::path path = folder_ / "a.txt";
  WriteFile(path, "some text\n");
  struct Case {
    std::vector<int32_t> codes;  // add, then delete
    std::u16string message;
  };
  const Case cases[] = {
      {{73100, 73100},
       u"The file's content could not be uploaded (Server error: -404); the attachment was removed."},
      {{73100, -4},
       u"The file's content could not be uploaded (Server error: -404), and the attachment could not "
       u"be removed: delete it by hand."},
  };
  for (const Case& c : cases) {
    link_.sent.clear();
    link_.codes = c.codes;
    link_.uploadResult = -404;
    boxes_.Clear();
    AttachmentSession s = Make(RecordKey{3, 73001, {}});
    ASSERT_TRUE(s.Browse(path.u16string()));
    EXPECT_FALSE(s.Add());
    ASSERT_EQ(link_.sent.size(), 3u);
    EXPECT_EQ(link_.sent[2], "{?=CALL brantle.dbo.cp_client_fee_file_del(73100,'O''Neil')}");
    EXPECT_TRUE(s.Rows().empty());
    EXPECT_EQ(boxes_.LastText(), c.message);
  }
}

TEST_F(AttachmentSessionTest, DownloadOfAScriptWritesItAndShowsItsPathInsteadOfOpening) {
  const std::string script = "#!/bin/sh\n";
  ASSERT_TRUE(attachment::Compress(script, link_.stored));
  link_.listReply = R"({"ReturnValue":6,"iTotal":1,"List":[{"0":5,"1":10,"2":)" +
                    std::to_string(link_.stored.size()) +
                    R"(,"3":"../../x.sh","4":"att","5":"2023-01-06 10:00:00"}]})";
  AttachmentSession exact = Make(RecordKey{2, 0, u"999-73000001"});
  ASSERT_TRUE(exact.Load());
  ASSERT_TRUE(exact.Pick(5));
  EXPECT_TRUE(exact.DeleteShown());
  ASSERT_TRUE(exact.Act());
  EXPECT_EQ(link_.sent.back(), "SELECT vdata FROM brantle.dbo.client_rec_pack_file WHERE iid=5");
  const std::u16string expected = env_.programFolder + u"DATA_TEMP/x.sh";
  EXPECT_EQ(exact.DownloadedPath(), expected);
  EXPECT_EQ(ReadFile(fs::path(expected)), script);
  EXPECT_TRUE(opener_.opened.empty());
  ASSERT_EQ(boxes_.Count(), 2u);
  EXPECT_EQ(boxes_.Messages()[0].text, u"The attachment was saved as " + expected);
  EXPECT_EQ(boxes_.Messages()[1].text,
            u"This file could run as a program and was not opened. It is at " + expected);
}

TEST_F(AttachmentSessionTest, DeleteButtonOnlyWithTheRightAndRefusalsNamed) {
  link_.listReply = R"({"ReturnValue":6,"iTotal":1,"List":[)"
                    R"({"0":5,"1":10,"2":18,"3":"a.txt","4":"att","5":"2023-01-06 10:00:00"}]})";
  env_.rights = {true, false};
  AttachmentSession without = Make(RecordKey{3, 73001, {}});
  ASSERT_TRUE(without.Load());
  ASSERT_TRUE(without.Pick(5));
  EXPECT_FALSE(without.DeleteShown());
  EXPECT_FALSE(without.Delete());
  EXPECT_EQ(link_.sent.size(), 1u);  // the list query only

  env_.rights = {true, true};
  struct Case {
    int32_t code;
    bool deleted;
    std::u16string message;
  };
  const Case cases[] = {
      {5, true, u""},
      {-4, false, u"The attachment does not exist or has been deleted."},
      {-2, false, u"You have no right to work for this customer."},
      {-7, false, u"Server error: -7"},
  };
  for (const Case& c : cases) {
    boxes_.Clear();
    link_.codes = {c.code};
    AttachmentSession s = Make(RecordKey{3, 73001, {}});
    ASSERT_TRUE(s.Load());
    ASSERT_TRUE(s.Pick(5));
    EXPECT_TRUE(s.DeleteShown());
    EXPECT_EQ(s.Delete(), c.deleted);
    EXPECT_EQ(s.Rows().size(), c.deleted ? 0u : 1u);
    EXPECT_EQ(s.AttachmentId(), c.deleted ? 0 : 5);
    EXPECT_EQ(s.CurrentState(), c.deleted ? AttachmentSession::kNothing : AttachmentSession::kRowPicked);
    if (c.deleted)
      EXPECT_EQ(boxes_.Count(), 0u);
    else
      EXPECT_EQ(boxes_.LastText(), c.message);
  }
}

}  // namespace
