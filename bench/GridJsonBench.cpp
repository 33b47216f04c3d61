// The grid's data of 2,000 request rows as the grid writes them (DataSetToJSONText), against the
// same rows written with the JSON library directly (fields read by position, the same texts for
// dates), both ending in the compact text with non-ASCII characters escaped that the browser
// receives.  Prints the ratio of the two.
#include "data/DB.h"
#include "render/Facet.DataSetHelper.h"
#include "runtime/Component.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> Names = {"ID_SOLICITACAO", "DATA_SOLICITACAO", "SOLICITACAO",
                                        "ID_SITUACAO",    "NOME_SITUACAO",    "NOME_TIPO",
                                        "NOME_UNIDADE"};

// 2,000 requests in memory, with the list's columns.
struct TRequests {
  TComponent Owner{nullptr};
  TDataSet* DataSet = new TDataSet(&Owner);

  TRequests() {
    DataSet->DefineField("ID_SOLICITACAO", TFieldType::ftLargeint);
    DataSet->DefineField("DATA_SOLICITACAO", TFieldType::ftTimeStamp);
    DataSet->DefineField("SOLICITACAO", TFieldType::ftString, 200);
    DataSet->DefineField("ID_SITUACAO", TFieldType::ftInteger);
    DataSet->DefineField("NOME_SITUACAO", TFieldType::ftString, 40);
    DataSet->DefineField("NOME_TIPO", TFieldType::ftString, 40);
    DataSet->DefineField("NOME_UNIDADE", TFieldType::ftString, 40);
    DataSet->Open();
    for (int i = 0; i < 2000; ++i) {
      DataSet->Append();
      DataSet->Fields(0).SetAsLargeInt(i + 1);
      DataSet->Fields(1).SetAsDateTime(TDateTime(46023.0 + i / 1440.0));
      DataSet->Fields(2).SetAsString("Solicitação número " + std::to_string(i));
      DataSet->Fields(3).SetAsInteger(i % 5 + 1);
      DataSet->Fields(4).SetAsString("Em andamento");
      DataSet->Fields(5).SetAsString("Iluminação pública");
      DataSet->Fields(6).SetAsString("Secretaria de Obras");
      DataSet->Post();
    }
  }
};

TRequests& Requests() {
  static TRequests requests;
  return requests;
}

void BM_DataSetToJSONText(benchmark::State& state) {
  TDataSet& dataSet = *Requests().DataSet;
  for (auto _ : state) {
    const std::string text = DataSetToJSONText(dataSet, Names, 5000, true);
    benchmark::DoNotOptimize(text.data());
  }
}

void BM_JSONLibraryDirectly(benchmark::State& state) {
  TDataSet& dataSet = *Requests().DataSet;
  const TFormatSettings& settings = PtBrFormatSettings();
  for (auto _ : state) {
    TJSON rows = TJSON::array();
    int recNo = 0;
    for (dataSet.First(); !dataSet.GetEof(); dataSet.Next()) {
      TJSON row;
      row["ID_SOLICITACAO"] = dataSet.Fields(0).GetAsLargeInt();
      row["DATA_SOLICITACAO"] =
          FormatDateTime("dd/mm/yyyy hh:nn:ss", dataSet.Fields(1).GetAsDateTime(), settings);
      row["SOLICITACAO"] = dataSet.Fields(2).GetAsString();
      row["ID_SITUACAO"] = dataSet.Fields(3).GetAsLargeInt();
      row["NOME_SITUACAO"] = dataSet.Fields(4).GetAsString();
      row["NOME_TIPO"] = dataSet.Fields(5).GetAsString();
      row["NOME_UNIDADE"] = dataSet.Fields(6).GetAsString();
      row["FacetRecNo"] = ++recNo;
      rows.push_back(std::move(row));
    }
    const std::string text = rows.dump(-1, ' ', true);
    benchmark::DoNotOptimize(text.data());
  }
}

BENCHMARK(BM_DataSetToJSONText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JSONLibraryDirectly)->Unit(benchmark::kMillisecond);

// Keeps the time per iteration of each benchmark to print their ratio at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration)
        Times[run.benchmark_name()] = run.GetAdjustedRealTime();
  }
  std::map<std::string, double> Times;
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto helper = reporter.Times.find("BM_DataSetToJSONText");
  const auto direct = reporter.Times.find("BM_JSONLibraryDirectly");
  if (helper != reporter.Times.end() && direct != reporter.Times.end() && direct->second > 0)
    std::printf("DataSetToJSONText / JSON library directly: %.2f (goal: at most 1.5)\n",
                helper->second / direct->second);
  benchmark::Shutdown();
  return 0;
}
