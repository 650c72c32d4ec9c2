#include "print/TemplateCache.h"

#include "common/TextCodec.h"
#include "print/PrintContext.h"

CTemplateModel* CTemplateCache::Find(CServerLink& link, const std::string& programFolder,
                                     std::string_view kindGbk, std::string_view nameGbk) {
  auto cached = [&]() -> CTemplateModel* {
    for (const auto& model : cache_)
      if (model->KindName() == kindGbk && model->NameGbk() == nameGbk) return model.get();
    return nullptr;
  };
  {
    std::lock_guard lock(*PrintStateLock());
    if (CTemplateModel* model = cached()) return model;
  }
  // Fetched without the lock; a thread that fetched the same template
  // meanwhile has cached it first, and its copy is the one kept.
  auto model = std::make_unique<CTemplateModel>(kindGbk, nameGbk, 0);
  if (model->Fetch(link, programFolder) != 1) return nullptr;
  std::lock_guard lock(*PrintStateLock());
  if (CTemplateModel* first = cached()) return first;
  cache_.push_back(std::move(model));
  return cache_.back().get();
}

void CTemplateCache::LoadDefaults(CServerLink& link, const std::string& programFolder) {
  static constexpr std::u16string_view kDefaults[kTemplateSlotCount] = {
      u"默认形式发票", u"默认面单", u"默认标签"};
  for (int slot = 0; slot < kTemplateSlotCount; ++slot)
    SetCurrent(slot, Find(link, programFolder, TemplateKindName(slot), GbkFromWide(kDefaults[slot])));
}

CTemplateModel* CTemplateCache::Current(int slot) const {
  std::lock_guard lock(*PrintStateLock());
  return slot >= 0 && slot < kTemplateSlotCount ? current_[slot] : nullptr;
}

void CTemplateCache::SetCurrent(int slot, CTemplateModel* model) {
  std::lock_guard lock(*PrintStateLock());
  if (slot >= 0 && slot < kTemplateSlotCount) current_[slot] = model;
}

size_t CTemplateCache::Size() const {
  std::lock_guard lock(*PrintStateLock());
  return cache_.size();
}
