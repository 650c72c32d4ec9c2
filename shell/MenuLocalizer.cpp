#include "shell/MenuLocalizer.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "common/LanguageTable.h"
#include "shell/MainFrame.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

QAction* FindCommand(QMenu* menu, int commandId) {
  if (!menu) return nullptr;
  for (QAction* action : menu->actions())
    if (action->data().toInt() == commandId) return action;
  return nullptr;
}

void RemoveCommand(CMainFrame& frame, QMenu* menu, int commandId, bool hideToolbarButton) {
  if (QAction* action = FindCommand(menu, commandId)) menu->removeAction(action);
  if (hideToolbarButton) {
    if (QAction* action = frame.CommandAction(commandId)) frame.ToolBar()->removeAction(action);
  }
}

}  // namespace

const std::vector<MenuRightRule>& MenuRightRules() {
  static const std::vector<MenuRightRule> rules = {
      {{32837}, 2, {9, 39}, true},
      {{32780}, 2, {9, 94}, true},
      {{32778}, 2, {9, 95}, true},
      {{32843}, 2, {10, 165}, false},
      {{32810}, 2, {29}, true},
      {{32838}, 2, {34}, true},
      {{32841, 32840}, 2, {36}, false},
      {{32852}, 2, {33}, false},
      {{32844}, 3, {189, 190, 191, 192, 193}, false},
      {{32845}, 3, {189, 194}, false},
      {{32846}, 3, {189, 196}, false},
      {{32848}, 3, {73}, false},
      {{32847}, 3, {9, 95}, false},
  };
  return rules;
}

namespace {

bool RuleKept(const MenuRightRule& rule, const std::array<int32_t, 200>& rights) {
  for (int flag : rule.anyOfRights) {
    if (flag >= 0 && flag < static_cast<int>(rights.size()) && rights[static_cast<size_t>(flag)] != 0)
      return true;
  }
  return false;
}

}  // namespace

bool CommandAllowedByRights(int command, const std::array<int32_t, 200>& rights) {
  for (const MenuRightRule& rule : MenuRightRules()) {
    for (int ruled : rule.commands) {
      if (ruled == command && !RuleKept(rule, rights)) return false;
    }
  }
  return true;
}

int LocalizeMenu(CMainFrame& frame, const CLanguageTable& language,
                 const std::array<int32_t, 200>& rights, bool hasCompanyWebAddress) {
  // All menus are found by their position before anything is removed.
  std::array<QMenu*, 8> menus{};
  QList<QAction*> tops = frame.menuBar()->actions();
  for (int p = 0; p < 8 && p < tops.size(); ++p) menus[p] = tops[p]->menu();

  for (int p = 0; p < 8 && p < tops.size(); ++p) {
    int k = kMenuCaptionGroups[p];
    tops[p]->setText(Q(language.Text(100 + k)));
    const std::vector<int32_t>& commands = language.MenuCommands(static_cast<size_t>(p));
    for (size_t j = 0; j < commands.size(); ++j) {
      std::u16string caption = language.Text(1000 + 100 * k + static_cast<int>(j));
      if (!caption.empty() && caption[0] == u'?') continue;
      if (QAction* action = FindCommand(menus[p], commands[j])) action->setText(Q(caption));
    }
  }

  for (const MenuRightRule& rule : MenuRightRules()) {
    if (RuleKept(rule, rights)) continue;
    for (int command : rule.commands) {
      RemoveCommand(frame, menus[rule.menuPosition], command, rule.hideToolbarButton);
      frame.RefuseCommand(command);
    }
  }
  // The company web site command needs an address, not a right; its toolbar
  // button stays.
  if (!hasCompanyWebAddress) RemoveCommand(frame, menus[7], kCmdCompanyWebSite, false);
  if (menus[kMasterAwbMenuPosition] && menus[kMasterAwbMenuPosition]->actions().isEmpty())
    frame.menuBar()->removeAction(menus[kMasterAwbMenuPosition]->menuAction());
  return 1;
}
