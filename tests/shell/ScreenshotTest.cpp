// Renders the login dialog, the main frame and the frame's dialogs offscreen
// into PNG files under <build>/screenshots, for a person to look at.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

#include "common/LanguageTable.h"
#include "server/ServerLink.h"
#include "shell/AboutDlg.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrame.h"
#include "shell/MenuLocalizer.h"
#include "shell/PasswordChangeDlg.h"
#include "shell/ScreenLockDlg.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

struct FixedClock : FrameClock {
  QDateTime Now() const override { return QDateTime(QDate(2026, 12, 8), QTime(19, 30, 5)); }
  uint32_t TickCount() const override { return 5000; }
  uint32_t LastInputTick() const override { return 4000; }
};

QString Save(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  QImage image = widget.grab().toImage();
  EXPECT_FALSE(image.isNull());
  EXPECT_TRUE(image.save(path)) << path.toStdString();
  return path;
}

class ScreenshotTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { shelltest::LoadProgramLanguage(GetParam()); }
  QString Suffix() const { return QStringLiteral("_") + GetParam(); }
  shelltest::TempFolder folder_;
  CServerLink link_;
};

TEST_P(ScreenshotTest, LoginDialog) {
  CLoginDlg dialog(1, link_, folder_.Folder());
  dialog.AccountEdit()->setText(QStringLiteral("zhang"));
  dialog.PasswordEdit()->setText(QStringLiteral("secret"));
  dialog.show();
  dialog.adjustSize();
  Save(dialog, "login" + Suffix());
}

TEST_P(ScreenshotTest, MainFrame) {
  CMainFrame frame(link_, std::make_unique<FixedClock>());
  frame.Timer().stop();
  frame.setWindowTitle(QStringLiteral("Brantle - 深圳站 / 张三"));
  auto* centre = new QLabel(&frame);
  centre->setAutoFillBackground(true);
  frame.setCentralWidget(centre);
  std::array<int32_t, 200> rights{};
  for (int flag : {9, 10, 29, 34, 36, 33, 189}) rights[static_cast<size_t>(flag)] = 1;
  LocalizeMenu(frame, AppLanguage(), rights, true);
  frame.resize(1100, 560);
  frame.show();
  frame.OnTimer();
  frame.SetCurrentOperation(u"当前操作：快速录入 (0)", QColor(0, 128, 128));
  Save(frame, "mainframe" + Suffix());
}

TEST_P(ScreenshotTest, FrameDialogs) {
  link_.userNameW = u"张三";
  link_.account = u"zhang";
  CScreenLockDlg lock(link_);
  lock.resize(420, 190);
  lock.show();
  Save(lock, "screenlock" + Suffix());
  CPasswordChangeDlg change(false);
  change.show();
  change.adjustSize();
  Save(change, "passwordchange" + Suffix());
  CAboutDlg about;
  about.show();
  about.adjustSize();
  Save(about, "about" + Suffix());
}

INSTANTIATE_TEST_SUITE_P(Languages, ScreenshotTest, ::testing::Values("00", "01"));

}  // namespace
