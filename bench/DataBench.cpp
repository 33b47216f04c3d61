// Open-and-read-everything of a 2,000-row query through TQuery, against a plain loop over the
// database client's interface running the same statement on the same attachment; and the time
// the first start takes to create and fill the embedded database.
#include "app/db/DatabaseScripts.h"
#include "data/Connection.h"
#include "data/Firebird.h"
#include "data/Query.h"
#include "data/Win1252.h"

#include <benchmark/benchmark.h>
#include <firebird/Interface.h>
#include <ibase.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

const char* ListSql = "SELECT SOL.ID_SOLICITACAO, SOL.DATA_SOLICITACAO, SOL.SOLICITACAO, "
                      "SOL.ID_USUARIO, SOL.ID_PREFEITURA, SOL.ID_SITUACAO, SOL.ID_TIPO, "
                      "SOL.ID_UNIDADE, USU.NOME_USUARIO, SIT.NOME_SITUACAO, TPS.NOME_TIPO, "
                      "UNI.NOME_UNIDADE FROM SOLICITACAO SOL "
                      "LEFT JOIN USUARIO USU ON USU.ID_USUARIO = SOL.ID_USUARIO "
                      "LEFT JOIN SITUACAO SIT ON SIT.ID_SITUACAO = SOL.ID_SITUACAO "
                      "LEFT JOIN TIPO_SOLICITACAO TPS ON TPS.ID_TIPO = SOL.ID_TIPO "
                      "LEFT JOIN UNIDADE UNI ON UNI.ID_UNIDADE = SOL.ID_UNIDADE "
                      "ORDER BY SOL.DATA_SOLICITACAO";

std::filesystem::path TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vozmira-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    std::abort();
  return pattern;
}

void SetParams(TConnection& connection, const std::filesystem::path& file) {
  TStrings& params = connection.GetParams();
  params.SetValue("Database", file.string());
  params.SetValue("User_Name", "SYSDBA");
  params.SetValue("Password", "tulipvane");
  params.SetValue("CharacterSet", "WIN1252");
}

// A temporary folder, removed with its contents.
struct TScratchFolder {
  std::filesystem::path Path = TempFolder();
  ~TScratchFolder() { std::filesystem::remove_all(Path); }
};

// One database with 2,000 requests, shared by the two reading benchmarks.
struct TListDatabase {
  TScratchFolder Folder;
  TComponent Owner{nullptr};
  TConnection* Connection = new TConnection(&Owner);

  TListDatabase() {
    SetParams(*Connection, Folder.Path / "bench.fdb");
    Connection->CreateDatabase(DatabaseScripts(), TForcedWrites::fwOff);
    Connection->ExecuteScript(
        "SET TERM ^ ;\n"
        "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN\n"
        "  WHILE (I < 1940) DO BEGIN\n"
        "    INSERT INTO SOLICITACAO VALUES (0, DATEADD(:I MINUTE TO "
        "TIMESTAMP '2026-01-01 08:00'), 'Solicitação número ' || :I, "
        "MOD(:I, 5) + 1, 1, MOD(:I, 6) + 1, MOD(:I, 6) + 1, MOD(:I, 8) + 1);\n"
        "    I = I + 1;\n"
        "  END\n"
        "END^\n"
        "SET TERM ; ^\n");
  }
};

TListDatabase& Database() {
  static TListDatabase database;
  return database;
}

