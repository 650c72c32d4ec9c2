#include "shell/BrantleClientView.h"

#include <gtest/gtest.h>

#include <QAction>
#include "ui/LinkLabel.h"

#include <algorithm>
#include <typeinfo>

#include "ViewTestSupport.h"
#include "app/ViewPages.h"
#include "consolidation/AwbListPage.h"
#include "entry/QuickEntryPage.h"
#include "import/SimpleEntryPage.h"
#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "shipping/DirectoryPage.h"

namespace {

using viewtest::FakeHost;
using viewtest::Log;
using viewtest::RecordingPage;

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view_ = std::make_unique<CBrantleClientView>(&host_, nullptr, [this](int index) {
      return std::make_unique<RecordingPage>(&log_, index);
    });
  }
  RecordingPage* Page(int index) { return static_cast<RecordingPage*>(view_->Page(index)); }
  std::vector<std::string> LogOf(int index) {
    std::vector<std::string> lines;
    const std::string prefix = std::to_string(index) + " ";
    for (const auto& line : log_) {
      if (line.rfind(prefix, 0) == 0) lines.push_back(line.substr(prefix.size()));
    }
    return lines;
  }

  FakeHost host_;
  Log log_;
  std::unique_ptr<CBrantleClientView> view_;
};

TEST_F(ViewTest, PagesAreBuiltInDeclarationOrderAndDestroyedInReverse) {
  std::vector<std::string> built(log_.begin(), log_.end());
  std::vector<std::string> expected;
  for (int i : kPageConstructionOrder) expected.push_back("construct " + std::to_string(i));
  EXPECT_EQ(built, expected);
  log_.clear();
  view_.reset();
  std::vector<std::string> destroyed;
  for (auto it = kPageConstructionOrder.rbegin(); it != kPageConstructionOrder.rend(); ++it) {
    destroyed.push_back("destroy " + std::to_string(*it));
  }
  EXPECT_EQ(log_, destroyed);
}

TEST_F(ViewTest, InitialUpdateGivesIndexesAndShowsPageZero) {
  EXPECT_EQ(view_->CurrentIndex(), -1);
  view_->OnInitialUpdate();
  for (int i = 0; i < kViewPageCount; ++i) {
    EXPECT_EQ(Page(i)->index, i);
    EXPECT_EQ(Page(i)->ownerView, view_.get());
    EXPECT_EQ(Page(i)->host, &host_);
    EXPECT_EQ(Page(i)->created, i == 0);
  }
  EXPECT_EQ(view_->CurrentIndex(), 0);
  EXPECT_EQ(view_->CurrentPage(), Page(0));
  EXPECT_EQ(Page(0)->parentWidget(), view_.get());
  EXPECT_EQ(Page(0)->geometry(), QRect(0, 0, 1275, 944));
  EXPECT_EQ(host_.log, (std::vector<std::string>{"AttachView", "NotifyPageShown 0"}));
  EXPECT_EQ(LogOf(0), (std::vector<std::string>{"OnPageCreated", "ShowListMode 1"}));
}

TEST_F(ViewTest, OpensOnTheFirstPageTheUserMayUseAndShowsNoOther) {
  host_.refusedPages = {0, 1, 2, 5};
  view_->OnInitialUpdate();
  EXPECT_EQ(view_->CurrentIndex(), 3);
  EXPECT_EQ(host_.log, (std::vector<std::string>{"AttachView", "NotifyPageShown 3"}));
  // Neither a command nor a direct call shows a refused page.
  for (int index : {0, 1, 2, 5}) {
    view_->OnCommand(kPageCommands[static_cast<size_t>(index)]);
    view_->ShowPage(index);
    EXPECT_EQ(view_->CurrentIndex(), 3) << index;
    EXPECT_FALSE(Page(index)->created) << index;
    EXPECT_TRUE(LogOf(index).empty()) << index;
  }
  view_->OnCommand(32772);
  EXPECT_EQ(Page(3)->Calls().back(), "OnSave");
  view_->OnCommand(32789);
  EXPECT_EQ(view_->CurrentIndex(), 4);
}

