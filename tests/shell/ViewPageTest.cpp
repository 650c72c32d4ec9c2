#include "ui/ViewPage.h"

#include <gtest/gtest.h>

#include "ui/LinkLabel.h"
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

#include "../QtTestSupport.h"
#include "ViewTestSupport.h"
#include "common/LanguageTable.h"
#include "platform/QtMessages.h"
#include "shell/BrantleClientView.h"

namespace {

using viewtest::RecordingPage;
using platform::kWmUser;

// A page whose window exists, as after the view's first showing.
std::unique_ptr<RecordingPage> MakeCreatedPage(int index = 2) {
  auto page = std::make_unique<RecordingPage>(nullptr);
  page->index = index;
  page->CreatePageWindow(nullptr, QSize(1275, 944));
  page->OnPageCreated();
  page->ClearCalls();
  return page;
}

void AddRows(CViewPage& page, int count, int firstId = 1) {
  if (page.grid->ColumnCount() == 0) page.grid->InsertColumn(0, 40, u"No", 0, kGridColumnAll);
  for (int i = 0; i < count; ++i) {
    const int row = page.grid->InsertRow(page.grid->RowCount());
    page.grid->SetRowId(row, firstId + i);
  }
}

TEST(ViewPageMessages, PostedMessagesReachTheirOperations) {
  auto page = MakeCreatedPage();
  const struct {
    int message;
    const char* operation;
  } cases[] = {
      {kWmUser + 103, "OnGridMenuCommand"}, {kWmUser + 104, "OnRecordSaved"},
      {kWmUser + 105, "OnRelayout"},        {kWmUser + 109, "OnRecordAmount"},
      {kWmUser + 110, "OnPrintProgress"},   {kWmUser + 113, "OnListParameter"},
      {kWmUser + 117, "OnTextNotice"},      {kWmUser + 118, "OnWeightUpdated"},
      {kWmUser + 123, "OnSetCommandFlag"},  {kWmUser + 124, "OnQuickListOpen"},
  };
  for (const auto& c : cases) {
    page->ClearCalls();
    ASSERT_TRUE(platform::PostPrivateMessage(page.get(), c.message, 9, 41));
    EXPECT_TRUE(page->Calls().empty()) << "posted messages arrive later";
    ASSERT_TRUE(testsupport::WaitUntil([&] { return !page->Calls().empty(); })) << c.operation;
    EXPECT_EQ(page->Calls().front(), std::string(c.operation) + " 9 41");
  }
  EXPECT_EQ(WM_PAGE_NOTIFY, 0x468);
}

TEST(ViewPageMessages, SentMessageReturnsTheOperationResultOthersAreNotMapped) {
  auto page = MakeCreatedPage();
  EXPECT_EQ(platform::SendPrivateMessage(page.get(), WM_PAGE_NOTIFY, 1, 1234), 7);
  EXPECT_EQ(page->Calls(), std::vector<std::string>{"OnRecordSaved 1 1234"});
  page->ClearCalls();
  for (int unmapped : {kWmUser + 100, kWmUser + 106, kWmUser + 126}) {
    EXPECT_EQ(platform::SendPrivateMessage(page.get(), unmapped, 1, 2), 0);
  }
  EXPECT_TRUE(page->Calls().empty());
}

TEST(ViewPageMessages, PrintProgressPostedFromAWorkerThreadArrivesOnTheUiThread) {
  auto page = MakeCreatedPage();
  std::thread worker([&] {
    for (int id = 1; id <= 3; ++id) platform::PostPrivateMessage(page.get(), kWmUser + 110, id, 0);
    platform::PostPrivateMessage(page.get(), kWmUser + 110, 0, 0);
  });
  worker.join();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page->Calls().size() == 4; }));
  EXPECT_EQ(page->Calls().back(), "OnPrintProgress 0 0");
}

TEST(ViewPageMessages, SetCommandFlagMessageTurnsFlagsOnOnlyForOne) {
  auto page = MakeCreatedPage();
  platform::SendPrivateMessage(page.get(), kWmUser + 123, 0, 1);
  EXPECT_TRUE(page->saveEnabled);
  platform::SendPrivateMessage(page.get(), kWmUser + 123, 0, 2);
  EXPECT_FALSE(page->saveEnabled);
  platform::SendPrivateMessage(page.get(), kWmUser + 123, 8, 1);
  EXPECT_TRUE(page->labelEnabled);
}

TEST(ViewPageLayout, FirstLayoutIsListOnlyAndRepeatingAModeMovesNothing) {
  viewtest::FakeHost host;
  host.screen = QSize(1280, 1024);
  CBrantleClientView view(&host, nullptr, [](int) { return std::make_unique<RecordingPage>(nullptr); });
  view.OnInitialUpdate();
  CViewPage* page = view.CurrentPage();
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(page->created);
  EXPECT_EQ(page->listOnly, 1);
  EXPECT_EQ(page->geometry(), QRect(0, 0, 1275, 944));
  EXPECT_EQ(page->grid->geometry(), QRect(10, 36, 1260, 860));
  EXPECT_EQ(page->countLabel->geometry(), QRect(10, 21, 1260, 13));

  host.screen = QSize(800, 768);
  page->ShowListMode(1);
  EXPECT_EQ(page->grid->geometry(), QRect(10, 36, 1260, 860));

  page->panelWidth = 220;
  page->ShowListMode(0);
  EXPECT_EQ(page->listOnly, 0);
  EXPECT_EQ(page->grid->geometry(), QRect(220, 36, 800 - 10 - 220, 768 - 164));
}

