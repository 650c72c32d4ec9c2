// The type-ahead searches behind the suggestion popups, one keystroke per
// iteration, over 100,000 clients, 100,000 destinations and 100,000 cities,
// each beside a plain linear scan of the same data for the same text in the
// same run:
//   client      CClientListCache::FindByPrefix (code and name indexes)
//   destination CDestinationTable::Lookup
//   city        CAddressLibrary::FindByNameSubstring with 5 (the city
//               popup), FindByName and FindByZip (the world city dialog)
// The keystrokes type a known code or name letter by letter, so every
// length of prefix is timed.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "common/GbkText.h"
#include "common/Json.h"
#include "refdata/AddressLibrary.h"
#include "refdata/ClientListCache.h"
#include "refdata/DestinationTable.h"
#include "refdata/PlaceSamples.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRecords = 100000;

struct Environment {
  fs::path folder;
  CClientListCache clients;
  CDestinationTable destinations;
  CAddressLibrary cities;
  std::vector<CitySource> citySources;
  std::vector<std::string> clientKeys, destinationKeys, cityNames, cityZips;
};
Environment* env = nullptr;

// Made-up codes and names: letters and digits from the record number.
std::string Code(int i, const char* prefix) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%05d", prefix, (i * 7919) % kRecords);
  return text;
}

std::string Reply(const char* highestKey, const std::string& list) {
  return std::string("{\"ReturnValue\":1,\"") + highestKey + "\":" + std::to_string(kRecords) +
         ",\"dLast\":\"2026-01-01 00:00:00\",\"bEnd\":true,\"iDel\":[],\"List\":[" + list + "]}";
}

bool SetUp() {
  env = new Environment;
  env->folder = fs::temp_directory_path() / ("brantle_typeahead_bench_" + std::to_string(::getpid()));
  fs::create_directories(env->folder);

  std::string clients, destinations;
  for (int i = 1; i <= kRecords; ++i) {
    std::string row = "{\"i\":" + std::to_string(i) + ",";
    JsonPutString(row, "a", Code(i, "K"), false);
    JsonPutString(row, "n", "CLIENT " + Code(i, "N"), true);
    clients += (i > 1 ? "," : "") + row + "}";
    row = "{\"i\":" + std::to_string(i) + ",\"a\":3,\"t\":4,";
    JsonPutString(row, "c", Code(i, "D"), false);
    JsonPutString(row, "n", "PLACE " + Code(i, "P"), true);
    JsonPutString(row, "e", "ENGLISH " + Code(i, "E"), true);
    JsonPutString(row, "z", std::to_string(100000 + i), true);
    destinations += (i > 1 ? "," : "") + row + "}";
  }
  env->clients.ApplyReply(Reply("icIDx", clients));
  env->clients.BuildIndexes();
  env->destinations.ApplyReply(Reply("iIDx", destinations));
  env->destinations.BuildIndexes();

  env->citySources = GeneratedCities(kRecords, 7);
  const std::string id = CAddressLibrary::IdentificationText();
  const std::string path = (env->folder / "city.dat").string();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << BuildAddressLibraryFile(env->citySources, id, CAddressLibrary::KeyOf(id));
  }
  if (!env->cities.Load(path, id, CAddressLibrary::KeyOf(id))) {
    std::fprintf(stderr, "city.dat: %s\n", env->cities.LoadError().c_str());
    return false;
  }

  // What the operator types: codes and names present in the data.
  for (int i : {17, 4242, 77777, 99999}) {
    env->clientKeys.push_back(Code(i, "K"));
    env->destinationKeys.push_back(Code(i, "D"));
    const CitySource& c = env->citySources[static_cast<size_t>(i)];
    env->cityNames.push_back(c.name);
    env->cityZips.push_back(c.zipB);
  }
  return env->clients.Records().size() == static_cast<size_t>(kRecords) &&
         env->destinations.Records().size() == static_cast<size_t>(kRecords);
}

void TearDown() {
  if (!env) return;
  std::error_code ec;
  fs::remove_all(env->folder, ec);
  delete env;
  env = nullptr;
}

