// unmcheck as a script author runs it: the real binary, its output and exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

using Json = nlohmann::json;

namespace {
struct Result {
  int exitCode;
  std::string out;
  std::string err;
};

Result RunUnmcheck(const std::string& args) {
  const std::string errFile = testing::TempDir() + "unmcheck.err";
  const std::string cmd = std::string(UNMCHECK_PATH) + " " + args + " 2>" + errFile;
  Result r{-1, "", ""};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream e(errFile);
  std::getline(e, r.err, '\0');
  return r;
}

std::string Samples() {
  const std::string s = SAMPLES_DIR;
  return s + "/driver/Qunz__02.unm " + s + "/program/Qunz__02.unm";
}

std::string WriteTemp(const std::string& name, const std::string& content) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

bool Has(const Json& list, const std::string& item) {
  for (const Json& x : list)
    if (x == item) return true;
  return false;
}
}  // namespace

TEST(Unmcheck, SamplesWithPrinters) {
  Result r = RunUnmcheck("--printers " + std::string(SAMPLES_DIR) + "/printers.json " + Samples());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(r.err.empty());
  Json j = Json::parse(r.out);
  ASSERT_EQ(j["profiles"].size(), 8u);
  EXPECT_EQ(j["profiles"][0]["name"], "Quillan Colour Profiles");
  EXPECT_EQ(j["profiles"][0]["kind"], "ignore");
  EXPECT_EQ(j["rejected"].size(), 0u);
  EXPECT_EQ(j["keptCount"], 2);    // the PS printer and the plotter stay
  EXPECT_EQ(j["removeCount"], 2);
  EXPECT_EQ(j["disguiseToolKept"], 1);
  EXPECT_TRUE(Has(j["removal"]["Files"], "QV7310.DLL"));
  EXPECT_FALSE(Has(j["removal"]["Files"], "QVCOMMON.DLL"));  // the kept PS driver uses it
  EXPECT_FALSE(Has(j["removal"]["Files"], "VEZZAR32.EXE"));
  EXPECT_FALSE(j.contains("warnings"));
  // Windows-1252 names come out as UTF-8, and the disguised printer is not touched.
  EXPECT_EQ(j["printers"][3]["printerName"], "Recep\xC3\xA7\xC3\xA3o");
  EXPECT_EQ(j["printers"][3]["keep"], 0);
}

TEST(Unmcheck, AllRemovedUnvezzAndPlatform) {
  Result all = RunUnmcheck(Samples());
  ASSERT_EQ(all.exitCode, 0);
  Json j = Json::parse(all.out);
  EXPECT_EQ(j["keptCount"], 0);
  EXPECT_TRUE(Has(j["removal"]["Files"], "VEZZAR32.EXE"));
  EXPECT_EQ(j["disguiseToolKept"], 0);
  EXPECT_EQ(Json::parse(RunUnmcheck("--platform win32s " + Samples()).out)["disguiseToolKept"], 0);
  Json u = Json::parse(RunUnmcheck("--unvezz " + Samples()).out);
  EXPECT_FALSE(Has(u["removal"]["Files"], "QV7310.DLL"));
  EXPECT_TRUE(Has(u["removal"]["Files"], "VEZZARO.EXE"));
}

TEST(Unmcheck, RejectedScriptsAreAResultAndLintWarns) {
  const std::string empty = WriteTemp("empty.unm", "");
  const std::string none = WriteTemp("none.unm", "[Other]\nx\n");
  const std::string latin = WriteTemp("latin.unm", "[UnPrinterDrivers]\nImpressora \xE9,Q,1\n  Q.DLL\n");
  Result r = RunUnmcheck("--lint " + empty + " " + none + " " + latin);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Json j = Json::parse(r.out);
  ASSERT_EQ(j["rejected"].size(), 2u);
  EXPECT_EQ(j["rejected"][0]["reason"], "failed to open file");
  EXPECT_EQ(j["rejected"][1]["reason"], "no starter sections");
  EXPECT_EQ(j["profiles"][0]["name"], "Impressora \xC3\xA9");
  ASSERT_EQ(j["warnings"].size(), 1u);
  EXPECT_EQ(j["warnings"][0]["line"], 3);
}

TEST(Unmcheck, BadInputExitsTwoWithOneLineAndNoOutput) {
  const std::string bad = WriteTemp("bad.json", "[{\"printerName\": 5}]");
  const std::string notJson = WriteTemp("notjson.json", "[{");
  const std::string longName = WriteTemp("long.json", "[{\"driverName\": \"" + std::string(300, 'x') + "\"}]");
  const char* cases[] = {"/nonexistent/Qunz__02.unm", "--bogus x.unm", "",
                         "--platform dos x.unm", "--printers"};
  for (const char* args : cases) {
    Result r = RunUnmcheck(args);
    EXPECT_EQ(r.exitCode, 2) << args;
    EXPECT_TRUE(r.out.empty()) << args;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
  }
  for (const std::string& file : {bad, notJson, longName}) {
    Result r = RunUnmcheck("--printers " + file + " " + Samples());
    EXPECT_EQ(r.exitCode, 2) << file;
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
  }
}
