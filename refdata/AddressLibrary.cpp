#include "refdata/AddressLibrary.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "common/GbkText.h"
#include "refdata/StationCacheSync.h"

namespace {

constexpr std::string_view kIdentificationPrefix = "BRANTLE CITY LIBRARY ";
constexpr std::string_view kKeySuffix = "/ZIP-CCD-NC";
// Far above the company's library; a header beyond these is damaged.
constexpr uint64_t kMaxRegions = 4096;
constexpr uint64_t kMaxEntries = 16u << 20;
constexpr uint64_t kMaxText = 256u << 20;

int32_t ReadInt(const char* at) {
  int32_t v;
  std::memcpy(&v, at, 4);
  return v;
}

// The NUL-terminated text of [at, at + width), or nothing when there is no
// NUL inside.
bool Terminated(const char* at, size_t width, std::string_view& text) {
  const void* end = std::memchr(at, 0, width);
  if (!end) return false;
  text = std::string_view(at, static_cast<size_t>(static_cast<const char*>(end) - at));
  return true;
}

void PutField(std::string& out, std::string_view text, size_t width) {
  stationcache::PutPadded(out, GbkCopyN(text, width - 1), width);
}

}  // namespace

CityChoice CityChoice::Of(const AddressEntry& entry) {
  return {std::string(entry.zipB), std::string(entry.zipE), std::string(entry.Nc()),
          std::string(entry.Ccd()), std::string(entry.Name())};
}

std::string CAddressLibrary::IdentificationText(std::string_view edition) {
  return GbkCopyN(std::string(kIdentificationPrefix) + std::string(edition),
                  kIdentificationSize - 1);
}

CAddressLibrary::Key CAddressLibrary::KeyOf(std::string_view identification) {
  return Md5Digest(std::string(identification) + std::string(kKeySuffix));
}

bool CAddressLibrary::LoadFromFolder(std::string_view programFolder) {
  const std::string path = std::string(programFolder) + std::string(kFileName);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return IsLoaded();
  const std::string identification = IdentificationText();
  Load(path, identification, KeyOf(identification));
  return IsLoaded();
}

void CAddressLibrary::Unload() {
  loaded_ = false;
  bytes_.reset();
  firstIndex_.clear();
  nameIndex_.clear();
  postcodeIndex_.clear();
  regions_.clear();
  entries_.clear();
  distinctNames_ = 0;
  textSize_ = 0;
  nameBlock_.clear();
  nameStarts_.clear();
}

bool CAddressLibrary::Refuse(std::string reason) {
  Unload();
  loadError_ = std::move(reason);
  return false;
}

