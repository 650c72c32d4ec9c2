// The client list cache and the destination directory against a scripted
// link: the files, the sync loop, the searches and the look-ups.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "refdata/ClientListCache.h"
#include "refdata/DestinationTable.h"
#include "tests/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::string G(std::u16string_view text) { return GbkFromWide(text); }

// Answers the requests with the scripted replies in turn; fails once they
// run out.  Keeps every request.
struct ScriptedLink {
  std::vector<std::string> replies;
  std::vector<std::string> requests;
  StationSyncLink Link() {
    StationSyncLink link;
    link.account = u"admin";
    link.loginNumber = 7;
    link.post = [this](const std::string& request, std::string& reply) {
      requests.push_back(request);
      if (requests.size() > replies.size()) return -1;
      reply = replies[requests.size() - 1];
      return static_cast<int>(reply.size());
    };
    return link;
  }
};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ClientReply(const std::string& list, int highest, const char* stamp, const char* end,
                        const std::string& del = "[]") {
  std::string r = "{\"ReturnValue\":1,\"icIDx\":" + std::to_string(highest) + ",\"dLast\":\"" +
                  stamp + "\"";
  if (end) r += std::string(",\"bEnd\":") + end;
  return r + ",\"iDel\":" + del + ",\"List\":[" + list + "]}";
}

std::string Row(int id, const std::string& code, const std::string& name) {
  std::string out;
  out = "{\"i\":" + std::to_string(id) + ",";
  JsonPutString(out, "a", code, false);
  JsonPutString(out, "n", name, true);
  return out + "}";
}

std::vector<int> Ids(const CClientListCache& cache) {
  std::vector<int> ids;
  for (const ClientEntry& e : cache.Records()) ids.push_back(e.id);
  return ids;
}

class ClientListCacheTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    cache.SetLocation((folder_ / "DATA_SYS" / "c_SZ.dat").string(), "SZ");
  }
  // A cache of three clients saved under station SZ, highest id 9.
  void SaveThree() {
    ScriptedLink link;
    link.replies = {ClientReply(Row(1, "AB01", "Alpha") + "," + Row(4, "ab02", "abc Trading") + "," +
                                    Row(9, "C09", G(u"深圳华南")),
                                9, "2024-05-01 10:00:00", "true")};
    cache.Sync(link.Link());
    ASSERT_TRUE(cache.Save());
  }
  CClientListCache cache;
};

TEST_F(ClientListCacheTest, SavedFileIsScrambledAndReadsBack) {
  SaveThree();
  std::string bytes = ReadBytes(cache.Path());
  ASSERT_EQ(bytes.size(), 76u + 3 * 100);
  EXPECT_EQ(bytes.substr(0, 12), std::string("CLIENT_0001\0", 12));
  EXPECT_EQ(static_cast<uint8_t>(bytes[76]), 1 ^ 0x0E);  // id 1, low byte
  EXPECT_EQ(static_cast<uint8_t>(bytes[80]), 'A' ^ 0x0E);
  CClientListCache again;
  again.SetLocation(cache.Path(), "SZ");
  ASSERT_EQ(1, again.Load());
  EXPECT_EQ(Ids(again), (std::vector<int>{1, 4, 9}));
  EXPECT_EQ(again.Records()[2].Name(), G(u"深圳华南"));
  EXPECT_EQ(again.HighestId(), 9);
  EXPECT_EQ(again.Stamp(), "2024-05-01 10:00:00");
  // No temporary file stays behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(cache.Path()).parent_path()), {}), 1);
}

