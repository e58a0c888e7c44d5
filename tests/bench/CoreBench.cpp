// Throughput of the script reader and growth of the removal-set computation.
//
//   ParseScript:        a 1 MiB script through CIniFile and ReadScript (MiB/s)
//   ComputeRemovalSet/k: k * (1000 printers over 2000 profiles, 50 items per
//                        category), k = 1, 4, 16; should grow near n log n.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <random>
#include <string>

#include "uninstall/profile/IniFile.h"
#include "uninstall/profile/UninstallDatabase.h"

using namespace vq;

namespace {

std::string MakeScript(std::size_t targetBytes) {
  std::string text = "[UnPrinterMfgs]\r\n\"VARDEN QUILLAN\",QMFG,0\r\n[UnPrinterDrivers]\r\n";
  text += "VARDEN QUILLAN vintara 7310K,QV,1\r\n";
  int section = 0;
  while (text.size() < targetBytes) {
    text += "[QV" + std::to_string(section++) + ".Files]\r\n";
    for (int i = 0; i < 100; ++i) text += "QUILLAN_FILE_" + std::to_string(i) + ".DLL ; a comment\r\n";
  }
  text += "[QV.Files]\r\nQV.DLL\r\n";
  return text;
}

void ParseScript(benchmark::State& state) {
  const std::string text = MakeScript(1 << 20);
  for (auto _ : state) {
    CIniFile file;
    file.Parse("C:\\Qunz__02.unm", text.data(), text.size());
    CUninstallDatabase db;
    db.ReadScript(file);
    benchmark::DoNotOptimize(db.profiles.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ParseScript)->Unit(benchmark::kMillisecond);

// Profiles whose items are drawn from a shared pool, so that lists overlap the
// way drivers of one maker share files.
CUninstallDatabase MakeDatabase(int scale) {
  const int profiles = 2000 * scale;
  const int printers = 1000 * scale;
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> pick(0, profiles * 5);
  CUninstallDatabase db;
  db.osVersion = COsVersion(3, 8);
  for (int i = 0; i < profiles; ++i) {
    CUninstallProfile p;
    p.entryName = "VARDEN QUILLAN model " + std::to_string(i);
    p.isCatchAll = (i % 500 == 7);
    p.isIgnore = (i % 500 == 11);
    p.scriptPath = "C:\\drivers\\" + std::to_string(i % 7) + "\\Qunz__02.unm";
    for (int c = 0; c < kScriptCategoryCount; ++c) {
      ItemList& list = p.List(kScriptCategories[c]);
      for (int k = 0; k < 50; ++k) list.push_back("ITEM_" + std::to_string(c) + "_" + std::to_string(pick(rng)));
    }
    db.profiles.push_back(std::move(p));
  }
  db.NormaliseAll();
  db.PrepareEverythingProfile(false);
  for (int i = 0; i < printers; ++i) {
    CPrinterRecord r;
    r.printerName = "Printer " + std::to_string(i);
    r.driverName = "VARDEN QUILLAN model " + std::to_string((i * 2) % profiles);
    r.isMakerDriver = 1;
    r.keep = (i % 3 != 0);
    r.disguiseName = (i % 10 == 0) ? "Printer " + std::to_string(i + 1) : "";
    db.printers.push_back(r);
  }
  return db;
}

void ComputeRemovalSet(benchmark::State& state) {
  const CUninstallDatabase base = MakeDatabase(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    CUninstallDatabase db = base;
    state.ResumeTiming();
    db.ComputeRemovalSet();
    benchmark::DoNotOptimize(db.removal.List(kFiles).size());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(ComputeRemovalSet)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
  return 0;
}