bool CAddressLibrary::Load(const std::string& path, std::string_view identification,
                           const Key& key) {
  Unload();
  loadError_.clear();
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return Refuse("cannot be opened");
  const std::streamoff fileSize = in.tellg();
  if (fileSize < static_cast<std::streamoff>(kHeaderSize)) return Refuse("shorter than its header");
  in.seekg(0);

  char header[kHeaderSize];
  in.read(header, kHeaderSize);
  std::string expected(kIdentificationSize, '\0');
  std::memcpy(expected.data(), identification.data(),
              std::min(identification.size(), kIdentificationSize - 1));
  if (!in || std::memcmp(header, expected.data(), kIdentificationSize) != 0)
    return Refuse("not an address library of this program");

  const int32_t regionCount = ReadInt(header + 32), distinct = ReadInt(header + 36),
                entryCount = ReadInt(header + 40), textSize = ReadInt(header + 44);
  if (regionCount < 0 || entryCount < 0 || textSize < 0 || static_cast<uint64_t>(regionCount) > kMaxRegions ||
      static_cast<uint64_t>(entryCount) > kMaxEntries || static_cast<uint64_t>(textSize) > kMaxText ||
      distinct < 0 || distinct > entryCount)
    return Refuse("header counts out of range");
  const uint64_t regions = static_cast<uint64_t>(regionCount), entries = static_cast<uint64_t>(entryCount),
                 text = static_cast<uint64_t>(textSize);
  const uint64_t size = kHeaderSize + regions * kRegionSize + entries * kEntrySize + text + entries * 12;
  if (size != static_cast<uint64_t>(fileSize)) return Refuse("its size does not match its header");

  const size_t bodySize = static_cast<size_t>(size - kHeaderSize);
  std::unique_ptr<char[]> body(new (std::nothrow) char[bodySize ? bodySize : 1]);
  if (!body) return Refuse("not enough memory");
  in.read(body.get(), static_cast<std::streamsize>(bodySize));
  if (static_cast<uint64_t>(in.gcount()) != bodySize) return Refuse("cannot be read whole");

  const char* regionBytes = body.get();
  const char* entryBytes = regionBytes + regions * kRegionSize;
  char* textBlock = const_cast<char*>(entryBytes) + entries * kEntrySize;
  const char* indexBytes = textBlock + text;
  for (size_t i = 0; i < text; ++i) textBlock[i] = static_cast<char>(textBlock[i] ^ key[i % 16]);

  std::vector<AddressRegion> regionList(regions);
  for (size_t r = 0; r < regions; ++r) {
    const char* at = regionBytes + r * kRegionSize;
    AddressRegion& region = regionList[r];
    region.first = ReadInt(at + 8);
    region.last = ReadInt(at + 12);
    if (!Terminated(at, 8, region.code) || region.first < 0 || region.first > region.last ||
        region.last >= entryCount)
      return Refuse("region " + std::to_string(r + 1) + " is damaged");
  }

  std::vector<AddressEntry> entryList(entries);
  for (size_t e = 0; e < entries; ++e) {
    const char* at = entryBytes + e * kEntrySize;
    AddressEntry& entry = entryList[e];
    const int32_t offset = ReadInt(at + 16);
    std::string_view nc, ccd, name;
    if (!Terminated(at, 8, entry.zipB) || !Terminated(at + 8, 8, entry.zipE) || offset < 0 ||
        static_cast<uint64_t>(offset) + 7 >= text ||
        !Terminated(textBlock + offset, 3, nc) || !Terminated(textBlock + offset + 3, 4, ccd) ||
        !Terminated(textBlock + offset + 7, text - static_cast<size_t>(offset) - 7, name))
      return Refuse("entry " + std::to_string(e + 1) + " is damaged");
    entry.text = textBlock + offset;
  }

  auto readIndex = [&](int which, std::vector<int32_t>& index) {
    index.resize(entries);
    const char* at = indexBytes + static_cast<size_t>(which) * entries * 4;
    for (size_t i = 0; i < entries; ++i) {
      const int32_t value = ReadInt(at + i * 4);
      if (value < 0 || value % static_cast<int32_t>(kEntrySize) != 0 ||
          static_cast<uint64_t>(value) / kEntrySize >= entries)
        return false;
      index[i] = value / static_cast<int32_t>(kEntrySize);
    }
    return true;
  };
  // The binary searches rely on the order of these two.
  auto ordered = [&](const std::vector<int32_t>& index, std::string_view (*key)(const AddressEntry&)) {
    for (size_t i = 1; i < index.size(); ++i)
      if (GbkCompareNoCase(key(entryList[static_cast<size_t>(index[i - 1])]),
                           key(entryList[static_cast<size_t>(index[i])])) > 0)
        return false;
    return true;
  };
  std::vector<int32_t> firstIndex, postcodeIndex, nameIndex;
  if (!readIndex(0, firstIndex) || !readIndex(1, postcodeIndex) || !readIndex(2, nameIndex))
    return Refuse("an index points outside the entries");
  if (!ordered(postcodeIndex, [](const AddressEntry& e) { return e.zipB; }))
    return Refuse("the postcode index is out of order");
  if (!ordered(nameIndex, [](const AddressEntry& e) { return e.Name(); }))
    return Refuse("the name index is out of order");

  bytes_ = std::move(body);
  key_ = key;
  regions_ = std::move(regionList);
  entries_ = std::move(entryList);
  firstIndex_ = std::move(firstIndex);
  postcodeIndex_ = std::move(postcodeIndex);
  nameIndex_ = std::move(nameIndex);
  distinctNames_ = distinct;
  textSize_ = text;
  nameStarts_.reserve(nameIndex_.size());
  for (int32_t number : nameIndex_) {
    nameStarts_.push_back(static_cast<uint32_t>(nameBlock_.size()));
    nameBlock_ += entries_[static_cast<size_t>(number)].Name();
    nameBlock_ += '\0';
  }
  loaded_ = true;
  return true;
}

const AddressRegion* CAddressLibrary::FindRegion(std::string_view code) const {
  for (const AddressRegion& r : regions_)
    if (r.code == code) return &r;
  return nullptr;
}

const AddressEntry* CAddressLibrary::FindByName(std::string_view name) const {
  size_t lo = 0, hi = nameIndex_.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const int c = GbkCompareNoCase(entries_[static_cast<size_t>(nameIndex_[mid])].Name(), name);
    if (c == 0) return &entries_[static_cast<size_t>(nameIndex_[mid])];
    if (c < 0) lo = mid + 1;
    else hi = mid;
  }
  return nullptr;
}

size_t CAddressLibrary::FindByNameSubstring(std::string_view text,
                                            std::vector<const AddressEntry*>& list,
                                            size_t n) const {
  // One pass over the names laid out in name order (each ended by a NUL,
  // which no name holds), instead of a walk through the entries: the same
  // hits in the same order.
  size_t taken = 0;
  size_t from = 0;
  if (text.find('\0') != std::string_view::npos) return list.size();  // no name holds one
  while (taken < n && from < nameBlock_.size()) {
    const size_t at = text.empty() ? from : nameBlock_.find(text, from);
    if (at == std::string::npos) break;
    // The name that holds the hit, and on after it.
    const size_t k = static_cast<size_t>(
        std::upper_bound(nameStarts_.begin(), nameStarts_.end(), static_cast<uint32_t>(at)) -
        nameStarts_.begin() - 1);
    list.push_back(&entries_[static_cast<size_t>(nameIndex_[k])]);
    ++taken;
    from = k + 1 < nameStarts_.size() ? nameStarts_[k + 1] : nameBlock_.size();
  }
  return list.size();
}