// The texts of typing each key letter by letter, in turn.
std::vector<std::string> Keystrokes(const std::vector<std::string>& keys) {
  std::vector<std::string> texts;
  for (const std::string& key : keys)
    for (size_t n = 1; n <= key.size(); ++n) texts.push_back(key.substr(0, n));
  return texts;
}

template <typename Search>
void Typing(benchmark::State& state, const std::vector<std::string>& keys, Search search) {
  const std::vector<std::string> texts = Keystrokes(keys);
  size_t k = 0, hits = 0;
  for (auto _ : state) {
    std::string text = texts[k++ % texts.size()];
    hits += search(text);
  }
  benchmark::DoNotOptimize(hits);
  state.SetLabel("per keystroke");
}

// ---- clients ----

void BM_ClientPopup(benchmark::State& state) {
  Typing(state, env->clientKeys, [](std::string& text) {
    const ClientEntry* rows[5] = {};
    env->clients.FindByPrefix(rows, text);
    return rows[0] ? 1 : 0;
  });
}
BENCHMARK(BM_ClientPopup);

void BM_ClientLinearScan(benchmark::State& state) {
  Typing(state, env->clientKeys, [](std::string& text) {
    size_t n = 0;
    for (const ClientEntry& e : env->clients.Records()) n += GbkStartsWithNoCase(e.Code(), text);
    return n;
  });
}
BENCHMARK(BM_ClientLinearScan);

// ---- destinations ----

void BM_DestinationPopup(benchmark::State& state) {
  Typing(state, env->destinationKeys, [](std::string& text) {
    CDestinationTable::Rows rows{};
    env->destinations.Lookup(rows, text);
    return rows[0] ? 1 : 0;
  });
}
BENCHMARK(BM_DestinationPopup);

void BM_DestinationLinearScan(benchmark::State& state) {
  Typing(state, env->destinationKeys, [](std::string& text) {
    size_t n = 0;
    for (const DestinationRecord& d : env->destinations.Records()) n += GbkStartsWithNoCase(d.Code(), text);
    return n;
  });
}
BENCHMARK(BM_DestinationLinearScan);

// ---- cities ----

void BM_CityPopup(benchmark::State& state) {
  Typing(state, env->cityNames, [](std::string& text) {
    std::vector<const AddressEntry*> rows;
    return env->cities.FindByNameSubstring(GbkUpper(text), rows, 5);
  });
}
BENCHMARK(BM_CityPopup);

void BM_CityNameLinearScan(benchmark::State& state) {
  Typing(state, env->cityNames, [](std::string& text) {
    size_t n = 0;
    for (const AddressEntry& e : env->cities.Entries()) n += e.Name().find(text) != std::string_view::npos;
    return n;
  });
}
BENCHMARK(BM_CityNameLinearScan);

void BM_CityExactName(benchmark::State& state) {
  Typing(state, env->cityNames, [](std::string& text) { return env->cities.FindByName(text) ? 1 : 0; });
}
BENCHMARK(BM_CityExactName);

void BM_CityExactNameLinearScan(benchmark::State& state) {
  Typing(state, env->cityNames, [](std::string& text) {
    for (const AddressEntry& e : env->cities.Entries())
      if (GbkCompareNoCase(e.Name(), text) == 0) return 1;
    return 0;
  });
}
BENCHMARK(BM_CityExactNameLinearScan);

void BM_CityPostcode(benchmark::State& state) {
  Typing(state, env->cityZips, [](std::string& text) {
    std::vector<const AddressEntry*> hits;
    return env->cities.FindByZip(text, hits);
  });
}
BENCHMARK(BM_CityPostcode);

void BM_CityPostcodeLinearScan(benchmark::State& state) {
  Typing(state, env->cityZips, [](std::string& text) {
    size_t n = 0;
    for (const AddressEntry& e : env->cities.Entries())
      n += e.zipB.size() == text.size() && e.zipB <= text && text <= e.zipE;
    return n;
  });
}
BENCHMARK(BM_CityPostcodeLinearScan);

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "refdata_typeahead_bench", SetUp, TearDown);
}
