// The field update's file choice, driven as the operator does: a CSV file
// whose header names the fields, the overwrite check, the number kind, and
// a file without the waybill number column.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "shipping/RecordCheckUpdateDlg.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

namespace fs = std::filesystem;

std::string G(const char* utf8) { return GbkFromWide(QString::fromUtf8(utf8).toStdU16String()); }

class RecordCheckUpdateDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    folder_ = fs::temp_directory_path() / ("brantle-update-dlg-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::u16string File(const char* name, const char* utf8) {
    std::ofstream(folder_ / name, std::ios::binary) << G(utf8);
    return (folder_ / name).u16string();
  }
  fs::path folder_;
};

TEST_F(RecordCheckUpdateDlgTest, TheHeaderNamesTheFieldsAndTheOperatorSetsTheOptions) {
  CRecordCheckUpdateDlg dialog;
  dialog.show();
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  dialog.SetPath(File("update.csv", "备注,运单号,收件人,不认识\r\nx,BR10000001,y,z\r\n"));
  EXPECT_TRUE(dialog.OkButton()->isEnabled());
  EXPECT_EQ(3, dialog.Fields()->count());
  QTest::mouseClick(dialog.OverwriteCheck(), Qt::LeftButton);
  QTest::mouseClick(dialog.TransferRadio(), Qt::LeftButton);
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(dialog.grab().toImage().save(
      QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/record_check_update_dialog.png")));
  QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  const FieldUpdateChoice& c = dialog.Choice();
  EXPECT_TRUE(c.csv);
  EXPECT_TRUE(c.overwrite);
  EXPECT_TRUE(c.transferNumber);
  EXPECT_EQ(2, c.columns[0]);
  EXPECT_EQ(3, c.columns[23]);
  EXPECT_EQ(1, c.columns[57]);
  EXPECT_EQ(1, c.headerRecord);
}

TEST_F(RecordCheckUpdateDlgTest, AHeaderInALaterRecordAndAFileWithoutTheNumberColumn) {
  CRecordCheckUpdateDlg dialog;
  dialog.SetPath(File("later.csv", "导出表\r\n运单号,标签\r\nBR10000001,A\r\n"));
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  dialog.HeaderRecord()->setValue(2);
  EXPECT_TRUE(dialog.OkButton()->isEnabled());
  EXPECT_EQ(2, dialog.Choice().headerRecord);
  EXPECT_EQ(2, dialog.Choice().columns[3]);

  dialog.SetPath(File("nokey.csv", "标签,备注\r\nA,B\r\n"));
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  dialog.accept();
  EXPECT_NE(QDialog::Accepted, dialog.result());
}

}  // namespace
