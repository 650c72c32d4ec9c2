#pragma once
// The routing and enable table of the main view's commands, free of widgets:
// which command shows which page, which reaches which operation of the
// current page, which the view handles itself, and when each item is
// enabled or checked.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ViewPage.h"

inline constexpr int kViewPageCount = 17;

// Command that shows each page 0..16.
inline constexpr std::array<int, kViewPageCount> kPageCommands = {
    32837, 32780, 32778, 32838, 32789, 32810, 32840, 32841, 32836,
    32843, 32844, 32845, 32846, 32847, 32848, 32850, 32852};

// Language id of each page's short name (the page commands' captions).
inline constexpr std::array<int32_t, kViewPageCount> kPageNameTextIds = {
    1200, 1201, 1203, 1202, 1206, 1205, 1207, 1208, 1204,
    1209, 1700, 1701, 1702, 1703, 1704, 1210, 1211};

// The framework's print command (Ctrl+P).
inline constexpr int kFilePrintCommand = 57607;

enum class ViewCommandKind {
  kShowPage,       // show a page (then OnPageCommand for pages 0, 1 and 3)
  kPageOperation,  // an operation of the current page
  kCommonPrompts,  // 32793
  kCompanyWeb,     // 32822
  kScaleSettings,  // 32823
  kNothing,        // 32832 quote query
  kFilePrint,      // 57607 through the print dialog
  kFlagOnly,       // 32776: an enable flag that no item carries
};

enum class PageOperation {
  kNone,
  kSave,           // OnSave
  kDelete,         // OnDelete
  kCopyAll,        // OnCopyAll
  kPasteAll,       // OnPasteAll
  kNewRecord,      // ShowListMode(0), then OnNewRecord
  kQuery,          // OnQuery
  kExportReport,   // OnExportReport
  kSelectAll,      // OnSelectAll
  kRefresh,        // OnRefresh
  kImportExcel,    // OnImportExcel
  kPrintLabel,     // FlushRecordFiles, OnPrintLabel
  kPrintWaybill,   // FlushRecordFiles, OnPrintWaybill
  kPrintInvoice,   // FlushRecordFiles, OnPrintInvoice(argument)
  kClearList,      // ClearList
};

struct ViewCommandRoute {
  int command;
  ViewCommandKind kind;
  int pageIndex;            // kShowPage: the page; else -1
  PageOperation operation;  // kPageOperation: the operation
  int argument;             // OnPrintInvoice: 0 print, 1 to file
  bool flushRecordsFirst;   // the print commands commit the local stores
};

// The route of a command the view handles, or null for any other command.
const ViewCommandRoute* FindViewCommand(int command);

// Every command the view handles, in table order.
const std::vector<ViewCommandRoute>& ViewCommandTable();

// Enable and check state of a command's item: an empty optional leaves that
// state as it is.
struct ViewCommandUi {
  std::optional<bool> enabled;
  std::optional<bool> checked;
};

// The state the view's update handler gives the item of a command.  Without
// a page every item of a page operation is off (select-all, which has no
// rule, is left as it is).
// page: flags of the current page (null when no page is shown);
// gridRows: rows in its grid; currentIndex: the current page index or -1.
ViewCommandUi ViewCommandState(int command, const ViewPageFlags* page, int gridRows,
                               int currentIndex, bool invoiceToFileSwitch);

// The address command 32822 opens for settings text 4 (GBK): none for an
// empty text or one naming a scheme other than http or https; "http://" is
// put in front of a text without "://".
std::optional<std::u16string> CompanyWebAddressUrl(std::string_view settingsText);
