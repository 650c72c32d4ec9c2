#include "print/TemplateChoice.h"

#include <cstdint>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "print/TemplateCache.h"

int TemplateSlotOfCommand(int command) {
  switch (command) {
    case 32813: return kLabelSlot;
    case 32815: return kWaybillSlot;
    case 32814: return kInvoiceSlot;
    default: return -1;
  }
}

std::vector<std::u16string> ListTemplateNames(const SqlRunner& run, int slot) {
  std::vector<std::u16string> names;
  std::string kind = TemplateKindName(slot);
  if (kind.empty() || !run) return names;
  std::string sql =
      "SELECT cname FROM brantle.dbo.sys_model WHERE ckind='" + kind + "' ORDER BY cname";
  const uint32_t types[] = {(1u << 16) + 32};  // one text column
  std::string reply;
  if (run(sql, types, reply) <= 9 || reply.find("\"List\":") == std::string::npos) return names;
  ForEachReplyRow(reply, [&](std::string_view row) {
    std::string name = JsonGetString("0", row, 30);
    if (!name.empty()) names.push_back(WideFromGbk(name));
  });
  return names;
}

int TakeChosenTemplate(CTemplateCache& cache, CServerLink& link, const std::string& programFolder,
                       int slot, const std::u16string& chosen) {
  if (chosen.empty() || slot < 0 || slot >= kTemplateSlotCount) return 0;
  std::string name = GbkFromWide(std::u16string_view(chosen).substr(0, 31));
  CTemplateModel* model = cache.Find(link, programFolder, TemplateKindName(slot), name);
  if (!model) return 0;
  cache.SetCurrent(slot, model);
  return 1;
}
