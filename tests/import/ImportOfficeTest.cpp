// Pages 7 and 6 end to end: 1,000-row workbooks written through the office
// suite, the panel filled with keys, the import started with a click, the
// workbook chosen in the file dialog with keys, every row sent to the
// stand-in.  The list, the clipboard, the final message and the stand-in's
// tables are checked row by row.  Also: the header template read back, a
// sheet whose 运单号 stands in column 5, and the record update's file dialog
// on a workbook.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "../office/OfficeTestEnv.h"
#include "app/ImportServices.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "import/TrackImportPage.h"
#include "import/TransferNoImportPage.h"
#include "office/ExcelSession.h"
#include "platform/QtMessageBox.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "shipping/FileUpdateDlg.h"
#include "shell/AppSettings.h"
#include "ui/ColorButton.h"
#include "tests/QtTestSupport.h"
#include "tests/shell/StandInSuite.h"
#include "ui/ViewHost.h"

namespace {

namespace fs = std::filesystem;

::testing::Environment* const kOffice = ::testing::AddGlobalTestEnvironment(
    new officetest::OfficeEnvironment(officetest::OfficeEnvironment::kHoldSuite));

std::u16string W(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }
std::string U8(const std::u16string& w) { return QString::fromStdU16String(w).toStdString(); }
std::u16string N(long long v) { return QString::number(v).toStdU16String(); }

class TestHost : public CViewHost {
 public:
  explicit TestHost(CBrantleClientApp* app) : app_(app) {}
  CBrantleClientApp* Application() override { return app_; }
  QSize ScreenSize() const override { return QSize(1280, 768); }

 private:
  CBrantleClientApp* app_;
};

sqlite3* OpenDb(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_busy_timeout(db, 10000);
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* a, int n2, const void* b) {
                             int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
                             return c ? c : n1 - n2;
                           });
  return db;
}

std::vector<std::vector<std::string>> Query(const std::string& path, const std::string& sql) {
  sqlite3* db = OpenDb(path);
  sqlite3_stmt* st = nullptr;
  std::vector<std::vector<std::string>> rows;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
  } else {
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const unsigned char* t = sqlite3_column_text(st, c);
        row.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
      }
      rows.push_back(std::move(row));
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

void Exec(const std::string& path, const std::string& sql) {
  sqlite3* db = OpenDb(path);
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    ADD_FAILURE() << (error ? error : "") << " in " << sql;
    sqlite3_free(error);
  }
  sqlite3_close(db);
}

