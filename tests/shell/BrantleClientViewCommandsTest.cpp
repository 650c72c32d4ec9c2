#include "ui/ViewCommands.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(ViewCommandTable, EachPageCommandShowsItsPage) {
  const int expected[17] = {32837, 32780, 32778, 32838, 32789, 32810, 32840, 32841, 32836,
                            32843, 32844, 32845, 32846, 32847, 32848, 32850, 32852};
  for (int i = 0; i < 17; ++i) {
    const ViewCommandRoute* route = FindViewCommand(expected[i]);
    ASSERT_NE(route, nullptr) << expected[i];
    EXPECT_EQ(route->kind, ViewCommandKind::kShowPage);
    EXPECT_EQ(route->pageIndex, i);
  }
}

TEST(ViewCommandTable, ForwardedCommandsReachTheirOperation) {
  struct Case {
    int command;
    PageOperation operation;
    int argument;
    bool flush;
  };
  const Case cases[] = {
      {32772, PageOperation::kSave, 0, false},
      {32783, PageOperation::kDelete, 0, false},
      {32784, PageOperation::kCopyAll, 0, false},
      {32785, PageOperation::kPasteAll, 0, false},
      {32782, PageOperation::kNewRecord, 0, false},
      {32790, PageOperation::kQuery, 0, false},
      {32792, PageOperation::kExportReport, 0, false},
      {32806, PageOperation::kSelectAll, 0, false},
      {32808, PageOperation::kRefresh, 0, false},
      {32821, PageOperation::kImportExcel, 0, false},
      {32817, PageOperation::kPrintLabel, 0, true},
      {32818, PageOperation::kPrintWaybill, 0, true},
      {32819, PageOperation::kPrintInvoice, 0, true},
      {32820, PageOperation::kPrintInvoice, 1, true},
      {32839, PageOperation::kClearList, 0, false},
  };
  for (const Case& c : cases) {
    const ViewCommandRoute* route = FindViewCommand(c.command);
    ASSERT_NE(route, nullptr) << c.command;
    EXPECT_EQ(route->kind, ViewCommandKind::kPageOperation) << c.command;
    EXPECT_EQ(route->operation, c.operation) << c.command;
    EXPECT_EQ(route->argument, c.argument) << c.command;
    EXPECT_EQ(route->flushRecordsFirst, c.flush) << c.command;
  }
}

TEST(ViewCommandTable, OwnCommandsAndCommandsOfOthers) {
  EXPECT_EQ(FindViewCommand(32793)->kind, ViewCommandKind::kCommonPrompts);
  EXPECT_EQ(FindViewCommand(32822)->kind, ViewCommandKind::kCompanyWeb);
  EXPECT_EQ(FindViewCommand(32823)->kind, ViewCommandKind::kScaleSettings);
  EXPECT_EQ(FindViewCommand(32832)->kind, ViewCommandKind::kNothing);
  EXPECT_EQ(FindViewCommand(57607)->kind, ViewCommandKind::kFilePrint);
  // Commands of the application object, the frame and the framework.
  for (int other : {32813, 32815, 32814, 32833, 57606, 57664, 32842, 32849, 32851, 57665,
                    59392, 59393}) {
    EXPECT_EQ(FindViewCommand(other), nullptr) << other;
  }
  std::set<int> seen;
  for (const ViewCommandRoute& r : ViewCommandTable()) {
    EXPECT_TRUE(seen.insert(r.command).second) << "twice: " << r.command;
  }
}

std::optional<bool> Enabled(int command, const ViewPageFlags* flags, int rows = 0,
                            int index = 0, bool invoiceSwitch = true) {
  return ViewCommandState(command, flags, rows, index, invoiceSwitch).enabled;
}

TEST(ViewCommandState, EachForwardedItemFollowsItsFlag) {
  using Flag = bool ViewPageFlags::*;
  struct Case {
    int command;
    Flag flag;
  };
  const Case cases[] = {
      {32772, &ViewPageFlags::saveEnabled},     {32783, &ViewPageFlags::deleteEnabled},
      {32782, &ViewPageFlags::newEnabled},      {32790, &ViewPageFlags::queryEnabled},
      {32821, &ViewPageFlags::excelImportEnabled}, {32817, &ViewPageFlags::labelEnabled},
      {32818, &ViewPageFlags::waybillEnabled},  {32819, &ViewPageFlags::invoiceEnabled},
      {32776, &ViewPageFlags::command32776Enabled},
  };
  for (const Case& c : cases) {
    for (bool on : {false, true}) {
      ViewPageFlags flags;
      // Every other flag set the other way round: only the own flag counts.
      flags.saveEnabled = flags.deleteEnabled = flags.newEnabled = flags.queryEnabled = !on;
      flags.excelImportEnabled = flags.labelEnabled = flags.waybillEnabled = !on;
      flags.invoiceEnabled = flags.command32776Enabled = !on;
      flags.*c.flag = on;
      EXPECT_EQ(Enabled(c.command, &flags), std::optional<bool>(on)) << c.command;
    }
  }
}