TEST_F(ViewTest, WithNoPageAllowedNoPageIsShownAndPageItemsAreOff) {
  for (int index = 0; index < kViewPageCount; ++index) host_.refusedPages.insert(index);
  view_->OnInitialUpdate();
  EXPECT_EQ(view_->CurrentPage(), nullptr);
  EXPECT_EQ(view_->CurrentIndex(), -1);
  EXPECT_EQ(host_.log, std::vector<std::string>{"AttachView"});
  for (const ViewCommandRoute& route : ViewCommandTable()) {
    EXPECT_TRUE(view_->OnCommand(route.command)) << route.command;
    if (route.kind != ViewCommandKind::kPageOperation) continue;
    QAction item;
    item.setEnabled(true);
    view_->UpdateCommandUi(route.command, &item);
    EXPECT_EQ(item.isEnabled(), route.command == 32806) << route.command;
  }
  EXPECT_EQ(view_->CurrentPage(), nullptr);
  for (int index = 0; index < kViewPageCount; ++index) {
    EXPECT_FALSE(Page(index)->created) << index;
    EXPECT_TRUE(LogOf(index).empty()) << index;
  }
}

TEST_F(ViewTest, PageIsCreatedOnceThenOnlyShownAndHidden) {
  view_->OnInitialUpdate();
  view_->show();
  ASSERT_TRUE(view_->OnCommand(32778));  // page 2
  EXPECT_EQ(view_->CurrentIndex(), 2);
  EXPECT_TRUE(Page(0)->isHidden());
  EXPECT_FALSE(Page(2)->isHidden());
  CListGrid* grid = Page(2)->grid;
  grid->InsertRow(grid->RowCount());

  view_->ShowPage(0);
  EXPECT_TRUE(Page(2)->isHidden());
  EXPECT_FALSE(Page(0)->isHidden());
  view_->ShowPage(2);
  EXPECT_EQ(Page(2)->grid, grid);
  EXPECT_EQ(grid->RowCount(), 1);  // the list kept its rows while hidden
  EXPECT_EQ(LogOf(2), (std::vector<std::string>{"OnPageCreated", "ShowListMode 1"}));
  EXPECT_EQ(LogOf(0), (std::vector<std::string>{"OnPageCreated", "ShowListMode 1"}));
  EXPECT_EQ(std::count(host_.log.begin(), host_.log.end(), "NotifyPageShown 2"), 2);

  view_->ShowPage(17);
  view_->ShowPage(-1);
  EXPECT_EQ(view_->CurrentIndex(), 2);
}

TEST_F(ViewTest, ChoosingTheShownPageAgainOnlyRepeatsThePageCommand) {
  view_->OnInitialUpdate();
  for (int index : {0, 1, 3, 2, 14}) {
    const int command = kPageCommands[static_cast<size_t>(index)];
    view_->OnCommand(command);
    Page(index)->ClearCalls();
    host_.log.clear();
    view_->OnCommand(command);
    const bool repeats = index == 0 || index == 1 || index == 3;
    EXPECT_EQ(Page(index)->Calls(),
              repeats ? std::vector<std::string>{"OnPageCommand"} : std::vector<std::string>{})
        << index;
    EXPECT_TRUE(host_.log.empty()) << index;  // nothing shown again
  }
  // The first choice of page 3 shows it and then runs its page command.
  Page(3)->ClearCalls();
  view_->OnCommand(32837);
  Page(3)->ClearCalls();
  view_->OnCommand(32838);
  EXPECT_EQ(Page(3)->Calls(), std::vector<std::string>{"OnPageCommand"});
  EXPECT_EQ(view_->CurrentIndex(), 3);
}

TEST_F(ViewTest, EveryForwardedCommandReachesTheCurrentPage) {
  const std::pair<int, std::vector<std::string>> cases[] = {
      {32772, {"OnSave"}},
      {32783, {"OnDelete"}},
      {32784, {"OnCopyAll"}},
      {32785, {"OnPasteAll"}},
      {32782, {"ShowListMode 0", "OnNewRecord listOnly=0"}},
      {32790, {"OnQuery"}},
      {32792, {"OnExportReport"}},
      {32806, {"OnSelectAll"}},
      {32808, {"OnRefresh"}},
      {32821, {"OnImportExcel"}},
      {32817, {"OnPrintLabel"}},
      {32818, {"OnPrintWaybill"}},
      {32819, {"OnPrintInvoice 0"}},
      {32820, {"OnPrintInvoice 1"}},
      {32839, {}},
      {32776, {}},
  };
  view_->OnInitialUpdate();
  view_->ShowPage(5);
  for (const auto& [command, calls] : cases) {
    Page(5)->ClearCalls();
    host_.log.clear();
    EXPECT_TRUE(view_->OnCommand(command));
    EXPECT_EQ(Page(5)->Calls(), calls) << command;
    const bool print = command >= 32817 && command <= 32820;
    EXPECT_EQ(host_.log, print ? std::vector<std::string>{"FlushRecordFiles"}
                               : std::vector<std::string>{})
        << command;
    Page(5)->ShowListMode(1);
  }
  EXPECT_FALSE(view_->OnCommand(32849));  // the frame's lock command
}

