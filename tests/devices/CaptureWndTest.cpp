// The capture window over fake frame sources: which driver a connection
// takes, its three tries, the question before a second connection, the
// preview rate, the grab into a bitmap file that stops at the first failing
// step, and the status and error reports.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <filesystem>
#include <fstream>

#include "devices/CaptureWnd.h"
#include "image/RasterImage.h"
#include "platform/MessageBox.h"
#include "tests/TempFolder.h"
#include "tests/devices/FakeFrameSource.h"

namespace {

using cameratest::FakeFrameSource;

class CaptureWndTest : public testsupport::TempFolderTest {
 protected:
  std::unique_ptr<CCaptureWnd> Make(int frameRate = 10) {
    return std::make_unique<CCaptureWnd>(source_, 0, 0, 320, 240, &parent_, u"", 100, frameRate);
  }

  QWidget parent_;
  FakeFrameSource source_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(CaptureWndTest, DriverIndexChoosesThePresentDriver) {
  source_.driverIndexes = {0, 3};
  struct Case {
    int asked;
    int result;
    const char* connected;  // nullptr: nothing connected, the box shown
  } cases[] = {{-1, 1, "connect 0"}, {3, 1, "connect 3"}, {0, 1, "connect 0"},
               {5, 0, nullptr},      {1, 0, nullptr},      {12, 1, "connect 0"}};
  for (const Case& c : cases) {
    source_.log.clear();
    boxes_.Clear();
    auto window = Make();
    EXPECT_EQ(2, window->DriverCount());
    EXPECT_EQ(c.result, window->Connect(c.asked)) << c.asked;
    if (c.connected != nullptr) {
      EXPECT_EQ(std::vector<std::string>{c.connected}, source_.log) << c.asked;
      EXPECT_EQ(0u, boxes_.Count());
      EXPECT_TRUE(CCaptureWnd::Connected());
      ASSERT_NE(nullptr, window->Window());
      EXPECT_EQ(&parent_, window->Window()->parentWidget());
      EXPECT_EQ(QRect(0, 0, 320, 240), window->Window()->geometry());
    } else {
      EXPECT_TRUE(source_.log.empty()) << c.asked;
      EXPECT_EQ(u"设备不可用(Device unavailable)", boxes_.LastText());
      EXPECT_EQ(nullptr, window->Window());
    }
    window.reset();
    EXPECT_FALSE(CCaptureWnd::Connected());
  }
  // No driver at all.
  source_.driverIndexes.clear();
  boxes_.Clear();
  EXPECT_EQ(0, Make()->Connect(-1));
  EXPECT_EQ(u"设备不可用(Device unavailable)", boxes_.LastText());
}

TEST_F(CaptureWndTest, TheThirdTryConnectsAndAFourthIsNeverMade) {
  source_.refusals = 2;
  auto window = Make();
  EXPECT_EQ(1, window->Connect(-1));
  EXPECT_EQ(3, source_.attempts);
  EXPECT_EQ(0u, boxes_.Count());
  window.reset();

  // Three refusals: the window goes and the operator is told.
  source_.refusals = 3;
  source_.attempts = 0;
  window = Make();
  EXPECT_EQ(0, window->Connect(-1));
  EXPECT_EQ(3, source_.attempts);
  EXPECT_EQ(u"不能创建视频窗口(Can't create capture window)", boxes_.LastText());
  EXPECT_EQ(nullptr, window->Window());
  EXPECT_FALSE(CCaptureWnd::Connected());
  EXPECT_TRUE(parent_.findChildren<CCapturePreview*>().isEmpty());

  // A camera that never delivers a frame never connects.
  source_.attempts = 0;
  source_.deliversFrames = false;
  boxes_.Clear();
  EXPECT_EQ(0, Make()->Connect(-1));
  EXPECT_EQ(3, source_.attempts);
  EXPECT_EQ(1u, boxes_.Count());
}

TEST_F(CaptureWndTest, ASecondConnectionAsksFirst) {
  auto window = Make();
  ASSERT_EQ(1, window->Connect(-1));
  const char16_t* question = u"设备正在使用，是否将其断开?(Device is using,disconnect it or not?)";
  // No: everything stays as it was, and the answer is "connected".
  boxes_.QueueAnswer(platform::kIdNo);
  EXPECT_EQ(1, window->Connect(-1));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(question, boxes_.LastText());
  EXPECT_EQ(platform::kMbYesNo, boxes_.Messages()[0].flags & platform::kMbTypeMask);
  EXPECT_EQ((std::vector<std::string>{"connect 0"}), source_.log);
  // Yes: disconnected and connected again.
  boxes_.QueueAnswer(platform::kIdYes);
  EXPECT_EQ(1, window->Connect(-1));
  EXPECT_EQ((std::vector<std::string>{"connect 0", "disconnect", "connect 0"}), source_.log);
  EXPECT_TRUE(CCaptureWnd::Connected());
  EXPECT_EQ(1, parent_.findChildren<CCapturePreview*>().size());
}

TEST_F(CaptureWndTest, PreviewRateFollowsTheFrameRate) {
  struct Case {
    int framesPerSecond;
    int milliseconds;
  } cases[] = {{10, 100}, {15, 66}, {30, 33}, {1, 1000}};
  for (const Case& c : cases) {
    source_.log.clear();
    auto window = Make(c.framesPerSecond);
    EXPECT_EQ(c.milliseconds, window->PreviewRateMs());
    EXPECT_FALSE(window->StartPreview()) << "no window yet";
    ASSERT_EQ(1, window->Connect(-1));
    EXPECT_TRUE(window->StartPreview());
    EXPECT_TRUE(window->Window()->Refreshing());
    EXPECT_TRUE(window->StopPreview());
    EXPECT_FALSE(window->Window()->Refreshing());
    EXPECT_EQ((std::vector<std::string>{"connect 0", "preview on " + std::to_string(c.milliseconds),
                                        "preview off"}),
              source_.log);
  }
}

TEST_F(CaptureWndTest, GrabWritesTheFrameAndAFailingStepWritesNoFile) {
  const std::string path = (folder_ / "cappic.dib").string();
  auto window = Make();
  EXPECT_EQ(0, window->GrabToDib(path)) << "no window";
  ASSERT_EQ(1, window->Connect(-1));
  for (int step : {1, 2, 3}) {
    source_.failingGrabStep = step;
    EXPECT_EQ(0, window->GrabToDib(path)) << step;
    EXPECT_FALSE(std::filesystem::exists(path)) << step;
  }
  source_.failingGrabStep = 0;
  ASSERT_EQ(1, window->GrabToDib(path));
  CRasterImage stored(path.c_str(), FormatUnknown);
  ASSERT_TRUE(stored.IsValid());
  EXPECT_EQ(FormatBmp, stored.GetType());
  ASSERT_EQ(320u, stored.GetWidth());
  ASSERT_EQ(240u, stored.GetHeight());
  // The bitmap's rows run bottom-up: row y of the frame is bitmap row 239 - y.
  for (auto [x, y] : {std::pair{0, 0}, std::pair{319, 0}, std::pair{0, 239}, std::pair{200, 100}}) {
    const QRgb want = source_.frame.pixel(x, y);
    const RGBQUAD got = stored.GetPixelColor(x, 239 - y);
    EXPECT_EQ(qRed(want), got.rgbRed) << x << "," << y;
    EXPECT_EQ(qGreen(want), got.rgbGreen) << x << "," << y;
    EXPECT_EQ(qBlue(want), got.rgbBlue) << x << "," << y;
  }
  // A frame that never came writes nothing either.
  std::filesystem::remove(path);
  source_.frame = QImage();
  EXPECT_EQ(0, window->GrabToDib(path));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(CaptureWndTest, StatusSetsTheWindowTextAndErrorsShowTheirNumber) {
  auto window = Make();
  ASSERT_EQ(1, window->Connect(-1));
  source_.onStatus(300, u"Capture begins");
  EXPECT_EQ(QStringLiteral("Capture begins : Status # 300"), window->WindowText());
  source_.onStatus(301, u"done");
  EXPECT_EQ(QStringLiteral("已捕0秒.done : Status # 301"), window->WindowText());
  source_.onStatus(0, u"");
  EXPECT_EQ(QApplication::applicationName(), window->WindowText());

  source_.onError(0, u"nothing");
  EXPECT_EQ(0u, boxes_.Count());
  source_.onError(7, u"Camera lost");
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"号码# 7 : Camera lost", boxes_.LastText());
  EXPECT_EQ(platform::kMbIconWarning, boxes_.Messages()[0].flags & platform::kMbIconMask);
  // Closed: the reports are no longer the window's.
  window->Close();
  EXPECT_FALSE(source_.onError);
}

}  // namespace