TEST(ViewPageLayout, EntryPanelAndSaveFollowingTheMode) {
  auto page = MakeCreatedPage(5);
  QWidget panel(page.get());
  page->entryPanel = &panel;
  page->saveFollowsMode = true;
  page->ShowListMode(0);
  EXPECT_FALSE(panel.isHidden());
  EXPECT_TRUE(page->saveEnabled);
  page->ShowListMode(1);
  EXPECT_TRUE(panel.isHidden());
  EXPECT_FALSE(page->saveEnabled);
}

TEST(ViewPageLayout, DeleteIsEnabledInListModeOnPagesOneAndFourOnly) {
  for (int index = 0; index < 17; ++index) {
    auto page = std::make_unique<RecordingPage>(nullptr);
    page->index = index;
    page->CreatePageWindow(nullptr, QSize(1275, 944));
    page->deleteEnabled = true;
    page->ShowListMode(0);  // the initial mode: nothing changes
    EXPECT_TRUE(page->deleteEnabled);
    page->ShowListMode(1);
    EXPECT_EQ(page->deleteEnabled, index == 1 || index == 4) << index;
    page->deleteEnabled = true;
    page->ShowListMode(0);  // entry mode keeps it
    EXPECT_TRUE(page->deleteEnabled);
  }
}

TEST(ViewPageLayout, ReplacementChildKeepsModeAndFlags) {
  auto page = std::make_unique<RecordingPage>(nullptr);
  page->index = 8;
  page->CreatePageWindow(nullptr, QSize(1275, 944));
  QWidget child(page.get());
  child.hide();
  page->replacementChild = &child;
  page->deleteEnabled = true;
  page->saveFollowsMode = true;
  page->OnPageCreated();
  EXPECT_TRUE(page->created);
  EXPECT_EQ(page->listOnly, 0);
  EXPECT_TRUE(page->deleteEnabled);
  EXPECT_FALSE(page->saveEnabled);
  EXPECT_TRUE(page->grid->isHidden());
  EXPECT_TRUE(page->countLabel->isHidden());
  EXPECT_FALSE(child.isHidden());
}

TEST(ViewPageList, SelectAllTogglesAndSelectedIdsFollowRowOrder) {
  auto page = MakeCreatedPage();
  page->CViewPage::OnSelectAll();  // no rows: nothing
  AddRows(*page, 4, 11);
  std::vector<int32_t> ids{99};
  page->grid->SetRowSelected(2, true, false);
  EXPECT_EQ(page->GetSelectedIds(ids), 1);
  EXPECT_EQ(ids, std::vector<int32_t>{13});

  page->CViewPage::OnSelectAll();  // one selected: all become unselected
  EXPECT_EQ(page->GetSelectedIds(ids), 0);
  EXPECT_TRUE(ids.empty());
  page->CViewPage::OnSelectAll();  // none selected: all become selected
  EXPECT_EQ(page->GetSelectedIds(ids), 4);
  EXPECT_EQ(ids, (std::vector<int32_t>{11, 12, 13, 14}));

  page->ClearList();
  ids = {5};
  EXPECT_EQ(page->GetSelectedIds(ids), 0);
  EXPECT_EQ(ids, std::vector<int32_t>{5});  // untouched without rows
}

TEST(ViewPageList, DoubleClickReachesTheFirstSelectedRowOnly) {
  auto page = MakeCreatedPage();
  AddRows(*page, 3);
  page->show();
  const QModelIndex cell = page->grid->model()->index(2, 0);
  emit page->grid->doubleClicked(cell);
  EXPECT_TRUE(page->Calls().empty());  // no row selected
  page->grid->SetRowSelected(2, true, false);
  page->grid->SetRowSelected(1, true, false);
  emit page->grid->doubleClicked(cell);
  EXPECT_EQ(page->Calls(), std::vector<std::string>{"OnRowDoubleClick 1"});
}

// Loads the program's language table with the count text.
void LoadCountText() {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("brantle_view_lang_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::u16string units = u"...<D>\n120051,共%1条[*==*]%1 rows</D>";
  std::string bytes("\xFF\xFE");
  for (char16_t u : units) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  std::ofstream(folder / "TolvaneLan_01.txt", std::ios::binary) << bytes;
  AppLanguage().Load(folder.string() + "/", "01");
  fs::remove_all(folder);
}

TEST(ViewPageList, CountLabelShowsTitleAndRowCount) {
  LoadCountText();
  auto page = MakeCreatedPage();
  page->title = std::u16string(1, u'T');
  AddRows(*page, 3);
  page->UpdateCountLabel();
  EXPECT_EQ(page->countLabel->text(), QStringLiteral("T  3 rows"));
  page->ClearList();
  EXPECT_EQ(page->countLabel->text(), QStringLiteral("T  0 rows"));
}

}  // namespace