// Every refused file leaves an empty list, and the next sync asks for all.
TEST_F(ClientListCacheTest, RefusedFilesMeanAWholeFetch) {
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    const char* station;
  };
  auto setInt = [](std::string& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  };
  const Case cases[] = {
      {"another station", [](std::string&) {}, "GZ"},
      {"counts differ", [&](std::string& b) { setInt(b, 72, 2); }, "SZ"},
      {"highest id 0", [&](std::string& b) { setInt(b, 36, 0); }, "SZ"},
      {"wrong magic", [](std::string& b) { b[0] = 'X'; }, "SZ"},
      {"cut inside a record", [](std::string& b) { b.resize(b.size() - 1); }, "SZ"},
      {"cut inside the header", [](std::string& b) { b.resize(40); }, "SZ"},
      {"count beyond the end", [&](std::string& b) { setInt(b, 16, 4); setInt(b, 72, 4); }, "SZ"},
      {"huge count", [&](std::string& b) { setInt(b, 16, 0x7FFFFFFF); setInt(b, 72, 0x7FFFFFFF); }, "SZ"},
      {"negative count", [&](std::string& b) { setInt(b, 16, -1); setInt(b, 72, -1); }, "SZ"},
      {"ids out of order", [](std::string& b) { b[76 + 100] = static_cast<char>(0 ^ 0x0E); }, "SZ"},
      {"empty file", [](std::string& b) { b.clear(); }, "SZ"},
  };
  SaveThree();
  const std::string good = ReadBytes(cache.Path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = good;
    c.damage(bytes);
    WriteBytes(cache.Path(), bytes);
    CClientListCache loaded;
    loaded.SetLocation(cache.Path(), c.station);
    EXPECT_EQ(0, loaded.Load());
    EXPECT_TRUE(loaded.Records().empty());
    EXPECT_EQ(loaded.HighestId(), 0);
    EXPECT_EQ(loaded.Stamp(), "");
    ScriptedLink link;
    link.replies = {ClientReply(Row(5, "E05", "Echo"), 5, "2024-06-01 00:00:00", "true")};
    loaded.Refresh(link.Link());
    ASSERT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(JsonGetInt("icID", link.requests[0], -1), 0);
    EXPECT_EQ(JsonGetString("dDate", link.requests[0], 40), "");
    // The rebuilt file is whole again.
    CClientListCache back;
    back.SetLocation(cache.Path(), c.station);
    EXPECT_EQ(1, back.Load());
    EXPECT_EQ(Ids(back), std::vector<int>{5});
  }
}

TEST_F(ClientListCacheTest, SyncPagesMergesAndRemoves) {
  SaveThree();
  ASSERT_EQ(1, cache.Load());
  ScriptedLink link;
  link.replies = {
      ClientReply(Row(4, "X04", "Replaced") + "," + Row(12, "L12", "Lima") + "," +
                      Row(0, "Z", "no id"),
                  12, "2024-06-01 00:00:00", "false"),
      ClientReply(Row(15, "O15", "Oscar"), 15, "2024-05-30 00:00:00", "true",
                  "[0,-3,2100000001,9,77]"),
  };
  EXPECT_EQ(cache.Sync(link.Link()), 2 + 1 + 1);
  ASSERT_EQ(link.requests.size(), 2u);
  EXPECT_EQ(JsonGetString("RequestName", link.requests[0], 20), "sClientList");
  EXPECT_EQ(JsonGetInt("icID", link.requests[0], -1), 9);
  EXPECT_EQ(JsonGetString("dDate", link.requests[0], 40), "2024-05-01 10:00:00");
  EXPECT_EQ(JsonGetInt("icID", link.requests[1], -1), 12);
  EXPECT_EQ(JsonGetString("dDate", link.requests[1], 40), "2024-06-01 00:00:00");
  // 9 removed, the ids out of range ignored, 4 replaced in its place.
  EXPECT_EQ(Ids(cache), (std::vector<int>{1, 4, 12, 15}));
  EXPECT_EQ(cache.Records()[1].Code(), "X04");
  EXPECT_EQ(cache.Records()[1].Name(), "Replaced");
  EXPECT_EQ(cache.HighestId(), 15);
  EXPECT_EQ(cache.Stamp(), "2024-06-01 00:00:00");  // an older stamp is not taken
}

