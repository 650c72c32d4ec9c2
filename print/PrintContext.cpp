#include "print/PrintContext.h"

#include "common/LanguageTable.h"

std::u16string PrintContext::Text(int32_t id) const {
  if (text) return text(id);
  return AppLanguage().Text(id);
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