void SaveScreenshot(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(widget.grab().toImage().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png"));
}

// Twenty characters outside GBK and an apostrophe: too long for the
// reference form in 255 bytes, so the text travels as "?B?".
std::u16string LongForm() {
  std::u16string t = u"It's ";
  for (int i = 0; i < 20; ++i) t += u"\U0001F69A";
  return t;
}

using SheetRow = std::vector<std::u16string>;

class ImportOffice : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-TRACK47");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    app_.hooks.setClipboardText = [this](const std::u16string& text) {
      clipboard_ = text;
      return 1;
    };
    app_.hooks.pickFromList = [](const std::vector<std::u16string>& items, const std::u16string&) {
      return items.empty() ? -1 : static_cast<int>(items.size()) - 1;
    };
    boxes_.SetBoxRunner([this](QMessageBox& box) {
      shown_.push_back(box.text().toStdU16String());
      return static_cast<int>(QMessageBox::Yes);
    });
  }
  void Start(const std::string& language) {
    shelltest::LoadProgramLanguage(language);
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadServiceKinds());
  }
  void TearDown() override {
    track_.reset();
    transfer_.reset();
    app_.Link().Logout();
  }

  template <typename Page>
  Page& Open(std::unique_ptr<Page>& page, int index) {
    page = std::make_unique<Page>();
    page->makeServices = MakeImportServices;
    page->host = &host_;
    page->index = index;
    page->CreatePageWindow(nullptr, QSize(1280, 720));
    page->OnPageCreated();
    page->resize(1280, 720);
    page->show();
    QApplication::setActiveWindow(page.get());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    return *page;
  }

  void Type(QWidget* target, const QString& text) {
    for (QChar c : text) {
      if (c.unicode() < 128) {
        QTest::keyClick(target, c.toLatin1());
      } else {
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
      }
    }
  }

  std::u16string Workbook(const std::string& name, const std::vector<const char*>& headers,
                          const std::vector<SheetRow>& rows) {
    const std::u16string path = (officetest::TestFolder() / name).u16string();
    CExcelSession book;
    book.SetOverwriteQuestion(false);
    EXPECT_EQ(1, book.CreateWorkbook({}, path, {}, false)) << U8(book.LastError());
    for (size_t c = 0; c < headers.size(); ++c) book.SetCellText(1, static_cast<int>(c) + 1, W(headers[c]));
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c)
        if (!rows[r][c].empty()) book.SetCellText(static_cast<int>(r) + 2, static_cast<int>(c) + 1, rows[r][c]);
    EXPECT_EQ(1, book.SaveAndClose()) << U8(book.LastError());
    return path;
  }

  // Answers the next file dialog with the path, typed into its name box: a
  // timer looks for the dialog while the page's call waits in it.
  void AnswerFileDialog(const std::u16string& path, bool* answered) {
    auto* timer = new QTimer;
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [this, timer, path, answered] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      timer->stop();
      timer->deleteLater();
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name == nullptr) {
        dialog->reject();
        return;
      }
      const fs::path file(path);
      dialog->setDirectory(QString::fromStdU16String(file.parent_path().u16string()));
      name->setCompleter(nullptr);
      name->setFocus();
      Type(name, QString::fromStdU16String(file.filename().u16string()));
      QTest::keyClick(name, Qt::Key_Return);
      *answered = true;
      QTimer::singleShot(3000, dialog, [dialog] {
        if (dialog->isVisible()) dialog->reject();
      });
    });
    timer->start();
  }

  // Clicks the panel's import button, answers the file dialog, waits for
  // the final message.
  void RunImport(CImportPanelDlg& panel, const std::u16string& path) {
    bool answered = false;
    const size_t before = shown_.size();
    AnswerFileDialog(path, &answered);
    QTest::mouseClick(panel.ImportButton(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return shown_.size() > before; }, 480000));
    EXPECT_TRUE(answered);
  }

  std::string Db() const { return server_->Database(); }

  shelltest::TempFolder folder_;
  platform::QtMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  std::vector<std::u16string> shown_;
  std::u16string clipboard_;
  CBrantleClientApp app_;
  TestHost host_{&app_};
  std::unique_ptr<CTrackImportPage> track_;
  std::unique_ptr<CTransferNoImportPage> transfer_;
};

std::u16string Line(int id, int row, const std::u16string& number, int reason) {
  std::u16string t = AppLanguage().Text(id);
  t.replace(t.find(u"%1"), 2, N(row));
  return t + number + u", " + AppLanguage().Text(reason) + u"\r\n";
}

std::u16string Summary(int stored, int refused, int skipped) {
  std::u16string t = AppLanguage().Text(712001);
  t.replace(t.find(u"%1"), 2, N(stored));
  t.replace(t.find(u"%2"), 2, N(refused));
  t.replace(t.find(u"%3"), 2, N(skipped));
  return t;
}

