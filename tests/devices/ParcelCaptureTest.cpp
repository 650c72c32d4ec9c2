// What a capture does, against a server that answers as the test says: the
// codes of a capture that cannot run, the kinds, the statements (the
// update grows with the picture, the account is quoted), and every failed
// upload shown with its waybill and kept in the program's log, without a
// message box.

#include <gtest/gtest.h>

#include <QWidget>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/Json.h"
#include "devices/CaptureWnd.h"
#include "devices/ParcelCapture.h"
#include "platform/MessageBox.h"
#include "tests/LanguageFiles.h"
#include "tests/TempFolder.h"
#include "tests/devices/FakeFrameSource.h"

namespace {

using cameratest::FakeFrameSource;

// A reply of a procedure with one result column.
std::string ProcedureReply(int code) {
  return "{\"ReturnValue\":1,\"iTotal\":1,\"bEnd\":true,\"List\":[{\"0\":" +
         std::to_string(code) + "}]}";
}

class ParcelCaptureTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(testsupport::LoadRepositoryLanguageOnce("parcel-capture"));
    std::filesystem::create_directories(folder_ / "DATA");
    capture_ = std::make_unique<CParcelCapture>(
        [this](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
          sent_.push_back({std::string(sql), types.size()});
          const size_t n = sent_.size() - 1;
          reply = n < replies_.size() ? replies_[n] : std::string();
          return n < results_.size() ? results_[n] : static_cast<int>(reply.size());
        },
        [] { return std::string("O'Neil"); }, folder_.string() + "/");
    window_ = std::make_unique<CCaptureWnd>(source_, 0, 0, 320, 240, &parent_, u"", 100, 10);
    ASSERT_EQ(1, window_->Connect(-1));
  }
  std::string Log() const {
    std::ifstream in(folder_ / "LOG_ZIZ" / "capture.log", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  struct Sent {
    std::string sql;
    size_t types;
  };
  std::vector<Sent> sent_;
  std::vector<std::string> replies_;
  std::vector<int> results_;  // transfer results; default: the reply's length
  QWidget parent_;
  FakeFrameSource source_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  std::unique_ptr<CParcelCapture> capture_;
  std::unique_ptr<CCaptureWnd> window_;
};

TEST_F(ParcelCaptureTest, KindsGiveCaptionAndPosition) {
  struct Case {
    int kind;
    const char16_t* caption;
    int position;
  } cases[] = {{0, u"图像捕捉 - 物品定义", 3},  {1, u"图像捕捉 - 物品入库", 10},
               {2, u"图像捕捉 - 转发到件", 1},  {3, u"图像捕捉 - 快递录单", 1},
               {4, u"图像捕捉 - 快递补单", 5},  {5, u"图像捕捉 - 快递发送", 20},
               {6, u"图像捕捉 - 快递扫描", 50}, {-1, u"图像捕捉", 50}};
  EXPECT_EQ(10, capture_->Position()) << "before any kind";
  for (const Case& c : cases) {
    capture_->SetKind(c.kind);
    EXPECT_EQ(c.caption, capture_->Caption()) << c.kind;
    EXPECT_EQ(c.position, capture_->Position()) << c.kind;
  }
}

TEST_F(ParcelCaptureTest, StatementsOfTheUpload) {
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_picc_set(74003,2,20)}",
            BuildPictureSlotCall(74003, 2, 20));
  EXPECT_EQ("UPDATE brantle.dbo.client_rec_picc SET ilen=3,cext='jpg',ddate=GETDATE(),"
            "cinput='O''Neil',vdata=0xFFD80A WHERE irid=12 AND npos=5",
            BuildPictureUpdate(std::string("\xFF\xD8\x0A", 3), "O'Neil", 12, 5));
  // 1,000 bytes: 2,000 digits; 200,000 bytes are written whole.
  for (size_t bytes : {size_t{1000}, size_t{200000}}) {
    std::string jpeg(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i) jpeg[i] = static_cast<char>(i * 7);
    const std::string sql = BuildPictureUpdate(jpeg, "admin", 1, 1);
    const size_t from = sql.find("vdata=0x") + 8;
    const size_t to = sql.find(" WHERE irid=1 AND npos=1");
    ASSERT_NE(std::string::npos, to);
    EXPECT_EQ(bytes * 2, to - from) << bytes;
    EXPECT_EQ("00070E151C", sql.substr(from, 10));
    EXPECT_EQ(std::string::npos, sql.substr(from, to - from).find_first_not_of("0123456789ABCDEF"));
    EXPECT_EQ("UPDATE brantle.dbo.client_rec_picc SET ilen=" + std::to_string(bytes) + ",",
              sql.substr(0, sql.find(',') + 1));
  }
}

