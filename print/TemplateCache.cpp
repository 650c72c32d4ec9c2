#include "print/TemplateCache.h"

#include "common/TextCodec.h"

CTemplateModel* CTemplateCache::Find(CServerLink& link, const std::string& programFolder,
                                     std::string_view kindGbk, std::string_view nameGbk) {
  for (const auto& model : cache_)
    if (model->KindName() == kindGbk && model->NameGbk() == nameGbk) return model.get();
  auto model = std::make_unique<CTemplateModel>(kindGbk, nameGbk, 0);
  if (model->Fetch(link, programFolder) != 1) return nullptr;
  cache_.push_back(std::move(model));
  return cache_.back().get();
}

void CTemplateCache::LoadDefaults(CServerLink& link, const std::string& programFolder) {
  static constexpr std::u16string_view kDefaults[kTemplateSlotCount] = {
      u"默认形式发票", u"默认面单", u"默认标签"};
  for (int slot = 0; slot < kTemplateSlotCount; ++slot)
    current_[slot] =
        Find(link, programFolder, TemplateKindName(slot), GbkFromWide(kDefaults[slot]));
}

CTemplateModel* CTemplateCache::Current(int slot) const {
  return slot >= 0 && slot < kTemplateSlotCount ? current_[slot] : nullptr;
}

void CTemplateCache::SetCurrent(int slot, CTemplateModel* model) {
  if (slot >= 0 && slot < kTemplateSlotCount) current_[slot] = model;
}