// Page 7, in English: 1,000 rows, events to the range 50-99 by waybill number.
TEST_F(ImportOffice, TrackEventsFromAThousandRowWorkbook) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  // 500 waybills of the case's own, ids from 9,000,001.
  Exec(Db(),
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<500) "
       "INSERT INTO client_rec(irid,icid,cnum,cserviceno,crno,cemskind,ddate,bpay,ifid,famount) "
       "SELECT 9000000+i,1,printf('TKA%04d',i),'','','IMP75A','2019-06-01 00:00:00',0,0,0 FROM n;");
  CTrackImportPage& page = Open(track_, 7);
  CTrackImportDlg& panel = *page.Form();
  // The place typed, the position 50-99 chosen with a click; the event text
  // default stays empty, so rows without one are skipped.
  panel.PlaceEdit()->setFocus();
  Type(panel.PlaceEdit(), QStringLiteral("Shenzhen"));
  QTest::mouseClick(panel.PositionButton(1), Qt::LeftButton);

  std::vector<SheetRow> rows;
  struct Expect {
    int row;
    std::u16string number, date, place, text;
    int reason;  // 0 stored, -1 skipped, else the refusal text
  };
  std::vector<Expect> expected;
  int stored = 0, refused = 0, skipped = 0;
  std::u16string failures;
  for (int i = 0; i < 1000; ++i) {
    const int sheetRow = i + 2;
    SheetRow r(4);
    r[0] = u"TKA" + QString::asprintf("%04d", i % 500 + 1).toStdU16String();
    r[1] = u"2026-12-10 08:" + QString::asprintf("%02d", i % 60).toStdU16String();
    r[2] = i % 10 == 5 ? W("Zürich \xF0\x9F\x9A\x9A") : u"";
    r[3] = i % 10 == 3 ? W("O'Brien's 收件") : u"Arrived " + N(i);
    if (i % 10 == 1) r[1] += u":30";  // seconds: cut
    if (i % 100 == 9) r[3] = LongForm();
    int reason = 0;
    if (i % 50 == 7) {
      r[0] = u"NOPE" + N(i);
      reason = 21002;
    } else if (i % 50 == 17) {
      r[1] = u"2026-13-45 10:00";
      reason = 270104;
    } else if (i % 50 == 27) {
      r[0] = u"TK47-FULL";
      reason = 270105;
    } else if (i % 50 == 33) {
      r[3].clear();
      reason = -1;
    } else if (i % 50 == 43) {
      r[0].clear();
      reason = -1;
    }
    rows.push_back(r);
    std::u16string date = r[1].substr(0, 16);
    expected.push_back({sheetRow, r[0], date, r[2].empty() ? u"Shenzhen" : r[2], r[3], reason});
    if (reason == 0) ++stored;
    if (reason == -1) ++skipped;
    if (reason > 0) {
      ++refused;
      failures += Line(270103, sheetRow, r[0], reason);
    }
  }
  const std::u16string path = Workbook("track.xlsx", {"运单号", "日期时间", "服务地点", "详细信息"}, rows);
  ASSERT_NO_FATAL_FAILURE(RunImport(panel, path));

  EXPECT_EQ(failures, clipboard_);
  EXPECT_EQ(AppLanguage().Text(712000) + u"\n" + Summary(stored, refused, skipped), shown_.back());
  ASSERT_EQ(stored, page.grid->RowCount());
  int r = 0;
  for (const Expect& e : expected) {
    if (e.reason != 0) continue;
    EXPECT_EQ(N(r + 1), page.grid->CellText(r, 0));
    EXPECT_EQ(e.number, page.grid->CellText(r, 3)) << e.row;
    EXPECT_EQ(e.date, page.grid->CellText(r, 4)) << e.row;
    EXPECT_EQ(e.place, page.grid->CellText(r, 5)) << e.row;
    EXPECT_EQ(e.text, page.grid->CellText(r, 6)) << e.row;
    ++r;
  }
  // The stand-in holds one event per stored row, in 50-99, as the rows say.
  const auto events = Query(Db(),
                            "SELECT c.cnum,d.npos,d.cdate,d.cplace,d.cinfo,d.rowid FROM check_detail d "
                            "JOIN client_rec c ON c.irid=d.irid WHERE d.irid>9000000 ORDER BY d.rowid");
  ASSERT_EQ(static_cast<size_t>(stored), events.size());
  r = 0;
  for (const Expect& e : expected) {
    if (e.reason != 0) continue;
    const auto& row = events[static_cast<size_t>(r)];
    EXPECT_EQ(U8(e.number), row[0]);
    const int npos = std::stoi(row[1]);
    EXPECT_TRUE(npos >= 50 && npos <= 99) << npos;
    EXPECT_EQ(U8(e.date), row[2]);
    EXPECT_EQ(e.place, StringFromFieldText(GbkFromWide(W(row[3].c_str())))) << e.row;
    EXPECT_EQ(e.text, StringFromFieldText(GbkFromWide(W(row[4].c_str())))) << e.row;
    EXPECT_EQ(row[5], U8(page.grid->CellText(r, 1)));  // the event id
    EXPECT_EQ(row[1], U8(page.grid->CellText(r, 2)));  // the result: the position
    ++r;
  }
  // The apostrophe is stored once, in the reference form and in "?B?".
  EXPECT_EQ(1u, Query(Db(), "SELECT 1 FROM check_detail WHERE irid>9000000 AND cinfo='O''Brien''s 收件' LIMIT 1").size());
  const auto longForm = Query(Db(), "SELECT cinfo FROM check_detail WHERE irid>9000000 AND cinfo LIKE '?B?%' LIMIT 1");
  ASSERT_EQ(1u, longForm.size());
  EXPECT_EQ(LongForm(), StringFromFieldText(longForm[0][0]));
  // The full waybill got nothing more.
  EXPECT_EQ("0", Query(Db(), "SELECT count(*) FROM check_detail WHERE irid=47704 AND cdate LIKE '2026%'")[0][0]);
  SaveScreenshot(page, QStringLiteral("track_import_page_en"));

  // The shared row removal: the selected rows go, column 0 is renumbered.
  const std::u16string third = page.grid->CellText(3, 3);
  for (int k = 0; k < page.grid->RowCount(); ++k) page.grid->SetRowSelected(k, k < 3, false);
  platform::PostPrivateMessage(&page, kWmGridMenuCommand, 1, 0);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page.grid->RowCount() == stored - 3; }, 5 * 1000));
  EXPECT_EQ(third, page.grid->CellText(0, 3));
  EXPECT_EQ(u"1", page.grid->CellText(0, 0));
  EXPECT_EQ(N(stored - 3), page.grid->CellText(stored - 4, 0));
}

