#pragma once
// Menu localisation and rights-based hiding: gives the menu bar and its
// commands the captions of the interface language, then removes the
// commands the logged-in user has no right to (and some of their toolbar
// buttons), and the Master AWB menu when nothing is left in it.

#include <array>
#include <cstdint>
#include <vector>

class CLanguageTable;
class CMainFrame;

// One rule of the hiding table: the commands stay when the user holds any of
// the listed rights flags.
struct MenuRightRule {
  std::vector<int> commands;
  int menuPosition;              // top-level position before any removal
  std::vector<int> anyOfRights;  // rights flags of CServerLink::rights
  bool hideToolbarButton;
};

// The rules in the order they are applied.
const std::vector<MenuRightRule>& MenuRightRules();

// Whether the rights keep a command: false when a rule names the command and
// the user holds none of its rights; true for a command no rule names.
bool CommandAllowedByRights(int command, const std::array<int32_t, 200>& rights);

// The caption group k of each top-level position 0..7: top caption 100 + k,
// command j caption 1000 + 100 k + j.
inline constexpr std::array<int, 8> kMenuCaptionGroups = {0, 1, 2, 7, 3, 4, 5, 6};
inline constexpr int kMasterAwbMenuPosition = 3;

// Localises the frame's menu and toolbar captions, removes the refused
// commands (the frame also stops running them), removes the company web site
// command when no web address is set, and the Master AWB menu when it is
// empty.  Returns 1.
int LocalizeMenu(CMainFrame& frame, const CLanguageTable& language,
                 const std::array<int32_t, 200>& rights, bool hasCompanyWebAddress);