TEST_F(ParcelCaptureTest, ACaptureThatCannotRunSendsNothing) {
  const std::string picture = capture_->PicturePath();
  // No kind.
  capture_->SetParcel(74003, 2, "BR74000003");
  EXPECT_EQ(kCaptureNoKind, capture_->Capture(window_.get()));
  EXPECT_TRUE(capture_->StatusText().empty());
  capture_->SetKind(3);
  // Positions 0 and 300: nothing at all, not even a word.
  for (int position : {0, 300, -1, 256}) {
    capture_->SetPosition(position);
    EXPECT_EQ(kCaptureBadPosition, capture_->Capture(window_.get())) << position;
    EXPECT_TRUE(capture_->StatusText().empty()) << position;
  }
  capture_->SetPosition(1);
  // No waybill yet.
  capture_->SetParcel(0, 0, "");
  EXPECT_EQ(kCaptureNoRecord, capture_->Capture(window_.get()));
  EXPECT_EQ(u"没有运单，未拍照", capture_->StatusText());
  // No camera: the save's photo is lost, so the operator hears of it.
  capture_->SetParcel(74003, 2, "BR74000003");
  EXPECT_EQ(kCaptureNoWindow, capture_->Capture(nullptr));
  EXPECT_EQ(u"BR74000003 未拍照：没有摄像头", capture_->StatusText());
  // The grab fails: no file, no upload.
  source_.failingGrabStep = 2;
  EXPECT_EQ(kCaptureGrabFailed, capture_->Capture(window_.get()));
  EXPECT_EQ(u"BR74000003 未拍照：没有图像", capture_->StatusText());
  EXPECT_FALSE(std::filesystem::exists(picture));
  EXPECT_TRUE(sent_.empty());
  EXPECT_EQ(0u, boxes_.Count());
  const std::string log = Log();
  EXPECT_NE(std::string::npos, log.find("BR74000003 未拍照：没有摄像头 [irid 74003, kind 3, position 1]"))
      << log;
  EXPECT_NE(std::string::npos, log.find("BR74000003 未拍照：没有图像")) << log;
}

TEST_F(ParcelCaptureTest, KindsWithoutUploadKeepThePictureInTheFile) {
  capture_->SetKind(1);
  capture_->SetParcel(5, 0, "");
  EXPECT_EQ(5, capture_->Capture(window_.get()));
  EXPECT_TRUE(std::filesystem::exists(capture_->PicturePath()));
  EXPECT_TRUE(sent_.empty());
  EXPECT_TRUE(capture_->StatusText().empty());
}

TEST_F(ParcelCaptureTest, AStoredPictureIsShownWithItsPosition) {
  capture_->SetKind(4);
  capture_->SetParcel(74004, 2, "BR74000004");
  replies_ = {ProcedureReply(6), "{\"ReturnValue\":1,\"iTotal\":0,\"bEnd\":true}"};
  EXPECT_EQ(74004, capture_->Capture(window_.get()));
  ASSERT_EQ(2u, sent_.size());
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_picc_set(74004,2,5)}", sent_[0].sql);
  EXPECT_EQ(1u, sent_[0].types);
  EXPECT_EQ(0u, sent_[1].types);
  EXPECT_NE(std::string::npos, sent_[1].sql.find("cinput='O''Neil',vdata=0xFFD8"));
  EXPECT_EQ(" WHERE irid=74004 AND npos=6", sent_[1].sql.substr(sent_[1].sql.size() - 28));
  EXPECT_EQ(u"BR74000004 已存入位置 6", capture_->StatusText());
  EXPECT_TRUE(Log().empty());
}

TEST_F(ParcelCaptureTest, EveryFailedUploadIsShownAndLogged) {
  struct Case {
    const char* name;
    std::vector<std::string> replies;
    std::vector<int> results;
    bool wideFrame;  // a frame the JPEG encoder refuses
    UploadOutcome::Result result;
    size_t requests;
    const char16_t* status;
  } cases[] = {
      {"no reply", {""}, {-7}, false, UploadOutcome::Result::NoPosition, 1,
       u"#74005 未存：没有位置（-7）"},
      {"server error", {"{\"ReturnValue\":-406}"}, {}, false, UploadOutcome::Result::NoPosition, 1,
       u"#74005 未存：没有位置（-406）"},
      {"all taken", {ProcedureReply(-2)}, {}, false, UploadOutcome::Result::PositionRefused, 1,
       u"#74005 未存：位置被拒（-2）"},
      {"beyond 255", {ProcedureReply(256)}, {}, false, UploadOutcome::Result::PositionRefused, 1,
       u"#74005 未存：位置被拒（256）"},
      {"update refused", {ProcedureReply(1), "{\"ReturnValue\":-406}"}, {}, false,
       UploadOutcome::Result::NotStored, 2, u"#74005 未存：更新失败（-406）"},
      {"update lost", {ProcedureReply(1), ""}, {60, -5}, false, UploadOutcome::Result::NotStored, 2,
       u"#74005 未存：更新失败（-5）"},
      {"not encodable", {}, {}, true, UploadOutcome::Result::NotEncoded, 0,
       u"#74005 未存：图像无法编码"},
  };
  capture_->SetKind(5);
  for (const Case& c : cases) {
    std::filesystem::remove(folder_ / "LOG_ZIZ" / "capture.log");
    sent_.clear();
    replies_ = c.replies;
    results_ = c.results;
    source_.frame = c.wideFrame ? cameratest::TestFrame(70000, 2) : cameratest::TestFrame();
    // The hand-over page names only the record id.
    capture_->SetParcel(74005, 3, "");
    EXPECT_EQ(74005, capture_->Capture(window_.get())) << c.name;
    EXPECT_EQ(c.requests, sent_.size()) << c.name;
    EXPECT_EQ(c.status, capture_->StatusText()) << c.name;
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find(Utf8FromWide(c.status) + " [irid 74005, kind 5, position 20]"))
        << c.name << ": " << log;
    EXPECT_EQ(c.result, capture_->LastUpload().result) << c.name;
  }
  EXPECT_EQ(0u, boxes_.Count());
}

}  // namespace
