// The sample print templates: each a pair of files in localserver/templates
// as the client's template folder holds them, <name>.txt (the template text,
// GBK) and <name>.xls (the workbook).  tests/print/MakeSampleTemplates.cpp
// writes them.  A pair that cannot be read is left out (the client then
// reports the template missing).
#include <fstream>
#include <iterator>
#include <string>

#include "localserver/Database.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

void LoadSampleTemplates(Database& db) {
  struct Sample {
    const char* name;
    const char* kind;
  };
  static constexpr Sample kSamples[] = {
      {"默认形式发票", "形式发票"},
      {"默认面单", "渠道面单"},
      {"默认标签", "快件标签"},
      {"标签一页八枚", "快件标签"},
      {"客户结算", "客户结算"},
      {"装袋标签", "装袋标签"},
      {"封袋标签", "封袋标签"},
      {"总单清单", "AWB导出"},
      {"总单分件清单", "AWB导出"},
      {"总单物品横列", "AWB导出"},
      {"总单物品分列", "AWB导出"},
      {"总单分件物品分列", "AWB导出"},
  };
  const std::string folder = std::string(BRANTLE_LANG_DIR) + "/../templates/";
  for (const Sample& s : kSamples) {
    std::string gbk, text, book;
    if (!ReadFile(folder + s.name + ".txt", gbk) || !Utf8FromGbk(gbk, text) ||
        !ReadFile(folder + s.name + ".xls", book))
      continue;
    Statement st(db.Handle(),
                 "INSERT INTO sys_model(cname,ckind,ctext,vdata,ddate) VALUES(?,?,?,?,?)");
    st.Bind(1, std::string(s.name)).Bind(2, std::string(s.kind)).Bind(3, text);
    st.Bind(4, DbValue::OfBlob(book)).Bind(5, std::string("2024-01-01 00:00:00"));
    st.Step();
  }
}

}  // namespace localserver