void BM_QueryOpenAndReadAll(benchmark::State& state) {
  TListDatabase& db = Database();
  TQuery query(nullptr);
  query.SetConnection(db.Connection);
  query.GetSQL().SetText(ListSql);
  int64_t rows = 0;
  for (auto _ : state) {
    query.Open();
    for (query.First(); !query.GetEof(); query.Next()) {
      for (int i = 0; i < query.GetFieldCount(); ++i)
        benchmark::DoNotOptimize(query.Fields(i).GetAsVariant());
      ++rows;
    }
    query.Close();
  }
  state.counters["rows"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
}

// The same statement through the client's interface: prepare, open, fetch every row and copy
// each column's value out of the message, commit.
void BM_PlainClientLoop(benchmark::State& state) {
  TListDatabase& db = Database();
  Firebird::IMaster* master = Firebird::fb_get_master_interface();
  Firebird::IAttachment* attachment = db.Connection->Attachment().Handle();
  const std::string sql = detail::Utf8ToWin1252(ListSql);
  int64_t rows = 0;
  for (auto _ : state) {
    Firebird::IStatus* status = master->getStatus();
    Firebird::ThrowStatusWrapper wrapper(status);
    const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                 isc_tpb_rec_version, isc_tpb_nowait};
    Firebird::ITransaction* transaction = attachment->startTransaction(&wrapper, sizeof tpb, tpb);
    Firebird::IStatement* statement = attachment->prepare(
        &wrapper, transaction, 0, sql.c_str(), 3, Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    Firebird::IMessageMetadata* meta = statement->getOutputMetadata(&wrapper);
    std::vector<unsigned char> buffer(meta->getMessageLength(&wrapper));
    const unsigned count = meta->getCount(&wrapper);
    std::vector<unsigned> types, offsets, nulls;
    for (unsigned i = 0; i < count; ++i) {
      types.push_back(meta->getType(&wrapper, i) & ~1u);
      offsets.push_back(meta->getOffset(&wrapper, i));
      nulls.push_back(meta->getNullOffset(&wrapper, i));
    }
    Firebird::IResultSet* cursor =
        statement->openCursor(&wrapper, transaction, nullptr, nullptr, meta, 0);
    while (cursor->fetchNext(&wrapper, buffer.data()) == Firebird::IStatus::RESULT_OK) {
      for (unsigned i = 0; i < count; ++i) {
        if (*reinterpret_cast<short*>(&buffer[nulls[i]]) != 0)
          continue;
        const unsigned char* data = &buffer[offsets[i]];
        if (types[i] == SQL_VARYING) {
          std::string text(reinterpret_cast<const char*>(data + 2),
                           *reinterpret_cast<const uint16_t*>(data));
          benchmark::DoNotOptimize(text);
        } else if (types[i] == SQL_INT64) {
          benchmark::DoNotOptimize(*reinterpret_cast<const int64_t*>(data));
        } else if (types[i] == SQL_TIMESTAMP) {
          benchmark::DoNotOptimize(*reinterpret_cast<const ISC_TIMESTAMP*>(data));
        }
      }
      ++rows;
    }
    cursor->close(&wrapper);
    meta->release();
    statement->release();
    transaction->commit(&wrapper);
    status->dispose();
  }
  state.counters["rows"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
}

// What the first start does: create the embedded file and run the schema, procedures and seed.
void BM_FirstStartCreateDatabase(benchmark::State& state) {
  const bool forcedWrites = state.range(0) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      TScratchFolder folder;
      TComponent owner(nullptr);
      auto* connection = new TConnection(&owner);
      SetParams(*connection, folder.Path / "Brenvox.fdb");
      state.ResumeTiming();
      connection->CreateDatabase(DatabaseScripts(),
                                 forcedWrites ? TForcedWrites::fwOn : TForcedWrites::fwOff);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
}

// Prints what the console shows and keeps each benchmark's time per iteration.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> Times;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration)
        Times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

} // namespace

BENCHMARK(BM_QueryOpenAndReadAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PlainClientLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FirstStartCreateDatabase)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto timeOf = [&](const std::string& prefix) {
    for (const auto& [name, time] : reporter.Times)
      if (name.rfind(prefix, 0) == 0)
        return time;
    return 0.0;
  };
  const double query = timeOf("BM_QueryOpenAndReadAll");
  const double plain = timeOf("BM_PlainClientLoop");
  if (query > 0 && plain > 0)
    std::printf("\nTQuery / plain client loop, 2,000 rows: %.2f (target at most 1.50)\n",
                query / plain);
  benchmark::Shutdown();
  return 0;
}