// Page 6, in Chinese: 1,000 rows by waybill number, with events, references
// and kinds.
TEST_F(ImportOffice, TransferNumbersFromAThousandRowWorkbook) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  Exec(Db(),
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<1000) "
       "INSERT INTO client_rec(irid,icid,cnum,cserviceno,crno,cemskind,ddate,bpay,ifid,famount) "
       "SELECT 9100000+i,1,printf('TKB%04d',i),'','','IMP75A','2019-06-01 00:00:00',0,0,0 FROM n;");
  const int logsBefore = std::stoi(Query(Db(), "SELECT count(*) FROM sys_log")[0][0]);
  CTransferNoImportPage& page = Open(transfer_, 6);
  CTransferNoImportDlg& panel = *page.Form();
  panel.EventEdit()->setFocus();
  Type(panel.EventEdit(), QStringLiteral("已转运"));

  std::vector<SheetRow> rows;
  struct Expect {
    int row;
    std::u16string number, transfer, reference, kind;
    bool event;
    int reason;
  };
  std::vector<Expect> expected;
  int stored = 0, refused = 0, skipped = 0, kinds = 0;
  std::u16string failures;
  for (int i = 0; i < 1000; ++i) {
    const int sheetRow = i + 2;
    SheetRow r(7);
    r[0] = u"TKB" + QString::asprintf("%04d", i + 1).toStdU16String();
    r[1] = u"TR47-" + N(i + 1);
    r[2] = i % 4 == 0 ? u"" : u"2026-12-10 09:15";
    r[3] = i % 10 == 5 ? W("Zürich \xF0\x9F\x9A\x9A") : W("香港");
    r[4] = i % 10 == 3 ? W("O'Brien's 中转") : u"";
    if (i % 100 == 9) r[4] = LongForm();
    r[5] = i % 5 == 2 ? u"R47-" + N(i) : u"";
    r[6] = i % 20 == 1 ? u"imp75b" : i % 20 == 11 ? u"NOKIND" : u"";
    int reason = 0;
    if (i % 50 == 7) {
      r[0] = u"NOPE" + N(i);
      reason = 21002;
    } else if (i % 50 == 17) {
      r[1] = u"TK47T-0003";  // another waybill's transfer number
      reason = 260104;
    } else if (i % 50 == 27) {
      r[0] = u"TK47-FULL";
      r[1] = u"TK47T-FULL";
      r[2] = u"2026-12-10 09:15";
      reason = 260105;
    } else if (i % 50 == 33) {
      r[1].clear();
      reason = -1;
    } else if (i % 50 == 43) {
      r[0].clear();
      reason = -1;
    }
    // An event: the date (own or the panel's) and a text (own or the panel's).
    const bool event = true;
    rows.push_back(r);
    expected.push_back({sheetRow, r[0], r[1], r[5], r[6], event, reason});
    if (reason == 0) {
      ++stored;
      if (r[6] == u"imp75b") ++kinds;
    }
    if (reason == -1) ++skipped;
    if (reason > 0) {
      ++refused;
      failures += Line(260103, sheetRow, r[0], reason);
    }
  }
  const std::u16string path = Workbook(
      "transfer.xlsx", {"运单号", "换单号", "日期时间", "服务地点", "详细信息", "参考号", "快递类别"}, rows);
  ASSERT_NO_FATAL_FAILURE(RunImport(panel, path));

  EXPECT_EQ(failures, clipboard_);
  EXPECT_EQ(AppLanguage().Text(260108) + u"\n" + Summary(stored, refused, skipped), shown_.back());
  ASSERT_EQ(stored, page.grid->RowCount());
  const auto waybills = Query(Db(),
                              "SELECT irid,cnum,cserviceno,crno,cemskind FROM client_rec WHERE irid>9100000 "
                              "AND cserviceno<>'' ORDER BY irid");
  ASSERT_EQ(static_cast<size_t>(stored), waybills.size());
  int r = 0;
  for (const Expect& e : expected) {
    if (e.reason != 0) continue;
    const auto& w = waybills[static_cast<size_t>(r)];
    EXPECT_EQ(U8(e.number), w[1]);
    EXPECT_EQ(U8(e.transfer), w[2]);
    EXPECT_EQ(U8(e.reference), w[3]);
    EXPECT_EQ(e.kind == u"imp75b" ? "IMP75B" : "IMP75A", w[4]) << e.row;
    EXPECT_EQ(e.number, page.grid->CellText(r, 3));
    EXPECT_EQ(e.transfer, page.grid->CellText(r, 4));
    EXPECT_EQ(e.reference, page.grid->CellText(r, 5));
    EXPECT_EQ(std::u16string(e.kind == u"imp75b" ? u"IMP75B" : u""), page.grid->CellText(r, 9)) << e.row;
    EXPECT_EQ(w[0], U8(page.grid->CellText(r, 1)));
    ++r;
  }
  // Every stored row carries its event in 50-99: the panel gives the time
  // to rows without a date and the text to rows without one.
  const auto events = Query(Db(),
                            "SELECT d.irid,d.npos,d.cinfo FROM check_detail d WHERE d.irid>9100000 ORDER BY d.irid");
  EXPECT_EQ(static_cast<size_t>(stored), events.size());
  for (const auto& ev : events) EXPECT_TRUE(std::stoi(ev[1]) >= 50 && std::stoi(ev[1]) <= 99);
  EXPECT_EQ(1u, Query(Db(), "SELECT 1 FROM check_detail WHERE irid>9100000 AND cinfo='O''Brien''s 中转' LIMIT 1").size());
  const auto longForm = Query(Db(), "SELECT cinfo FROM check_detail WHERE irid>9100000 AND cinfo LIKE '?B?%' LIMIT 1");
  ASSERT_EQ(1u, longForm.size());
  EXPECT_EQ(LongForm(), StringFromFieldText(longForm[0][0]));
  // One log line naming the counts.
  const auto logs = Query(Db(), "SELECT ckind,ctext,inum1,inum2 FROM sys_log ORDER BY rowid DESC LIMIT 1");
  EXPECT_EQ(logsBefore + 1, std::stoi(Query(Db(), "SELECT count(*) FROM sys_log")[0][0]));
  ASSERT_EQ(1u, logs.size());
  EXPECT_EQ("修改", logs[0][0]);
  EXPECT_EQ("导入换单号 " + std::to_string(stored) + " 票,修改快递类别 " + std::to_string(kinds) + " 票", logs[0][1]);
  EXPECT_EQ("0", logs[0][2]);
  EXPECT_EQ("1", logs[0][3]);
  SaveScreenshot(page, QStringLiteral("transfer_import_page_zh"));

  // Command 0 keeps the selected rows only, renumbered.
  const std::u16string kept = page.grid->CellText(5, 3);
  for (int k = 0; k < page.grid->RowCount(); ++k) page.grid->SetRowSelected(k, k == 5, false);
  platform::PostPrivateMessage(&page, kWmGridMenuCommand, 0, 0);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page.grid->RowCount() == 1; }, 5 * 1000));
  EXPECT_EQ(kept, page.grid->CellText(0, 3));
  EXPECT_EQ(u"1", page.grid->CellText(0, 0));
}

