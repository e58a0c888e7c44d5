// Times the file phase's search of an installation folder: one walk of the
// tree per name (no index) against one walk per run (the index), for the same
// names over the same tree, and checks that both leave the same tree.
//
// Run by hand from the build folder (it is not a ctest test):
//   tests/wine/wine-run.sh --fresh cleanup_index_benchmark
//       <build>/tests/wine/cleanup/cleanup_index_benchmark.exe [names] [files per leaf folder]
// (one command line)
// Defaults: 500 names, 49 files in each of 1000 leaf folders three levels
// deep (50,110 entries with the folders).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/wine/cleanup/CleanupTestSupport.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/engine/FileRemoval.h"

using namespace cleanup_test;

namespace {

const char kRoot[] = "C:\\VQ Bench\\";

std::string Leaf(int a, int b, int c) {
  return std::string(kRoot) + "L" + std::to_string(a) + "\\M" + std::to_string(b) + "\\N" +
         std::to_string(c) + "\\";
}

// The files the names find: one in every 40th leaf folder.
std::vector<std::string> MatchingPaths(int names) {
  std::vector<std::string> paths;
  for (int i = 0; i < names; i += 20)
    paths.push_back(Leaf(i % 10, (i / 10) % 10, (i / 100) % 10) + "HIT" + std::to_string(i) + ".DLL");
  return paths;
}

std::size_t CountEntries(const std::string& folder) {
  std::size_t count = 0;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    ++count;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) count += CountEntries(folder + name + "\\");
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return count;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

double RunNames(const std::vector<std::string>& names, bool withIndex) {
  TestRun run(WinXP());
  run.ctx.systemFolders.clear();  // the tree alone is measured
  run.ctx.driverFolders.clear();
  run.List(vq::kOemFolders) = {kRoot};
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  if (withIndex) {
    vq::CFileIndex index;
    for (const std::string& name : names) vq::DeleteFileEverywhere(run.ctx, name.c_str(), &index);
    index.RemoveEmptiedFolders();
  } else {
    for (const std::string& name : names) vq::DeleteFileEverywhere(run.ctx, name.c_str());
  }
  QueryPerformanceCounter(&end);
  return Seconds(start, end);
}

}  // namespace

int main(int argc, char** argv) {
  const int nameCount = argc > 1 ? std::atoi(argv[1]) : 500;
  const int filesPerLeaf = argc > 2 ? std::atoi(argv[2]) : 49;
  std::printf("building the tree...\n");
  std::fflush(stdout);
  for (int a = 0; a < 10; ++a)
    for (int b = 0; b < 10; ++b)
      for (int c = 0; c < 10; ++c) {
        const std::string leaf = Leaf(a, b, c);
        vq::fixture::CreateFolderPath(leaf);
        for (int f = 0; f < filesPerLeaf; ++f)
          WriteText(leaf + "F" + std::to_string(f) + ".DAT", "x");
      }
  const std::vector<std::string> hits = MatchingPaths(nameCount);
  CreateFiles(hits);
  std::vector<std::string> names;
  for (int i = 0; i < nameCount; ++i)
    names.push_back((i % 20 == 0 ? "HIT" : "ABSENT") + std::to_string(i) + ".DLL");
  const std::size_t entries = CountEntries(kRoot);
  std::printf("tree: %zu entries; names: %d (%zu found in the tree)\n", entries, nameCount, hits.size());

  const double walkPerName = RunNames(names, false);
  const std::size_t afterWalk = CountEntries(kRoot);
  CreateFiles(hits);
  const double indexed = RunNames(names, true);
  const std::size_t afterIndex = CountEntries(kRoot);

  std::printf("one walk per name: %.3f s\n", walkPerName);
  std::printf("one walk per run (index): %.3f s\n", indexed);
  std::printf("ratio: %.1fx\n", indexed > 0 ? walkPerName / indexed : 0.0);
  std::printf("entries left: %zu and %zu (%s)\n", afterWalk, afterIndex,
              afterWalk == afterIndex ? "the same" : "DIFFERENT");
  return afterWalk == afterIndex && afterWalk == entries - hits.size() ? 0 : 1;
}
