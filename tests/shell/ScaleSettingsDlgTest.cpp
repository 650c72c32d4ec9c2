// The scale settings dialog against a scale on a pseudo-terminal: the copy
// it edits, one reading and the live stream, the port closed with the
// dialog, the save and a file that cannot be written; screenshots with a
// live reading in both languages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <sys/ioctl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "common/LanguageTable.h"
#include "devices/ScalePort.h"
#include "devices/ScaleReader.h"
#include "platform/MessageBox.h"
#include "shell/ScaleSettingsDlg.h"
#include "tests/QtTestSupport.h"
#include "tests/TempFolder.h"
#include "tests/devices/ScaleLine.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

using testsupport::WaitUntil;

class ScaleSettingsDlgTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(line_.Ready());
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    reader_.LoadSettings(Folder(), port_);
    ScaleSettings& s = reader_.settings;
    s.useFlag = 1;
    s.kind = 1;
    s.frameLength = 8;
    s.startByte = '=';
    s.SetDevicePath(line_.DevicePath());
    reader_.BuildLineSettings();
  }
  void TearDown() override {
    dialog_.reset();
    TempFolderTest::TearDown();
  }
  std::string Folder() const { return folder_.string() + "/"; }
  void Make(std::string saveFolder = {}) {
    if (saveFolder.empty()) saveFolder = Folder();
    dialog_ = std::make_unique<CScaleSettingsDlg>(
        reader_, [this, saveFolder] { return reader_.SaveSettings(saveFolder); });
    dialog_->show();
  }
  void Retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
  }
  // The scale sends a frame; true once the weight field reads `shown`.
  bool Weighs(const std::string& frame, const QString& shown) {
    EXPECT_TRUE(line_.Send(frame));
    return WaitUntil([&] { return dialog_->WeightField()->text() == shown; });
  }
  void Shot(const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(dialog_->grab().toImage().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") +
                                               name + ".png"));
  }
  // Bytes the scale sent that nobody has read yet.
  int Queued() const {
    int queued = -1;
    ::ioctl(line_.SlaveFd(), FIONREAD, &queued);
    return queued;
  }
  std::string FileBytes() const {
    std::ifstream in(folder_ / "balanceset.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  testsupport::ScaleLine line_;
  CScalePort port_;
  CScaleReader reader_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scopedBoxes_{&boxes_};
  std::unique_ptr<CScaleSettingsDlg> dialog_;
};

TEST_F(ScaleSettingsDlgTest, OneReadingTheLiveStreamAndThePortClosedWithTheDialog) {
  Make();
  EXPECT_TRUE(dialog_->UseBox()->isChecked());
  EXPECT_EQ(QString::fromStdString(line_.DevicePath()), dialog_->PortBox()->currentText());
  EXPECT_EQ(QStringLiteral("1200"), dialog_->BaudRateField()->text());
  EXPECT_EQ(QStringLiteral("8"), dialog_->FrameLengthField()->text());
  EXPECT_EQ(QStringLiteral("="), dialog_->StartCharacterField()->text());
  EXPECT_EQ(1, dialog_->KindBox()->currentIndex());
  EXPECT_TRUE(dialog_->ContinuousButton()->isChecked());
  EXPECT_TRUE(dialog_->OkButton()->isDefault());
  EXPECT_EQ(QStringLiteral("同步称重"), dialog_->LiveButton()->text());

  // An edit stays in the dialog's copy.
  Retype(dialog_->BaudRateField(), QStringLiteral("9600"));
  EXPECT_EQ(1200, reader_.settings.baudRate);

  // One reading, zero, and a frame that does not parse.
  QTest::mouseClick(dialog_->ReadButton(), Qt::LeftButton);
  ASSERT_TRUE(reader_.IsOpen());
  EXPECT_TRUE(Weighs("=0012.5=0012.5=", QStringLiteral("12.500")));
  EXPECT_TRUE(Weighs("=0000.0=0000.0=", QStringLiteral("0")));
  EXPECT_TRUE(line_.Send("#0012.5#0012.5#"));
  EXPECT_TRUE(WaitUntil([&] { return Queued() == 0; }));  // taken by the dialog
  QCoreApplication::processEvents();
  EXPECT_EQ(QStringLiteral("0"), dialog_->WeightField()->text());

  // The live stream: on, readings, off.
  QTest::mouseClick(dialog_->LiveButton(), Qt::LeftButton);
  EXPECT_TRUE(dialog_->LiveReading());
  EXPECT_EQ(QStringLiteral("停止同步"), dialog_->LiveButton()->text());
  EXPECT_TRUE(reader_.IsOpen());
  EXPECT_TRUE(Weighs("=0002.5=0002.5=", QStringLiteral("2.500")));
  EXPECT_TRUE(Weighs("=0003.75=0003.75", QStringLiteral("3.750")));
  QTest::mouseClick(dialog_->LiveButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog_->LiveReading());
  EXPECT_EQ(QStringLiteral("同步称重"), dialog_->LiveButton()->text());
  EXPECT_FALSE(reader_.IsOpen());

  // Live again, then "结束退出": the port closes with the dialog.
  QTest::mouseClick(dialog_->LiveButton(), Qt::LeftButton);
  ASSERT_TRUE(reader_.IsOpen());
  QTest::mouseClick(dialog_->CancelButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_FALSE(reader_.IsOpen());

  // Opened by one reading, closed by the dialog's end.
  Make();
  QTest::mouseClick(dialog_->ReadButton(), Qt::LeftButton);
  ASSERT_TRUE(reader_.IsOpen());
  dialog_.reset();
  EXPECT_FALSE(reader_.IsOpen());
  // Nothing was saved.
  EXPECT_FALSE(std::filesystem::exists(folder_ / "balanceset.ini"));
  EXPECT_EQ(1200, reader_.settings.baudRate);
}

TEST_F(ScaleSettingsDlgTest, TheSaveWritesTheFileAndRebuildsTheLineSettings) {
  Make();
  Retype(dialog_->BaudRateField(), QStringLiteral("9600"));
  Retype(dialog_->DataBitsField(), QStringLiteral("7"));
  dialog_->ParityBox()->setFocus();
  QTest::keyClick(dialog_->ParityBox(), Qt::Key_Down);  // O
  QTest::keyClick(dialog_->ParityBox(), Qt::Key_Down);  // E
  QTest::mouseClick(dialog_->StableButton(), Qt::LeftButton);
  Retype(dialog_->FrameLengthField(), QStringLiteral("-1"));
  Retype(dialog_->StartCharacterField(), QStringLiteral("0x3d"));
  QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);

  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"设置已经保存。", boxes_.LastText());
  EXPECT_EQ(platform::kMbOk, boxes_.Messages()[0].flags);
  EXPECT_TRUE(dialog_->isVisible());  // the dialog stays open
  const ScaleSettings& s = reader_.settings;
  EXPECT_EQ(9600, s.baudRate);
  EXPECT_EQ(7, s.dataBits);
  EXPECT_EQ(2, s.parityCode);
  EXPECT_EQ(1, s.transmissionMode);
  EXPECT_EQ(0, s.frameLength);
  EXPECT_EQ(61, s.startByte);
  EXPECT_EQ(line_.DevicePath(), s.DevicePath());
  EXPECT_EQ(u"baud=9600 data=7 parity=E stop=1", reader_.LineSettingsText());

  // The file read back byte for byte.
  const auto block = s.Encode();
  EXPECT_EQ(std::string(block.begin(), block.end()), FileBytes());
  ScaleSettings readBack;
  ASSERT_EQ(1, ReadScaleSettingsFile(Folder(), readBack));
  EXPECT_EQ(block, readBack.Encode());

  // A kind change to 9 brings its defaults, the port back to COM1.
  dialog_->KindBox()->setFocus();
  dialog_->KindBox()->setCurrentIndex(9);
  EXPECT_EQ(QStringLiteral("COM1"), dialog_->PortBox()->currentText());
  EXPECT_EQ(QStringLiteral("600"), dialog_->BaudRateField()->text());
  EXPECT_EQ(QStringLiteral("14"), dialog_->FrameLengthField()->text());
  EXPECT_EQ(QStringLiteral("0x00"), dialog_->StartCharacterField()->text());
  EXPECT_TRUE(dialog_->ContinuousButton()->isChecked());
  EXPECT_EQ(0, dialog_->ParityBox()->currentIndex());
  EXPECT_EQ(9600, reader_.settings.baudRate);  // not saved yet
}

