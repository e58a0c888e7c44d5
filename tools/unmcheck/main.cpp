// unmcheck: shows what the uninstall tool makes of a set of uninstall
// scripts: the profiles, what would be removed for given printers, and
// (with --lint) what the reader drops or misreads.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/unmcheck/Report.h"

namespace {

const char kUsage[] =
    "usage: unmcheck [--platform win32s|win9x|nt] [--unvezz] [--printers FILE] [--lint] SCRIPT...";

int Fail(const std::string& message) {
  std::fprintf(stderr, "unmcheck: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  vq::CheckOptions options;
  std::string printersFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--platform" || arg == "--printers") {
      if (i + 1 >= argc) return Fail(arg + " needs a value");
      const std::string value = argv[++i];
      if (arg == "--printers") {
        printersFile = value;
      } else if (value == "win32s") {
        options.platformCode = 1;
      } else if (value == "win9x") {
        options.platformCode = 2;
      } else if (value == "nt") {
        options.platformCode = 3;
      } else {
        return Fail("unknown platform '" + value + "' (win32s, win9x, nt)");
      }
    } else if (arg == "--unvezz") {
      options.unvezz = true;
    } else if (arg == "--lint") {
      options.lint = true;
    } else if (arg == "--help" || arg == "-h") {
      std::puts(kUsage);
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Fail("unknown option '" + arg + "'");
    } else {
      options.scripts.push_back(arg);
    }
  }
  if (options.scripts.empty()) return Fail(std::string("no script given; ") + kUsage);
  if (!printersFile.empty()) {
    std::string text, error;
    if (!vq::ReadFileBytes(printersFile, text)) return Fail(printersFile + ": cannot open file");
    if (!vq::ParsePrinters(text, options.printers, error)) return Fail(printersFile + ": " + error);
  }
  nlohmann::ordered_json report;
  std::string error;
  if (!vq::RunCheck(options, report, error)) return Fail(error);
  const std::string out = report.dump(2) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
