#include "ui/ViewCommands.h"

#include <algorithm>
#include <cctype>

#include "common/TextCodec.h"

namespace {

constexpr ViewCommandRoute Op(int command, PageOperation operation, int argument = 0,
                              bool flush = false) {
  return {command, ViewCommandKind::kPageOperation, -1, operation, argument, flush};
}
constexpr ViewCommandRoute Own(int command, ViewCommandKind kind) {
  return {command, kind, -1, PageOperation::kNone, 0, false};
}

std::vector<ViewCommandRoute> BuildTable() {
  std::vector<ViewCommandRoute> table;
  for (int i = 0; i < kViewPageCount; ++i) {
    table.push_back({kPageCommands[static_cast<size_t>(i)], ViewCommandKind::kShowPage, i,
                     PageOperation::kNone, 0, false});
  }
  const ViewCommandRoute rest[] = {
      Op(32772, PageOperation::kSave),
      Op(32783, PageOperation::kDelete),
      Op(32784, PageOperation::kCopyAll),
      Op(32785, PageOperation::kPasteAll),
      Op(32782, PageOperation::kNewRecord),
      Op(32790, PageOperation::kQuery),
      Op(32792, PageOperation::kExportReport),
      Op(32806, PageOperation::kSelectAll),
      Op(32808, PageOperation::kRefresh),
      Op(32821, PageOperation::kImportExcel),
      Op(32817, PageOperation::kPrintLabel, 0, true),
      Op(32818, PageOperation::kPrintWaybill, 0, true),
      Op(32819, PageOperation::kPrintInvoice, 0, true),
      Op(32820, PageOperation::kPrintInvoice, 1, true),
      Op(32839, PageOperation::kClearList),
      Own(32776, ViewCommandKind::kFlagOnly),
      Own(32793, ViewCommandKind::kCommonPrompts),
      Own(32822, ViewCommandKind::kCompanyWeb),
      Own(32823, ViewCommandKind::kScaleSettings),
      Own(32832, ViewCommandKind::kNothing),
      Own(kFilePrintCommand, ViewCommandKind::kFilePrint),
  };
  table.insert(table.end(), std::begin(rest), std::end(rest));
  return table;
}

}  // namespace

const std::vector<ViewCommandRoute>& ViewCommandTable() {
  static const std::vector<ViewCommandRoute> table = BuildTable();
  return table;
}

const ViewCommandRoute* FindViewCommand(int command) {
  const auto& table = ViewCommandTable();
  auto it = std::find_if(table.begin(), table.end(),
                         [command](const ViewCommandRoute& r) { return r.command == command; });
  return it == table.end() ? nullptr : &*it;
}

ViewCommandUi ViewCommandState(int command, const ViewPageFlags* page, int gridRows,
                               int currentIndex, bool invoiceToFileSwitch) {
  ViewCommandUi ui;
  const ViewCommandRoute* route = FindViewCommand(command);
  if (route == nullptr) return ui;
  if (route->kind == ViewCommandKind::kShowPage) {
    ui.checked = currentIndex == route->pageIndex;
    return ui;
  }
  if (command == 32832) {
    ui.checked = false;
    return ui;
  }
  if (command == 32820) {
    ui.enabled = currentIndex == 1 && invoiceToFileSwitch;
    return ui;
  }
  if (page == nullptr) {
    // Without a page (the user may use none) nothing acts on a page: every
    // item of a page operation is off, but select-all, which has no rule.
    if (route->kind == ViewCommandKind::kPageOperation || command == 32776) {
      if (command != 32806) ui.enabled = false;
    }
    return ui;
  }
  switch (command) {
    case 32772: ui.enabled = page->saveEnabled; break;
    case 32783: ui.enabled = page->deleteEnabled; break;
    case 32784: ui.enabled = page->listOnly == 0; break;
    case 32785: ui.enabled = page->pasteReady && page->listOnly == 0; break;
    case 32782: ui.enabled = page->newEnabled; break;
    case 32790: ui.enabled = page->queryEnabled; break;
    case 32792: ui.enabled = page->exportEnabled && gridRows >= 1; break;
    case 32808: ui.enabled = true; break;
    case 32821: ui.enabled = page->excelImportEnabled; break;
    case 32817: ui.enabled = page->labelEnabled; break;
    case 32818: ui.enabled = page->waybillEnabled; break;
    case 32819: ui.enabled = page->invoiceEnabled; break;
    case 32839: ui.enabled = true; break;
    case 32776: ui.enabled = page->command32776Enabled; break;
    default: break;  // 32806 and the view's own commands have no update rule
  }
  return ui;
}

std::optional<std::u16string> CompanyWebAddressUrl(std::string_view settingsText) {
  // The settings text holds at most 127 bytes.
  std::string_view text = settingsText.substr(0, std::min<size_t>(settingsText.size(), 127));
  if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  if (text.empty()) return std::nullopt;
  std::u16string address = WideFromGbk(text);
  if (address.empty()) return std::nullopt;
  size_t sep = address.find(u"://");
  if (sep == std::u16string::npos) return u"http://" + address;
  // Only web addresses are opened: a file or program scheme from the
  // dictionary is refused.
  std::string scheme;
  for (char16_t c : address.substr(0, sep)) {
    scheme.push_back(c < 0x80 ? static_cast<char>(std::tolower(static_cast<int>(c))) : '?');
  }
  if (scheme != "http" && scheme != "https") return std::nullopt;
  return address;
}