TEST_F(ViewTest, ClearListCommandEmptiesTheCurrentGrid) {
  view_->OnInitialUpdate();
  Page(0)->grid->InsertRow(Page(0)->grid->RowCount());
  view_->OnCommand(32839);
  EXPECT_EQ(Page(0)->grid->RowCount(), 0);
}

TEST_F(ViewTest, WithoutAPageForwardedCommandsDoNothing) {
  for (int command : {32772, 32817, 32820, 32782, 32839, 32806}) {
    EXPECT_TRUE(view_->OnCommand(command));
  }
  view_->OnPrint();
  EXPECT_EQ(log_.size(), static_cast<size_t>(kViewPageCount));  // only the constructions
  EXPECT_TRUE(host_.log.empty());
  QAction label;
  label.setEnabled(true);
  view_->UpdateCommandUi(32817, &label);
  EXPECT_FALSE(label.isEnabled());
}

TEST_F(ViewTest, MenuItemsFollowTheCurrentPage) {
  view_->OnInitialUpdate();
  view_->ShowPage(1);
  QAction save, toFile, pageOne, pageZero;
  Page(1)->saveEnabled = true;
  view_->UpdateCommandUi(32772, &save);
  view_->UpdateCommandUi(32820, &toFile);
  view_->UpdateCommandUi(32780, &pageOne);
  view_->UpdateCommandUi(32837, &pageZero);
  EXPECT_TRUE(save.isEnabled());
  EXPECT_TRUE(toFile.isEnabled());
  EXPECT_TRUE(pageOne.isChecked());
  EXPECT_FALSE(pageZero.isChecked());
  view_->ShowPage(0);
  view_->UpdateCommandUi(32772, &save);
  view_->UpdateCommandUi(32820, &toFile);
  EXPECT_FALSE(save.isEnabled());
  EXPECT_FALSE(toFile.isEnabled());

  Page(0)->exportEnabled = true;
  EXPECT_EQ(view_->CommandUi(32792).enabled, false);
  Page(0)->grid->InsertRow(Page(0)->grid->RowCount());
  EXPECT_EQ(view_->CommandUi(32792).enabled, true);
}

TEST_F(ViewTest, PrintCommandPrintsThroughThePageOncePerConfirmedDialog) {
  view_->OnInitialUpdate();
  Page(0)->ClearCalls();
  view_->OnCommand(57607);
  EXPECT_TRUE(Page(0)->Calls().empty());
  host_.printConfirmed = true;
  view_->OnCommand(57607);
  EXPECT_EQ(Page(0)->Calls(), std::vector<std::string>{"OnFilePrint"});
}

TEST_F(ViewTest, CommonPromptsAreSavedAndSetOnOkOnly) {
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scoped(&boxes);
  view_->OnInitialUpdate();
  host_.log.clear();
  view_->OnCommand(32793);
  EXPECT_EQ(host_.log, std::vector<std::string>{"RunCommonPrompts"});
  EXPECT_EQ(boxes.Count(), 0u);

  host_.log.clear();
  host_.promptsOk = true;
  host_.promptsText = u"line one\r\nline two";
  view_->OnCommand(32793);
  EXPECT_EQ(host_.log, (std::vector<std::string>{"RunCommonPrompts",
                                                 "SavePrompts line one\r\nline two",
                                                 "SetPrompts line one\r\nline two"}));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Messages()[0].text, u"提示输入信息设置成功。");
  EXPECT_EQ(boxes.Messages()[0].caption, u"提示");
  EXPECT_EQ(boxes.Messages()[0].flags, platform::kMbOk);

  // A prompt file that could not be written is reported, not taken for saved;
  // the prompts still serve this run.
  host_.log.clear();
  boxes.Clear();
  host_.promptsSaved = false;
  view_->OnCommand(32793);
  EXPECT_EQ(host_.log, (std::vector<std::string>{"RunCommonPrompts",
                                                 "SavePrompts line one\r\nline two",
                                                 "SetPrompts line one\r\nline two"}));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Messages()[0].text, AppLanguage().Text(kPromptsNotSavedTextId));
  EXPECT_EQ(boxes.Messages()[0].flags, platform::kMbOk | platform::kMbIconError);
}

