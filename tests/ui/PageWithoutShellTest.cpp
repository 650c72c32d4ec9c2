// The page classes built and laid out with nothing above ui/: this program
// links the page folders (through brantle_pages) and ui, not the shell.  A
// page takes its screen size from the host it is given, and the folders
// include only what lies below them.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSize>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/ViewPages.h"
#include "common/LanguageTable.h"
#include "entry/QuickEntryPage.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

namespace {

namespace fs = std::filesystem;

// The pages that host the quick-search list.
bool PageHasQuickList(int index) {
  for (int page : {5, 8, 9, 10, 11, 12, 16}) {
    if (page == index) return true;
  }
  return false;
}

// The width of the form a page shows beside its grid (0: none): the quick
// entry form, the full waybill form, the record check form, the hand-over
// form, the directory record form, the streamlined entry form, the master
// air waybill status panel.
int EntryPanelWidth(int index) {
  switch (index) {
    case 0: return 480;
    case 15: return 480;
    case 1: return 570;
    case 2: return 250;
    case 3: return 320;
    case 4: return 350;
    case 14: return 250;  // the master air waybill status panel
    case 6: return 320;
    case 7: return 320;
    default: return 0;
  }
}

// The page's title: its page name, but the quick entry, waybill, hand-over
// and directory pages name themselves after their own texts.
int32_t PageTitleId(int index) {
  if (index == 0 || index == 15) return 120050;
  if (index == 1) return 22696;
  if (index == 3) return 200050;
  if (index == 4) return 22600;
  if (index == 14) return 460000;
  if (index == 6) return 260050;
  if (index == 7) return 270050;
  return kPageNameTextIds[static_cast<size_t>(index)];
}

class ScreenHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return screen; }
  QSize screen{1000, 800};
};

TEST(PageWithoutShell, EveryPageClassIsBuiltAndLaidOutThroughItsHost) {
  ScreenHost host;
  std::vector<const std::type_info*> types;
  for (int index = 0; index < kViewPageCount; ++index) {
    SCOPED_TRACE(index);
    std::unique_ptr<CViewPage> page = CreateViewPage(index);
    ASSERT_NE(page, nullptr);
    types.push_back(&typeid(*page));
    page->index = index;
    page->host = &host;
    page->CreatePageWindow(nullptr, QSize(995, 720));
    page->OnPageCreated();
    EXPECT_TRUE(page->created);
    // Pages with a record list on the left show it beside their grid; some
    // pages show their form there instead, as wide as the form.
    const bool listBeside = PageHasQuickList(index);
    const int panel = EntryPanelWidth(index);
    EXPECT_EQ(page->listOnly, listBeside || panel > 0 ? 0 : 1);
    // The layout follows the host's screen, not the machine's.
    const int left = panel > 0 ? panel : listBeside ? 220 : 10;
    EXPECT_EQ(page->grid->geometry(), QRect(left, 36, 1000 - 10 - left, 800 - 164));
    EXPECT_EQ(page->title, AppLanguage().Text(PageTitleId(index)));
  }
  EXPECT_EQ(CreateViewPage(17), nullptr);
  EXPECT_EQ(CreateViewPage(-1), nullptr);
  for (size_t i = 0; i < types.size(); ++i)
    for (size_t j = i + 1; j < types.size(); ++j) EXPECT_NE(*types[i], *types[j]) << i << " " << j;
}

TEST(PageWithoutShell, APageShowsItsListOnItsOwn) {
  ScreenHost host;
  host.screen = QSize(900, 768);
  CQuickEntryPage page;
  page.index = 0;
  page.host = &host;
  page.CreatePageWindow(nullptr, QSize(895, 688));
  page.OnPageCreated();
  page.show();
  EXPECT_TRUE(page.grid->isVisible());
  EXPECT_TRUE(page.countLabel->text().startsWith(
      QString::fromStdU16String(AppLanguage().Text(120050))));
  page.grid->InsertColumn(0, 40, u"No", 0, kGridColumnAll);
  page.grid->InsertRow(0);
  page.grid->InsertRow(1);
  page.ClearList();
  EXPECT_EQ(page.grid->RowCount(), 0);
}

// Every folder includes only what lies below it: the shared controls know
// nothing of the shell or the program, the page folders reach the shell's
// application object (print jobs, stores) but not the program, and the shell
// knows no page class.
TEST(PageWithoutShell, IncludesPointOnlyDown) {
  const struct {
    const char* folder;
    std::vector<std::string> forbidden;
  } rules[] = {
      {"ui", {"shell", "app", "entry", "shipping", "consolidation", "import"}},
      {"entry", {"app"}},
      {"shipping", {"app"}},
      {"consolidation", {"shell", "app"}},
      {"import", {"shell", "app"}},
      {"shell", {"app", "entry", "shipping", "consolidation", "import"}},
  };
  const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*\"([^/\"]+)/"),
                                   QRegularExpression::MultilineOption);
  int filesRead = 0;
  for (const auto& rule : rules) {
    for (const auto& entry : fs::directory_iterator(fs::path(BRANTLE_SOURCE_DIR) / rule.folder)) {
      const std::string extension = entry.path().extension().string();
      if (extension != ".h" && extension != ".cpp") continue;
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      ++filesRead;
      auto matches = include.globalMatch(QString::fromStdString(text.str()));
      while (matches.hasNext()) {
        const std::string folder = matches.next().captured(1).toStdString();
        for (const std::string& bad : rule.forbidden) {
          EXPECT_NE(folder, bad) << entry.path().string() << " includes " << bad << "/";
        }
      }
    }
  }
  EXPECT_GT(filesRead, 40);
}

}  // namespace
