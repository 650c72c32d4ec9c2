// A 1 MiB attachment that does not compress, added and downloaded through
// the stand-in (the add procedure, the bytes up with "sDataPut", the bytes
// down with "sDataGet", the delete), beside its two references: zlib
// compress and uncompress alone, and the same blob INSERT and SELECT on a
// SQLite database of our own.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "bench/BenchMain.h"
#include "bench/BenchStandIn.h"
#include "devices/Attachments.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::temp_directory_path() / ("brantle-attach-bench-" + std::to_string(::getpid()));
std::unique_ptr<StandInServer> server;
CServerLink link;
std::string bytes;

bool SetUp() {
  std::mt19937 gen(7);
  bytes.assign(1048576, '\0');
  for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  return benchsupport::StartStandIn(kRoot, server) &&
         benchsupport::LogInToStandIn(*server, kRoot / "program", link);
}

void TearDown() {
  server.reset();
  fs::remove_all(kRoot);
}

// The stand-in: add, bytes up, bytes down, uncompress, delete.
void BM_AttachmentThroughStandIn(benchmark::State& state) {
  const std::unique_ptr<attachment::AttachmentLink> server_link =
      attachment::MakeServerAttachmentLink(link);
  const attachment::RecordKey key{attachment::kKindAwb, 0, u"999-73000001"};
  for (auto _ : state) {
    std::string z;
    if (!attachment::Compress(bytes, z)) state.SkipWithError("compress failed");
    serverlink::ProcedureResult added;
    if (!server_link->Call(attachment::AddSql(key, static_cast<int32_t>(bytes.size()),
                                              static_cast<int32_t>(z.size()), u"bench.bin", "admin"),
                           added) ||
        added.code <= 0) {
      state.SkipWithError("add refused");
      break;
    }
    const auto zlength = static_cast<int32_t>(z.size());
    if (server_link->Upload(zlength, attachment::DataPutSql(key.kind, added.code), z) <= 0)
      state.SkipWithError("upload failed");
    std::string down;
    if (server_link->Download(zlength, attachment::DataGetSql(key.kind, added.code), down) != zlength)
      state.SkipWithError("download failed");
    std::string back;
    if (!attachment::Uncompress(down, bytes.size(), back) || back != bytes)
      state.SkipWithError("bytes differ");
    serverlink::ProcedureResult removed;
    server_link->Call(attachment::DeleteSql(key.kind, added.code, "admin"), removed);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 *
                          static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_AttachmentThroughStandIn)->Unit(benchmark::kMillisecond);

// Reference: zlib alone.
void BM_ZlibCompressAndUncompress(benchmark::State& state) {
  for (auto _ : state) {
    std::string z;
    std::string back;
    attachment::Compress(bytes, z);
    attachment::Uncompress(z, bytes.size(), back);
    benchmark::DoNotOptimize(back.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 *
                          static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ZlibCompressAndUncompress)->Unit(benchmark::kMillisecond);

// Reference: the same compressed blob into and out of SQLite directly.
void BM_SqliteBlobInsertAndSelect(benchmark::State& state) {
  const fs::path file = kRoot / "blob.db";
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; CREATE TABLE IF NOT EXISTS f(iid INTEGER PRIMARY KEY, vdata BLOB)",
               nullptr, nullptr, nullptr);
  std::string z;
  attachment::Compress(bytes, z);
  for (auto _ : state) {
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO f(vdata) VALUES(?)", -1, &insert, nullptr);
    sqlite3_bind_blob(insert, 1, z.data(), static_cast<int>(z.size()), SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_finalize(insert);
    const sqlite3_int64 id = sqlite3_last_insert_rowid(db);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT vdata FROM f WHERE iid=?", -1, &select, nullptr);
    sqlite3_bind_int64(select, 1, id);
    if (sqlite3_step(select) != SQLITE_ROW || sqlite3_column_bytes(select, 0) != static_cast<int>(z.size()))
      state.SkipWithError("blob differs");
    sqlite3_finalize(select);
    sqlite3_stmt* remove = nullptr;
    sqlite3_prepare_v2(db, "DELETE FROM f WHERE iid=?", -1, &remove, nullptr);
    sqlite3_bind_int64(remove, 1, id);
    sqlite3_step(remove);
    sqlite3_finalize(remove);
  }
  sqlite3_close(db);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 *
                          static_cast<int64_t>(z.size()));
}
BENCHMARK(BM_SqliteBlobInsertAndSelect)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "attachment benchmark", SetUp, TearDown);
}
