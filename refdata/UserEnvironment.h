#pragma once
// The logged-in user's environment settings (the "ps_envi" row of man_set)
// and the staff list (man_main), both loaded once after the login.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/SqlRunner.h"

struct UserEnvironment {
  static constexpr int kLines = 37;
  static constexpr int32_t kDefaultLockMinutes = 15;
  static constexpr int32_t kLongestLockMinutes = 999;
  static constexpr int kLockLine = 12;

  // Line n's value at index n (index 0 is not used): numbers for lines 3, 4,
  // 5 and 7, 4 or 5 for line 22, the lock minutes for line 12, flags (0 or
  // 1) for the others.
  std::array<int32_t, kLines + 1> values{};
  int32_t lockMinutes = kDefaultLockMinutes;  // 1..999
  uint32_t lockMilliseconds = kDefaultLockMinutes * 60000u;

  UserEnvironment() { SetDefaults(); }
  // Lines 1 and 6 on, lines 3 and 4 equal to 1, line 22 equal to 4, the
  // lock after 15 minutes, everything else 0.
  void SetDefaults();
  int32_t Line(int n) const { return n >= 1 && n <= kLines ? values[static_cast<size_t>(n)] : 0; }
};

// Reads the lines of a ps_envi value over the defaults already in place,
// in order until one is missing; true when there were at least five.
bool ApplyUserEnvironment(UserEnvironment& environment, std::string_view value);

// The SQL text of the account's ps_envi row (the account GBK, quoted).
std::string UserEnvironmentQuery(std::string_view accountGbk);
// Sets the defaults, then reads the account's row; false (defaults kept for
// what was not read) when the row is missing, empty or short.
bool LoadUserEnvironment(const SqlRunner& sql, std::string_view accountGbk,
                         UserEnvironment& environment);

// One row of the staff list.  Texts are GBK.
struct StaffEntry {
  std::string mcname;        // at most 31 bytes
  std::string mcaccount;     // 30
  std::string cmsn;          // 63
  std::string mcheadship;    // 15
  std::string mcpost;        // 15
  std::string mcdepartment;  // 31
  std::string mccomway;      // 44
  std::string mcsmphone;     // 22
  std::string mcstation;     // 15
  char mode = 0;             // the first character of mcmode
  int32_t notModeA = 1;      // 1 unless the mode letter is 'A'
};

// The staff query of a user: everybody without a station; the station's
// staff for a grade below 128; the station's and the head office's (no
// station) for a grade of 128 and above.
std::string StaffQuery(std::string_view stationGbk, int32_t grade);
// Replaces the list; true when it is not empty.
bool LoadStaff(const SqlRunner& sql, std::string_view stationGbk, int32_t grade,
               std::vector<StaffEntry>& staff);