// The other language of each page, a few rows each; the header template of
// each page read back; 运单号 in column 5 refused.
TEST_F(ImportOffice, SmallRunsTheTemplatesAndAHeaderOutsideTheFirstColumns) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  CTrackImportPage& track = Open(track_, 7);
  track.Form()->EventEdit()->setFocus();
  Type(track.Form()->EventEdit(), QStringLiteral("已到达"));
  const std::u16string five = Workbook("col5.xlsx", {"x", "日期时间", "服务地点", "详细信息", "运单号"},
                                       {{u"a", u"", u"", u"", u"TK47-0001"}});
  ASSERT_NO_FATAL_FAILURE(RunImport(*track.Form(), five));
  EXPECT_EQ(AppLanguage().Text(270102), shown_.back());
  const std::u16string small = Workbook("small.xlsx", {"运单号"},
                                        {{u"TK47-0001"}, {u"TK47-0002"}, {u"NOPE"}});
  ASSERT_NO_FATAL_FAILURE(RunImport(*track.Form(), small));
  EXPECT_EQ(2, track.grid->RowCount());
  SaveScreenshot(track, QStringLiteral("track_import_page_zh"));

  // The template: on the desktop, else in DATA_TEMP; each page's replaces
  // the other's.
  const fs::path desktop = folder_.Path() / "Desktop";
  fs::create_directories(desktop);
  app_.Settings().desktopPath = desktop.u16string();
  QTest::mouseClick(track.Form()->TemplateButton(), Qt::LeftButton);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return fs::exists(desktop / "Fmt_Import_No.xls"); }, 60 * 1000));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return shown_.back().find(u"Fmt_Import_No.xls") != std::u16string::npos; },
                                     30 * 1000));
  auto readBack = [](const fs::path& file, int columns, std::vector<std::u16string>& captions) {
    CExcelSession book;
    ASSERT_EQ(1, book.OpenForReading(file.u16string())) << U8(book.LastError());
    captions.clear();
    for (int c = 1; c <= columns + 1; ++c) captions.push_back(book.CellTextTo(1, c, 64));
    book.Close();
  };
  std::vector<std::u16string> captions;
  readBack(desktop / "Fmt_Import_No.xls", 4, captions);
  EXPECT_EQ((std::vector<std::u16string>{u"运单号", u"日期时间", u"服务地点", u"详细信息", u""}), captions);

  CTransferNoImportPage& transfer = Open(transfer_, 6);
  app_.Settings().desktopPath = (folder_.Path() / "no-desktop").u16string();  // missing: DATA_TEMP
  QTest::mouseClick(transfer.Form()->TemplateButton(), Qt::LeftButton);
  const fs::path temp = folder_.Path() / "DATA_TEMP" / "Fmt_Import_No.xls";
  ASSERT_TRUE(testsupport::WaitUntil([&] { return fs::exists(temp); }, 60 * 1000));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return shown_.back().find(u"DATA_TEMP") != std::u16string::npos; },
                                     30 * 1000));
  readBack(temp, 7, captions);
  EXPECT_EQ((std::vector<std::u16string>{u"运单号", u"换单号", u"日期时间", u"服务地点", u"详细信息", u"参考号",
                                         u"快递类别", u""}),
            captions);
  // The transfer page's template replaces the tracking page's.
  app_.Settings().desktopPath = desktop.u16string();
  const size_t shownBefore = shown_.size();
  QTest::mouseClick(transfer.Form()->TemplateButton(), Qt::LeftButton);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return shown_.size() > shownBefore; }, 60 * 1000));
  readBack(desktop / "Fmt_Import_No.xls", 7, captions);
  ASSERT_EQ(8u, captions.size());
  EXPECT_EQ(u"换单号", captions[1]);

  // Page 6 in English, a few rows.
  shelltest::LoadProgramLanguage("01");
  transfer_.reset();
  CTransferNoImportPage& english = Open(transfer_, 6);
  const std::u16string rowsFile = Workbook("small6.xlsx", {"运单号", "换单号"},
                                           {{u"TK47-0001", u"TK47T-0001"}, {u"TK47-0002", u"TK47T-0003"}});
  ASSERT_NO_FATAL_FAILURE(RunImport(*english.Form(), rowsFile));
  EXPECT_EQ(1, english.grid->RowCount());
  EXPECT_EQ(Line(260103, 3, u"TK47-0002", 260104), clipboard_);
  SaveScreenshot(english, QStringLiteral("transfer_import_page_en"));
  EXPECT_EQ("TK47T-0001", Query(Db(), "SELECT cserviceno FROM client_rec WHERE irid=47701")[0][0]);
}