size_t CAddressLibrary::FindByZip(std::string_view postcode,
                                  std::vector<const AddressEntry*>& list) const {
  if (postcodeIndex_.empty()) return list.size();
  auto zipOf = [this](size_t i) { return entries_[static_cast<size_t>(postcodeIndex_[i])].zipB; };
  // The last entry whose Zip_B is not above the postcode (or the first).
  size_t lo = 0, hi = postcodeIndex_.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (GbkCompareNoCase(zipOf(mid), postcode) <= 0) lo = mid + 1;
    else hi = mid;
  }
  for (size_t i = lo ? lo : 1; i-- > 0;) {
    const AddressEntry& e = entries_[static_cast<size_t>(postcodeIndex_[i])];
    if (e.zipB.size() != postcode.size()) continue;
    const int c = GbkCompareNoCase(e.zipB, postcode);
    if (c == 0 || (c < 0 && postcode <= e.zipE)) list.push_back(&e);
  }
  return list.size();
}

std::string BuildAddressLibraryFile(const std::vector<CitySource>& given,
                                    std::string_view identification,
                                    const CAddressLibrary::Key& key) {
  std::vector<CitySource> cities = given;
  for (CitySource& c : cities) {
    c.nc = GbkCopyN(c.nc, 2);
    c.ccd = GbkCopyN(c.ccd, 3);
    c.zipB = GbkCopyN(c.zipB, 7);
    c.zipE = GbkCopyN(c.zipE, 7);
  }
  // Grouped by "NC", then "CCD", each in the order it first appears.
  std::map<std::string, size_t> ncRank, ccdRank;
  for (const CitySource& c : cities) {
    ncRank.emplace(c.nc, ncRank.size());
    ccdRank.emplace(c.nc + '\n' + c.ccd, ccdRank.size());
  }
  std::vector<const CitySource*> order;
  for (const CitySource& c : cities) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(), [&](const CitySource* a, const CitySource* b) {
    const size_t na = ncRank[a->nc], nb = ncRank[b->nc];
    if (na != nb) return na < nb;
    return ccdRank[a->nc + '\n' + a->ccd] < ccdRank[b->nc + '\n' + b->ccd];
  });

  std::string regions, entries, text;
  std::vector<std::string> names, zips;
  for (size_t i = 0; i < order.size(); ++i) {
    const CitySource& c = *order[i];
    if (i == 0 || order[i - 1]->nc != c.nc) {
      size_t last = i;
      while (last + 1 < order.size() && order[last + 1]->nc == c.nc) ++last;
      PutField(regions, c.nc, 8);
      stationcache::PutInt(regions, static_cast<int32_t>(i));
      stationcache::PutInt(regions, static_cast<int32_t>(last));
    }
    PutField(entries, c.zipB, 8);
    PutField(entries, c.zipE, 8);
    stationcache::PutInt(entries, static_cast<int32_t>(text.size()));
    PutField(text, c.nc, 3);
    PutField(text, c.ccd, 4);
    text += c.name;
    text += '\0';
    names.push_back(c.name);
    zips.push_back(c.zipB);
  }

  auto sortedBy = [&](const std::vector<std::string>& keys) {
    std::vector<int32_t> index(keys.size());
    for (size_t i = 0; i < index.size(); ++i) index[i] = static_cast<int32_t>(i);
    std::stable_sort(index.begin(), index.end(), [&](int32_t a, int32_t b) {
      return GbkCompareNoCase(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]) < 0;
    });
    return index;
  };
  const std::vector<int32_t> byName = sortedBy(names), byZip = sortedBy(zips);
  int32_t distinct = 0;
  for (size_t i = 0; i < byName.size(); ++i)
    if (i == 0 || GbkCompareNoCase(names[static_cast<size_t>(byName[i - 1])],
                                   names[static_cast<size_t>(byName[i])]) != 0)
      ++distinct;

  std::string out;
  PutField(out, identification, CAddressLibrary::kIdentificationSize);
  stationcache::PutInt(out, static_cast<int32_t>(regions.size() / CAddressLibrary::kRegionSize));
  stationcache::PutInt(out, distinct);
  stationcache::PutInt(out, static_cast<int32_t>(order.size()));
  stationcache::PutInt(out, static_cast<int32_t>(text.size()));
  out += regions;
  out += entries;
  for (size_t i = 0; i < text.size(); ++i) out += static_cast<char>(text[i] ^ key[i % 16]);
  const auto entryOffset = [](int32_t number) {
    return static_cast<int32_t>(number * static_cast<int32_t>(CAddressLibrary::kEntrySize));
  };
  for (size_t i = 0; i < order.size(); ++i) stationcache::PutInt(out, entryOffset(static_cast<int32_t>(i)));
  for (int32_t n : byZip) stationcache::PutInt(out, entryOffset(n));
  for (int32_t n : byName) stationcache::PutInt(out, entryOffset(n));
  return out;
}
