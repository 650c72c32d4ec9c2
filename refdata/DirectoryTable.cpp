#include "refdata/DirectoryTable.h"

#include <algorithm>
#include <cstring>

#include "common/FixedField.h"
#include "common/SettingsText.h"

namespace {

constexpr size_t kMaxCodeBytes = 11;
constexpr size_t kRows = 5;

unsigned char ByteAt(std::string_view s, size_t i) {
  return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

unsigned char Lower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool IsCodeText(std::string_view text) {
  const unsigned char first = static_cast<unsigned char>(text.front());
  return text.size() <= kMaxCodeBytes &&
         ((first >= '0' && first <= '9') || (first >= 'a' && first <= 'z'));
}

}  // namespace

int CompareDirectoryKey(std::string_view key, std::string_view text, size_t n) {
  size_t i = 0;
  while (i < n) {
    const unsigned char a = ByteAt(key, i);
    const unsigned char b = ByteAt(text, i);
    if (a >= 0x80) {
      // A double-byte character compares whole, without case.
      if (a != b) return a < b ? -1 : 1;
      if (i + 1 < n) {
        const unsigned char a2 = ByteAt(key, i + 1);
        const unsigned char b2 = ByteAt(text, i + 1);
        if (a2 != b2) return a2 < b2 ? -1 : 1;
        if (a2 == 0) return 0;
      }
      i += 2;
      continue;
    }
    const unsigned char la = Lower(a);
    const unsigned char lb = Lower(b);
    if (la != lb) return la < lb ? -1 : 1;
    if (a == 0) return 0;
    ++i;
  }
  return 0;
}

CDirectoryIndex::CDirectoryIndex(CDirectoryTable& table) : table_(table) {}

int CDirectoryIndex::Load(const std::filesystem::path& path) {
  const int count = table_.Load(path);
  if (count < 0) return -1;
  RebuildIndexes();
  return count;
}

std::string_view CDirectoryIndex::KeyOf(int position, Key key) const {
  const auto* record = static_cast<const DirectoryRecord*>(
      static_cast<const CMappedRecordFile&>(table_).GetAt(position));
  if (record == nullptr) return {};
  switch (key) {
    case Key::kCode: return FixedText(record->code);
    case Key::kName: return FixedText(record->name);
    case Key::kPhone: return FixedText(record->phone);
  }
  return {};
}

void CDirectoryIndex::BuildIndex(std::vector<int>& index, Key key) {
  index.clear();
  const int count = table_.GetCount();
  index.reserve(static_cast<size_t>(std::max(count, 0)));
  for (int position = 0; position < count; ++position) {
    const std::string_view text = KeyOf(position, key);
    const size_t n = text.size() + 1;
    // Binary search for the place; an equal key goes before the equal entry
    // the search meets.
    int lo = 0;
    int hi = static_cast<int>(index.size()) - 1;
    int place = -1;
    while (lo <= hi) {
      const int mid = (lo + hi) / 2;
      const std::string_view other = KeyOf(index[static_cast<size_t>(mid)], key);
      const int c = CompareDirectoryKey(text, other, std::max(n, other.size() + 1));
      if (c == 0) {
        place = mid;
        break;
      }
      if (c < 0) {
        hi = mid - 1;
      } else {
        lo = mid + 1;
      }
    }
    if (place < 0) place = lo;
    index.insert(index.begin() + place, position);
  }
}

void CDirectoryIndex::RebuildIndexes() {
  BuildIndex(codeIndex_, Key::kCode);
  BuildIndex(nameIndex_, Key::kName);
  BuildIndex(phoneIndex_, Key::kPhone);
  builtCount_ = table_.GetCount();
  builtChanges_ = table_.ChangeCounter();
  builtLastId_ = table_.GetLastId();
}

CDirectoryIndex& CDirectoryIndex::Fresh() {
  if (builtCount_ != table_.GetCount() || builtChanges_ != table_.ChangeCounter() ||
      builtLastId_ != table_.GetLastId()) {
    RebuildIndexes();
  }
  return *this;
}

DirectoryRecord* CDirectoryIndex::FindByName(std::string_view name) {
  for (int i = table_.GetCount() - 1; i >= 0; --i) {
    DirectoryRecord* record = table_.Record(i);
    if (record != nullptr && FixedText(record->name) == name) return record;
  }
  return nullptr;
}

DirectoryRecord* CDirectoryIndex::FindByPhone(std::string_view phone) {
  for (int i = table_.GetCount() - 1; i >= 0; --i) {
    DirectoryRecord* record = table_.Record(i);
    if (record != nullptr && FixedText(record->phone) == phone) return record;
  }
  return nullptr;
}

int CDirectoryIndex::IndexOfId(int32_t id) const {
  int lo = 0;
  int hi = table_.GetCount() - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const auto* record = static_cast<const DirectoryRecord*>(
        static_cast<const CMappedRecordFile&>(table_).GetAt(mid));
    if (record == nullptr) return -1;
    const int32_t midId = record->id;
    if (midId > id) {
      hi = mid - 1;
    } else if (midId < id) {
      lo = mid + 1;
    } else {
      return mid;
    }
  }
  return -1;
}

