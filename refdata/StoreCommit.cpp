#include "refdata/StoreCommit.h"

#include <cerrno>
#include <cstring>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"

bool CommitStoreOrTell(CMappedRecordFile& store) {
  errno = 0;
  if (store.IsOpen() && store.Commit() != 0) return true;
  std::u16string reason = store.FailureText();
  if (reason.empty() && errno != 0) reason = WideFromNarrow(std::strerror(errno), 65001);
  std::u16string text = AppLanguage().Text(kStoreWriteFailedText);
  ReplaceAllW(text, u"%1", WideFromNarrow(store.Path().string(), 65001));
  ReplaceAllW(text, u"%2", reason);
  platform::ShowMessageBox(text, {}, platform::kMbOk | platform::kMbIconError);
  return false;
}
