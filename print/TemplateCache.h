#pragma once
// Every template the program has fetched, kept for the whole run so that a
// template is transferred at most once, and the three current templates
// (invoice, channel waybill, label) the print jobs use.  The window and the
// print workers share it: its look-ups and changes hold the print state lock
// (PrintStateLock, print/PrintContext.h), a fetch does not.  Templates are
// never removed, so a template found stays valid for the whole run.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "print/TemplateModel.h"

class CServerLink;

class CTemplateCache {
 public:
  CTemplateCache() = default;
  CTemplateCache(const CTemplateCache&) = delete;
  CTemplateCache& operator=(const CTemplateCache&) = delete;

  // The template of that kind and name (GBK, compared byte for byte): the
  // cached one, else a new one fetched and cached; null when it cannot be
  // fetched (a failure is not remembered).
  CTemplateModel* Find(CServerLink& link, const std::string& programFolder,
                       std::string_view kindGbk, std::string_view nameGbk);
  // Start-up: slot 0 "默认形式发票", 1 "默认面单", 2 "默认标签" of their
  // kinds; a template not found leaves its slot empty.
  void LoadDefaults(CServerLink& link, const std::string& programFolder);

  CTemplateModel* Current(int slot) const;
  void SetCurrent(int slot, CTemplateModel* model);
  size_t Size() const;

 private:
  std::vector<std::unique_ptr<CTemplateModel>> cache_;
  std::array<CTemplateModel*, kTemplateSlotCount> current_{};
};