void CDirectoryIndex::RemoveById(int32_t id) {
  const int position = IndexOfId(id);
  if (position >= 0) table_.RemoveAt(position);
  RebuildIndexes();
}

int CDirectoryIndex::PrefixSearch(const std::vector<int>& index, Key key,
                                  std::string_view text) const {
  const size_t n = text.size();
  int lo = 0;
  int hi = static_cast<int>(index.size()) - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const int c = CompareDirectoryKey(KeyOf(index[static_cast<size_t>(mid)], key), text, n);
    if (c == 0) {
      int first = mid;
      while (first > 0 &&
             CompareDirectoryKey(KeyOf(index[static_cast<size_t>(first - 1)], key), text, n) == 0) {
        --first;
      }
      return first;
    }
    if (c > 0) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return -1;
}

void CDirectoryIndex::TakeFromIndex(Rows& rows, const std::vector<int>& index, int first) {
  size_t row = 0;
  for (size_t i = static_cast<size_t>(first); i < index.size() && row < kRows; ++i) {
    if (DirectoryRecord* record = table_.Record(index[i])) rows[row++] = record;
  }
}

void CDirectoryIndex::Search(Rows& rows, std::string_view text) {
  if (text.empty()) return;
  Fresh();
  const bool byCode = IsCodeText(text);
  const std::vector<int>& index = byCode ? codeIndex_ : nameIndex_;
  rows.fill(nullptr);
  const int first = PrefixSearch(index, byCode ? Key::kCode : Key::kName, text);
  if (first >= 0) {
    TakeFromIndex(rows, index, first);
    return;
  }
  size_t row = 0;
  const int count = table_.GetCount();
  for (int i = 0; i < count && row < kRows; ++i) {
    DirectoryRecord* record = table_.Record(i);
    if (record != nullptr && FixedText(record->name).find(text) != std::string_view::npos) {
      rows[row++] = record;
    }
  }
}

void CDirectoryIndex::SearchByPhone(Rows& rows, std::string_view text) {
  if (text.empty()) return;
  Fresh();
  rows.fill(nullptr);
  const int first = PrefixSearch(phoneIndex_, Key::kPhone, text);
  if (first >= 0) TakeFromIndex(rows, phoneIndex_, first);
}

bool CDirectoryIndex::IsCodeTaken(std::string_view code, int32_t ownId) {
  if (code.empty()) return true;
  Fresh();
  // The entries whose code equals without case, then the exact holders.
  const std::string whole(code);  // searched with its terminator: whole codes only
  const size_t n = whole.size() + 1;
  int lo = 0;
  int hi = static_cast<int>(codeIndex_.size()) - 1;
  int hit = -1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const int c = CompareDirectoryKey(KeyOf(codeIndex_[static_cast<size_t>(mid)], Key::kCode),
                                      whole, n);
    if (c == 0) {
      hit = mid;
      break;
    }
    if (c > 0) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  if (hit < 0) return false;
  while (hit > 0 && CompareDirectoryKey(KeyOf(codeIndex_[static_cast<size_t>(hit - 1)], Key::kCode),
                                        whole, n) == 0) {
    --hit;
  }
  for (size_t i = static_cast<size_t>(hit); i < codeIndex_.size(); ++i) {
    const int position = codeIndex_[i];
    const std::string_view key = KeyOf(position, Key::kCode);
    if (CompareDirectoryKey(key, whole, n) != 0) break;
    const DirectoryRecord* record = table_.Record(position);
    if (key == code && record != nullptr && (ownId == 0 || record->id != ownId)) return true;
  }
  return false;
}

std::string CDirectoryIndex::RandomCode() {
  std::uniform_int_distribution<int> draw(0, 32767);
  for (;;) {
    const int r1 = draw(random_);
    const int r2 = draw(random_);
    long long n = static_cast<long long>(r1) * 100 + r2;
    if (n >= 10000000) n /= 10;
    std::string code = std::to_string(n);
    if (!IsCodeTaken(code, 0)) return code;
  }
}

std::string CDirectoryIndex::MakeDirectoryCode(std::string_view name) {
  std::string initials = MakePinyinInitials(name);
  if (initials.size() > kMaxCodeBytes) initials.resize(kMaxCodeBytes);
  if (initials.empty()) return RandomCode();
  if (!IsCodeTaken(initials, 0)) return initials;
  for (int i = 0; i <= 99999; ++i) {
    const std::string number = std::to_string(i);
    std::string candidate = initials.substr(0, kMaxCodeBytes - number.size()) + number;
    if (!IsCodeTaken(candidate, 0)) return candidate;
  }
  // Every numbered code is taken: a random one that no entry holds.
  return RandomCode();
}