TEST_F(ViewTest, CompanyWebAddressAndOwnCommands) {
  view_->OnInitialUpdate();
  host_.log.clear();
  view_->OnCommand(32822);  // empty settings text
  host_.webAddress = "www.example.com";
  view_->OnCommand(32822);
  host_.webAddress = "https://example.com/x";
  view_->OnCommand(32822);
  host_.webAddress = "file:///etc/passwd";
  view_->OnCommand(32822);
  view_->OnCommand(32823);
  view_->OnCommand(32832);
  EXPECT_EQ(host_.log, (std::vector<std::string>{"OpenUrl http://www.example.com",
                                                 "OpenUrl https://example.com/x",
                                                 "RunScaleSettings"}));
  EXPECT_EQ(view_->DateColumnName(0), u"ddate");
  EXPECT_EQ(view_->DateColumnName(2), u"dsenddate");
  EXPECT_EQ(view_->DateColumnName(3), u"");
}

TEST(ViewWithItsPages, WithoutAFactoryThePagesArePlainPageBases) {
  FakeHost host;
  CBrantleClientView view(&host);
  view.OnInitialUpdate();
  for (int i = 0; i < kViewPageCount; ++i) {
    ASSERT_NE(view.Page(i), nullptr) << i;
    EXPECT_EQ(typeid(*view.Page(i)), typeid(CViewPage)) << i;
  }
  EXPECT_EQ(view.CurrentIndex(), 0);
}

TEST(ViewWithItsPages, EachPageClassIsCreatedOnFirstUseAndShowsItsGrid) {
  FakeHost host;
  CBrantleClientView view(&host, nullptr, CreateViewPage);
  view.OnInitialUpdate();
  view.show();
  EXPECT_NE(dynamic_cast<CQuickEntryPage*>(view.Page(0)), nullptr);
  EXPECT_NE(dynamic_cast<CDirectoryPage*>(view.Page(4)), nullptr);
  EXPECT_NE(dynamic_cast<CAwbListPage*>(view.Page(14)), nullptr);
  EXPECT_NE(dynamic_cast<CSimpleEntryPage*>(view.Page(15)), nullptr);
  std::vector<const std::type_info*> types;
  for (int i = 0; i < kViewPageCount; ++i) {
    CViewPage* page = view.Page(i);
    ASSERT_NE(page, nullptr) << i;
    types.push_back(&typeid(*page));
    EXPECT_EQ(page->created, i == 0) << i;
    view.OnCommand(kPageCommands[static_cast<size_t>(i)]);
    EXPECT_EQ(view.CurrentPage(), page);
    ASSERT_NE(page->grid, nullptr) << i;
    // A page whose own window takes the grid's place shows that window.
    if (page->replacementChild != nullptr) {
      EXPECT_TRUE(page->replacementChild->isVisible()) << i;
    } else {
      EXPECT_TRUE(page->grid->isVisible()) << i;
      EXPECT_TRUE(page->countLabel->isVisible()) << i;
    }
    EXPECT_FALSE(page->countLabel->text().isEmpty()) << i;
    // The pages with a record list or a form on the left show it beside
    // their grid (page 0: the quick entry form, page 1: the full waybill form,
    // page 2: the record check form, page 3: the hand-over form, page 4: the
    // directory record form, pages 6 and 7: the import panels, page 14: the
    // master air waybill status panel, page 15: the streamlined entry form).
    const bool listBeside = i == 0 || i == 1 || i == 2 || i == 3 || i == 4 || i == 5 || i == 6 || i == 7 || i == 8 ||
                            i == 9 || i == 10 || i == 11 || i == 12 || i == 14 || i == 15 || i == 16;
    EXPECT_EQ(page->listOnly, listBeside ? 0 : 1) << i;
  }
  for (int i = 0; i < kViewPageCount; ++i) {
    for (int j = i + 1; j < kViewPageCount; ++j) EXPECT_NE(*types[i], *types[j]) << i << " " << j;
  }
  // Shown again: the same window and grid, with what it held.
  CListGrid* grid = view.Page(6)->grid;
  grid->InsertRow(grid->RowCount());
  view.ShowPage(6);
  EXPECT_EQ(view.Page(6)->grid, grid);
  EXPECT_EQ(grid->RowCount(), 1);
  EXPECT_TRUE(view.Page(16)->isHidden());
}

}  // namespace