TEST(ViewCommandState, CopyPasteExportAndInvoiceToFile) {
  ViewPageFlags entry;  // entry mode
  ViewPageFlags list;
  list.listOnly = 1;
  EXPECT_EQ(Enabled(32784, &entry), true);
  EXPECT_EQ(Enabled(32784, &list), false);
  EXPECT_EQ(Enabled(32785, &entry), false);  // paste needs pasteReady too
  entry.pasteReady = list.pasteReady = true;
  EXPECT_EQ(Enabled(32785, &entry), true);
  EXPECT_EQ(Enabled(32785, &list), false);

  ViewPageFlags exporting;
  exporting.exportEnabled = true;
  EXPECT_EQ(Enabled(32792, &exporting, 0), false);
  EXPECT_EQ(Enabled(32792, &exporting, 1), true);
  EXPECT_EQ(Enabled(32792, &entry, 5), false);

  // Invoice to file: page 1 and the switch, whatever the page's flags.
  ViewPageFlags all;
  all.invoiceEnabled = all.saveEnabled = true;
  ViewPageFlags none;
  none.newEnabled = false;
  EXPECT_EQ(Enabled(32820, &none, 0, 1, true), true);
  EXPECT_EQ(Enabled(32820, &all, 0, 0, true), false);
  EXPECT_EQ(Enabled(32820, &all, 0, 1, false), false);

  EXPECT_EQ(Enabled(32808, &none), true);
  EXPECT_EQ(Enabled(32839, &none), true);
  EXPECT_EQ(Enabled(32806, &none), std::nullopt);
}

TEST(ViewCommandState, WithoutAPageEveryPageOperationIsTurnedOff) {
  for (int command : {32817, 32818, 32819, 32821, 32772, 32783, 32784, 32785, 32782, 32790,
                      32792, 32808, 32839, 32776, 32820}) {
    EXPECT_EQ(Enabled(command, nullptr, 0, -1), false) << command;
  }
  // Select-all has no rule; the view's own commands are not the page's.
  for (int command : {32806, 32793, 32822, 32823, 57607}) {
    EXPECT_EQ(Enabled(command, nullptr, 0, -1), std::nullopt) << command;
  }
}

TEST(ViewCommandState, PageItemsAreCheckedForTheCurrentPage) {
  ViewPageFlags flags;
  for (int i = 0; i < kViewPageCount; ++i) {
    const ViewCommandUi ui = ViewCommandState(kPageCommands[static_cast<size_t>(i)], &flags, 0,
                                              3, true);
    EXPECT_EQ(ui.checked, std::optional<bool>(i == 3)) << i;
    EXPECT_EQ(ui.enabled, std::nullopt);
  }
  EXPECT_EQ(ViewCommandState(32832, &flags, 0, 3, true).checked, false);
  const ViewCommandUi unknown = ViewCommandState(12345, &flags, 0, 3, true);
  EXPECT_FALSE(unknown.enabled.has_value());
  EXPECT_FALSE(unknown.checked.has_value());
}

TEST(PageCommandFlag, TypesAndValues) {
  using Flag = bool ViewPageFlags::*;
  const std::pair<int, Flag> types[] = {
      {0, &ViewPageFlags::saveEnabled},    {1, &ViewPageFlags::deleteEnabled},
      {2, &ViewPageFlags::queryEnabled},   {3, &ViewPageFlags::newEnabled},
      {4, &ViewPageFlags::command32776Enabled}, {5, &ViewPageFlags::queryEnabled},
      {6, &ViewPageFlags::invoiceEnabled}, {7, &ViewPageFlags::waybillEnabled},
      {8, &ViewPageFlags::labelEnabled},   {9, &ViewPageFlags::excelImportEnabled},
  };
  for (const auto& [type, flag] : types) {
    ViewPageFlags flags;
    SetPageCommandFlag(flags, type, 1);
    EXPECT_TRUE(flags.*flag) << type;
    SetPageCommandFlag(flags, type, 1);
    SetPageCommandFlag(flags, type, 2);  // only 1 turns a flag on
    EXPECT_FALSE(flags.*flag) << type;
  }
  ViewPageFlags flags;
  flags.saveEnabled = true;
  SetPageCommandFlag(flags, 10, 0);
  SetPageCommandFlag(flags, -1, 0);
  EXPECT_TRUE(flags.saveEnabled);
  EXPECT_TRUE(flags.newEnabled);
}

TEST(CompanyWebAddress, SchemeIsAddedOrChecked) {
  EXPECT_EQ(CompanyWebAddressUrl("www.example.com"), u"http://www.example.com");
  EXPECT_EQ(CompanyWebAddressUrl("http://www.example.com/a"), u"http://www.example.com/a");
  EXPECT_EQ(CompanyWebAddressUrl("HTTPS://example.com"), u"HTTPS://example.com");
  EXPECT_EQ(CompanyWebAddressUrl(""), std::nullopt);
  EXPECT_EQ(CompanyWebAddressUrl(std::string("\0abc", 4)), std::nullopt);
  // Other schemes from the dictionary are not handed to the desktop.
  EXPECT_EQ(CompanyWebAddressUrl("file:///etc/passwd"), std::nullopt);
  EXPECT_EQ(CompanyWebAddressUrl("javascript://x"), std::nullopt);
  // GBK text becomes UTF-16.
  EXPECT_EQ(CompanyWebAddressUrl("\xD6\xD0.cn"), u"http://中.cn");
}

}  // namespace
