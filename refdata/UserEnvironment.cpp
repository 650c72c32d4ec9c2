#include "refdata/UserEnvironment.h"

#include <cstdlib>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"

namespace {

constexpr int kShortestValueLines = 5;
constexpr int32_t kHeadOfficeGrade = 128;

std::string Cut(std::string text, size_t n) {
  GbkTruncate(text, n);
  return text;
}

}  // namespace

void UserEnvironment::SetDefaults() {
  values.fill(0);
  values[1] = 1;
  values[6] = 1;
  values[3] = 1;
  values[4] = 1;
  values[22] = 4;
  lockMinutes = kDefaultLockMinutes;
  values[kLockLine] = lockMinutes;
  lockMilliseconds = static_cast<uint32_t>(lockMinutes) * 60000u;
}

bool ApplyUserEnvironment(UserEnvironment& env, std::string_view value) {
  value = value.substr(0, value.find('\0'));
  int lines = 0;
  size_t start = 0;
  while (lines < UserEnvironment::kLines && start < value.size()) {
    size_t end = value.find('\n', start);
    std::string line(value.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    int n = ++lines;
    bool on = !line.empty() && line[0] == '1';
    switch (n) {
      case 3: case 4: case 5: case 7:
        env.values[static_cast<size_t>(n)] = static_cast<int32_t>(std::atol(line.c_str()));
        break;
      case UserEnvironment::kLockLine: {
        long minutes = std::atol(line.c_str());
        if (minutes <= 0) minutes = UserEnvironment::kDefaultLockMinutes;
        if (minutes > UserEnvironment::kLongestLockMinutes) minutes = UserEnvironment::kLongestLockMinutes;
        env.lockMinutes = static_cast<int32_t>(minutes);
        env.values[static_cast<size_t>(n)] = env.lockMinutes;
        env.lockMilliseconds = static_cast<uint32_t>(minutes) * 60000u;
        break;
      }
      case 22:
        env.values[22] = on ? 5 : 4;
        break;
      default:
        env.values[static_cast<size_t>(n)] = on ? 1 : 0;
        break;
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines >= kShortestValueLines;
}

std::string UserEnvironmentQuery(std::string_view accountGbk) {
  return "SELECT cvalue FROM brantle.dbo.man_set WHERE cname='ps_envi' AND caccount='" +
         QuoteSqlNarrow(accountGbk) + "'";
}

bool LoadUserEnvironment(const SqlRunner& sql, std::string_view accountGbk, UserEnvironment& env) {
  env.SetDefaults();
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCChar, 128)};
  std::string reply;
  if (sql(UserEnvironmentQuery(accountGbk), kTypes, reply) < 10) return false;
  std::string value;
  bool found = false;
  ForEachReplyRow(reply, [&](std::string_view object) {
    if (found) return;
    found = true;
    value = JsonRowIndex(object).GetString("0", 128);
  });
  if (value.empty()) return false;
  return ApplyUserEnvironment(env, value);
}

std::string StaffQuery(std::string_view stationGbk, int32_t grade) {
  std::string sql =
      "SELECT mcaccount,mcname,mcpost,mcdepartment,mvright,mcmode,mccomway,mcsmphone,mcstation,"
      "mcheadship,cmsn FROM brantle.dbo.man_main ";
  if (!stationGbk.empty()) {
    std::string station = QuoteSqlNarrow(stationGbk);
    if (grade < kHeadOfficeGrade)
      sql += "WHERE mcstation='" + station + "' ";
    else
      sql += "WHERE mcstation IN('" + station + "','') ";
  }
  sql += "ORDER BY mcmode,mcname";
  return sql;
}

bool LoadStaff(const SqlRunner& sql, std::string_view stationGbk, int32_t grade,
               std::vector<StaffEntry>& staff) {
  staff.clear();
  auto text = [](unsigned width) { return AcsTypeEntry(kSqlCChar, width); };
  const uint32_t types[] = {text(32), text(32), text(16), text(32), AcsTypeEntry(kSqlCBinary, 16), text(2),
                            text(64), text(32), text(16), text(16), text(64)};
  std::string reply;
  if (sql(StaffQuery(stationGbk, grade), types, reply) <= 0) return false;
  ForEachReplyRow(reply, [&](std::string_view object) {
    JsonRowIndex row(object);
    StaffEntry entry;
    entry.mcaccount = row.GetString("0", 30);
    if (entry.mcaccount.empty()) return;
    entry.mcname = Cut(row.GetString("1", 31), 31);
    entry.mcpost = Cut(row.GetString("2", 15), 15);
    entry.mcdepartment = Cut(row.GetString("3", 31), 31);
    std::string mode = row.GetString("5", 2);
    entry.mode = mode.empty() ? 0 : mode[0];
    entry.notModeA = entry.mode == 'A' ? 0 : 1;
    entry.mccomway = Cut(row.GetString("6", 44), 44);
    entry.mcsmphone = Cut(row.GetString("7", 22), 22);
    entry.mcstation = Cut(row.GetString("8", 15), 15);
    entry.mcheadship = Cut(row.GetString("9", 15), 15);
    entry.cmsn = Cut(row.GetString("10", 63), 63);
    staff.push_back(std::move(entry));
  });
  return !staff.empty();
}