TEST_F(ClientListCacheTest, SyncLoopEnds) {
  struct Case {
    const char* what;
    std::vector<std::string> replies;
    size_t requests;
  };
  const std::string same = ClientReply("", 3, "2024-01-01 00:00:00", "false");
  const Case cases[] = {
      {"no bEnd counts as the end", {ClientReply(Row(1, "A", "a"), 1, "", nullptr), same}, 1},
      {"a round without progress", {ClientReply("", 3, "2024-01-01 00:00:00", "false"), same, same}, 2},
      {"a failed request", {ClientReply(Row(1, "A", "a"), 1, "", "false")}, 2},
      {"ReturnValue 0", {"{\"ReturnValue\":0,\"bEnd\":false}", same}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CClientListCache fresh;
    ScriptedLink link;
    link.replies = c.replies;
    fresh.Sync(link.Link());
    EXPECT_EQ(link.requests.size(), c.requests);
  }
}

TEST_F(ClientListCacheTest, FindByPrefix) {
  ScriptedLink link;
  link.replies = {ClientReply(Row(1, "AB01", "Zeta") + "," + Row(2, "xy", "abc Trading") + "," +
                                  Row(3, "aB02", "Delta ab") + "," + Row(4, "C04", "ABLE") + "," +
                                  Row(5, "D05", G(u"深圳华南")) + "," + Row(6, "E06", "Grab it"),
                              6, "s", "true")};
  cache.Sync(link.Link());
  cache.BuildIndexes();
  struct Case {
    std::string text;
    std::vector<int> ids;  // the filled rows
  };
  const Case cases[] = {
      // From the first hit the rows take the index's next entries.
      {"ab", {1, 3, 4}},              // codes AB01, aB02 in any letter case, then C04
      {"ab ", {2, 4, 3}},             // names beginning with ab, then the next name
      {"rab ", {6}},                  // no name begins with it: names holding it
      {"b ", {2, 3, 6}},              // the scan is case-sensitive: not ABLE
      {"zz", {}},                     // a code search never scans
      {" ", {2, 4, 3}},               // an empty name prefix: the name index from its start
      {G(u"深圳"), {5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ClientEntry* rows[3] = {};
    std::string text = c.text;
    cache.FindByPrefix(rows, text);
    std::vector<int> ids;
    for (const ClientEntry* r : rows)
      if (r) ids.push_back(r->id);
    if (c.text == " ") {
      EXPECT_EQ(text, "");  // the trailing blank is cut off
    }
    EXPECT_EQ(ids, c.ids);
  }
  // An empty text leaves the rows as they were.
  const ClientEntry marker{};
  const ClientEntry* rows[1] = {&marker};
  std::string empty;
  cache.FindByPrefix(rows, empty);
  EXPECT_EQ(rows[0], &marker);
}

TEST_F(ClientListCacheTest, NamesAndCodesById) {
  SaveThree();
  EXPECT_EQ(cache.NameOf(9), u"深圳华南");
  EXPECT_EQ(cache.CodeOf(4), u"ab02");
  for (int id : {0, -1, 5, 10}) {
    EXPECT_EQ(cache.NameOf(id), u"*");
    EXPECT_EQ(cache.CodeOf(id), u"*");
  }
  // Values, not a shared buffer.
  std::u16string first = cache.NameOf(1);
  cache.NameOf(9);
  EXPECT_EQ(first, u"Alpha");
}

TEST_F(ClientListCacheTest, DetailIsKeptFor900Seconds) {
  int64_t now = 1000000;
  cache.SetClock([&] { return now; });
  int queries = 0;
  std::string lastSql;
  bool fail = false;
  StationSyncLink link;
  link.query = [&](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    ++queries;
    lastSql = std::string(sql);
    EXPECT_EQ(types.size(), 36u);
    if (fail) return -1;
    reply = "{\"ReturnValue\":1,\"List\":[{\"0\":\"Name " + std::to_string(queries) +
            "\",\"13\":\"0123456789012345678901234567\",\"14\":\"3\",\"21\":\"12\",\"35\":\"m\"}]}";
    return static_cast<int>(reply.size());
  };
  const ClientDetail* d = cache.GetClientDetail(link, 42, true);
  ASSERT_NE(d, nullptr);
  EXPECT_NE(lastSql.find("FROM brantle.dbo.client_arc WHERE icid=42"), std::string::npos);
  EXPECT_EQ(d->unitName, "Name 1");
  EXPECT_EQ(d->phone.size(), 22u);  // cut to what is kept
  EXPECT_EQ(d->state, 3);
  EXPECT_EQ(d->docs, 12);
  EXPECT_EQ(d->msn, "m");
  now += 899;
  EXPECT_EQ(cache.GetClientDetail(link, 42, true)->unitName, "Name 1");
  EXPECT_EQ(queries, 1);
  now += 1;
  EXPECT_EQ(cache.GetClientDetail(link, 42, true)->unitName, "Name 2");
  EXPECT_EQ(queries, 2);
  // A failed fetch keeps the old record.
  now += 5000;
  fail = true;
  ASSERT_NE(cache.GetClientDetail(link, 42, true), nullptr);
  EXPECT_EQ(cache.GetClientDetail(link, 42, true)->unitName, "Name 2");
  EXPECT_EQ(cache.GetClientDetail(link, 43, true), nullptr);
}

// ---- the destination directory ----

std::string DesRow(int id, const std::string& code, const std::string& name,
                   const std::string& english = "", const std::string& shortCode = "",
                   const std::string& postcode = "") {
  std::string out = "{\"i\":" + std::to_string(id) + ",\"a\":3,\"t\":4,";
  JsonPutString(out, "c", code, false);
  JsonPutString(out, "n", name, true);
  JsonPutString(out, "e", english, true);
  JsonPutString(out, "s", shortCode, true);
  JsonPutString(out, "z", postcode, true);
  JsonPutString(out, "x", "USX", true);
  JsonPutString(out, "y", "USAX", true);
  return out + "}";
}

std::string DesReply(const std::string& list, int highest) {
  return "{\"ReturnValue\":1,\"iIDx\":" + std::to_string(highest) +
         ",\"dLast\":\"2024-01-01 00:00:00\",\"bEnd\":true,\"iDel\":[],\"List\":[" + list + "]}";
}

class DestinationTableTest : public testsupport::TempFolderTest {
 protected:
  void Fill(const std::vector<std::string>& rows) {
    std::string list;
    for (const std::string& r : rows) list += (list.empty() ? "" : ",") + r;
    ScriptedLink link;
    link.replies = {DesReply(list, 1000)};
    table.SetPath((folder_ / "DATA_SYS" / "des.dat").string());
    table.Refresh(link.Link());
  }
  std::vector<int> Lookup(const std::string& text) {
    CDestinationTable::Rows rows;
    table.Lookup(rows, text);
    std::vector<int> ids;
    for (const DestinationRecord* r : rows)
      if (r) ids.push_back(r->id);
    return ids;
  }
  CDestinationTable table;
};

TEST_F(DestinationTableTest, FieldsAreCutToTheirRoom) {
  Fill({DesRow(1, "ABCDEFGHIJ", G(u"美国"), "United States", "USA", "100000")});
  ASSERT_EQ(table.Records().size(), 1u);
  const DestinationRecord& r = table.Records()[0];
  EXPECT_EQ(r.Code(), "ABCDEFG");
  EXPECT_EQ(std::string(r.iso2), "US");
  EXPECT_EQ(std::string(r.iso3), "USA");
  EXPECT_EQ(r.zone, 3);
  EXPECT_EQ(r.number, 4);
  // And the file reads back the same.
  CDestinationTable again;
  again.SetPath(table.Path());
  ASSERT_EQ(1, again.Load());
  EXPECT_EQ(0, std::memcmp(&again.Records()[0], &r, sizeof r));
}

TEST_F(DestinationTableTest, RefusedFiles) {
  Fill({DesRow(1, "US", "A"), DesRow(2, "GB", "B")});
  const std::string good = ReadBytes(table.Path());
  ASSERT_EQ(good.size(), 60u + 2 * 148);
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
  };
  const Case cases[] = {
      {"highest id 0", [](std::string& b) { std::fill(b.begin() + 20, b.begin() + 24, '\0'); }},
      {"counts differ", [](std::string& b) { b[56] = 1; }},
      {"cut", [](std::string& b) { b.resize(b.size() - 148); }},
      {"longer", [](std::string& b) { b += std::string(10, 'x'); }},
      {"short header", [](std::string& b) { b.resize(30); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = good;
    c.damage(bytes);
    WriteBytes(table.Path(), bytes);
    CDestinationTable t;
    t.SetPath(table.Path());
    EXPECT_EQ(0, t.Load());
    EXPECT_TRUE(t.Records().empty());
    EXPECT_EQ(t.HighestId(), 0);
    EXPECT_EQ(t.Stamp(), "");
  }
}

TEST_F(DestinationTableTest, LookupChoosesItsIndex) {
  Fill({DesRow(1, "100", G(u"美国"), "New York", "NY", "10001"),
        DesRow(2, "10A0", G(u"英国"), "London", "LDN", "20000"),
        DesRow(3, "ZZ", "ZZ", "Zed", "Z", "1000")});
  struct Case {
    std::string text;
    std::vector<int> ids;
  };
  const Case cases[] = {
      // The first row shows the index; the rows go on along it.
      {"1000", {3, 1, 2}},   // postcodes 1000, 10001, 20000
      {"100", {1, 2, 3}},    // codes 100, 10A0, ZZ
      {"10A0", {2, 3}},      // codes
      {"new y", {1, 3}},     // English names New York, Zed
      {G(u"英"), {2}},       // names
      {"", {1, 2, 3}},       // the code index from its start
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Lookup(c.text), c.ids);
  }
}

TEST_F(DestinationTableTest, LookupRanksPrefixedNamesFirst) {
  Fill({DesRow(1, "A1", G(u"工业苏州园")), DesRow(2, "A2", G(u"江苏苏州")),
        DesRow(3, "A3", G(u"中国江苏州")), DesRow(4, "A4", G(u"浙江苏州")),
        DesRow(5, "A5", G(u"中国浙苏州")), DesRow(6, "A6", G(u"大苏州"))});
  // No name begins with 苏州: the scan.  5 equals it after its first six
  // bytes and 4 after its first four, the latest of their ranks; 3 and 2
  // were replaced and follow, latest first; then the names that hold it.
  EXPECT_EQ(Lookup(G(u"苏州")), (std::vector<int>{5, 4, 3, 2, 1}));
}

TEST_F(DestinationTableTest, ResolvePlace) {
  Fill({DesRow(1, "YE", G(u"也门")), DesRow(2, "YE2", G(u"也门共和国")),
        DesRow(3, "RU1", G(u"俄罗斯联邦")), DesRow(4, "RU2", G(u"俄罗斯东部")),
        DesRow(5, "RU3", G(u"俄罗斯远东地区")), DesRow(6, "AS", G(u"辽宁鞍山")),
        DesRow(7, "GZ1", G(u"广东广州")), DesRow(8, "GZ2", G(u"广州南")),
        DesRow(9, "K1", G(u"江苏南京市")), DesRow(10, "K2", G(u"南京市区")),
        DesRow(11, "IN1", G(u"印度尼西亚"))});
  struct Case {
    std::u16string text;
    int id;  // 0: none
  };
  const Case cases[] = {
      {u"也门", 1},          // only the name itself
      {u"印度", 0},          // never a longer name that holds it
      {u"俄罗斯", 4},        // the shortest name beginning with it (first on equal length)
      {u"鞍山", 6},          // alias
      {u"广州", 7},          // 4 bytes in several names: the first in name order
      {u"南京市", 0},        // 6 bytes in several names
      {u"", 0},
      {u"x", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8FromWide(c.text));
    const DestinationRecord* r = table.ResolvePlace(G(c.text));
    EXPECT_EQ(r ? r->id : 0, c.id);
  }
}

TEST_F(DestinationTableTest, ExactFinds) {
  Fill({DesRow(1, "us", G(u"美国"), "United States", "USA"), DesRow(2, "US", "B", "x", "")});
  EXPECT_EQ(table.FindByCode("US")->id, 2);  // whole codes byte for byte
  EXPECT_EQ(table.FindByCode("us")->id, 1);
  EXPECT_EQ(table.FindByCode("U"), nullptr);
  EXPECT_EQ(table.FindByName(G(u"美国"))->id, 1);
  EXPECT_EQ(table.FindByEnglishName("united states")->id, 1);
  EXPECT_EQ(table.FindByShortCode("usa")->id, 1);
  EXPECT_EQ(table.FindByShortCode(""), nullptr);
}

}  // namespace
