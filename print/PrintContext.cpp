#include "print/PrintContext.h"

#include "common/LanguageTable.h"

std::u16string PrintContext::Text(int32_t id) const {
  if (text) return text(id);
  return AppLanguage().Text(id);
}

void PrintContext::Message(std::u16string_view value) const {
  if (message) message(value);
}