// The record update's file dialog: a workbook accepted, then a CSV file
// refused; the update still reads the workbook as a workbook.
TEST_F(ImportOffice, TheFileDialogKeepsTheAcceptedWorkbookAfterARefusedCsvFile) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  const std::u16string book = Workbook("update.xls", {"收件人", " 运单号 ", "备注", "收件人"}, {{u"a", u"BR1", u"m", u"b"}});
  const fs::path csv = officetest::TestFolder() / "refused.CSV";
  std::ofstream(csv, std::ios::binary) << GbkFromWide(u"备注,收件人\r\nx,y\r\n");
  CFileUpdateDlg dialog;
  dialog.show();
  bool answered = false;
  AnswerFileDialog(book, &answered);
  QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !dialog.fileName.empty(); }, 60 * 1000));
  EXPECT_EQ(book, dialog.fileName);
  EXPECT_EQ(0, dialog.csv);
  EXPECT_EQ(2, dialog.columnMap[0]);
  EXPECT_EQ(4, dialog.columnMap[23]);  // the later 收件人
  EXPECT_EQ(3, dialog.columnMap[57]);
  const QString result = dialog.ResultEdit()->toPlainText();
  SaveScreenshot(dialog, QStringLiteral("file_update_dialog"));

  answered = false;
  const size_t before = shown_.size();
  AnswerFileDialog(csv.u16string(), &answered);
  QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return shown_.size() > before; }, 30 * 1000));
  EXPECT_EQ(AppLanguage().Text(320011), shown_.back());
  EXPECT_EQ(book, dialog.fileName);
  EXPECT_EQ(0, dialog.csv);
  EXPECT_EQ(2, dialog.columnMap[0]);
  EXPECT_EQ(result, dialog.ResultEdit()->toPlainText());
  EXPECT_EQ(QString::fromStdU16String(book), dialog.PathEdit()->text());
  QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
  const FieldUpdateChoice choice = dialog.Choice();
  EXPECT_FALSE(choice.csv);
  EXPECT_EQ(book, choice.path);
  EXPECT_TRUE(choice.overwrite);
}

}  // namespace