TEST_F(ScaleSettingsDlgTest, AFileThatCannotBeWrittenKeepsTheNewValuesInMemory) {
  Make("/proc/no-such-folder/");
  Retype(dialog_->BaudRateField(), QStringLiteral("4800"));
  QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"文件打开错误，设置未能保存。", boxes_.LastText());
  EXPECT_EQ(4800, reader_.settings.baudRate);
  // The line settings stay as they were until a save succeeds.
  EXPECT_EQ(u"baud=1200 data=8 parity=N stop=1", reader_.LineSettingsText());
}

// Saving the scale as not in use while it streams lets the port go and
// ends the live reading; saving it in use keeps the stream.
TEST_F(ScaleSettingsDlgTest, SavingTheScaleAsNotInUseClosesTheLivePort) {
  Make();
  QTest::mouseClick(dialog_->LiveButton(), Qt::LeftButton);
  ASSERT_TRUE(reader_.IsOpen());
  QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
  EXPECT_TRUE(reader_.IsOpen());
  EXPECT_TRUE(dialog_->LiveReading());
  EXPECT_TRUE(Weighs("=0002.5=0002.5=", QStringLiteral("2.500")));

  dialog_->UseBox()->setFocus();
  QTest::keyClick(dialog_->UseBox(), Qt::Key_Space);
  ASSERT_FALSE(dialog_->UseBox()->isChecked());
  QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
  ASSERT_EQ(2u, boxes_.Count());
  EXPECT_EQ(u"设置已经保存。", boxes_.LastText());
  EXPECT_EQ(0, reader_.settings.useFlag);
  EXPECT_FALSE(reader_.IsOpen());
  EXPECT_FALSE(dialog_->LiveReading());
  EXPECT_EQ(QStringLiteral("同步称重"), dialog_->LiveButton()->text());
}

TEST_F(ScaleSettingsDlgTest, ScreenshotsWithALiveReading) {
  for (const char* language : {"00", "01"}) {
    SCOPED_TRACE(language);
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    Make();
    QTest::mouseClick(dialog_->LiveButton(), Qt::LeftButton);
    ASSERT_TRUE(Weighs("=0012.5=0012.5=", QStringLiteral("12.500")));
    Shot(QStringLiteral("scale_settings_dialog_") + (language == std::string("00") ? "zh" : "en"));
    dialog_.reset();
  }
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
}

}  // namespace
