#include "print/PrintContext.h"

#include "common/LanguageTable.h"

std::shared_ptr<std::recursive_mutex> PrintStateLock() {
  static const auto lock = std::make_shared<std::recursive_mutex>();
  return lock;
}

std::u16string PrintContext::Text(int32_t id) const {
  if (text) return text(id);
  return AppLanguage().Text(id);
}

std::u16string PrintContext::Text(int32_t id, std::u16string_view caption) const {
  return AppLanguage().Text(id, caption);
}

void PrintContext::Message(std::u16string_view value) const {
  if (message) message(value);
}

int32_t PrintContext::Load(int32_t id, InputWaybillRecord& record, PieceList& pieces,
                           GoodsList& goods) const {
  if (!loadRecord || id <= 0 || loadRecord(id, record, pieces, goods) != id) return 0;
  for (auto& line : pieces)
    if (line->owner == 0) line->owner = id;
  for (auto& line : goods)
    if (line->owner == 0) line->owner = id;
  return id;
}
