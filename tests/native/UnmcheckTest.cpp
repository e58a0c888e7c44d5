// unmcheck as a script author runs it: the real binary, its output and exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/unmcheck/Report.h"
#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/profile/PrinterFilter.h"
#include "uninstall/profile/ScriptPaths.h"
#include "uninstall/profile/UninstallDatabase.h"

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

namespace {
// Two scripts name the same driver (the one read first wins), one names the
// disguise tool; a third lies deeper than a path field reaches.
const char kDriverScript[] =
    "[UnPrinterMfgs]\nVARDEN QUILLAN,QM,0\n[UnPrinterDrivers]\nVARDEN QUILLAN vintara 7310K,QV,1\n"
    "[QM.RegistryKeys]\nHKLM,\"SOFTWARE\\VARDEN QUILLAN\\Drivers\",\"\",1\n"
    "[QV.Files]\nQV7310.DLL\nQVCOMMON.DLL\n";
const char kProgramScript[] =
    "[UnPrinterDrivers]\nVezzaro,QZ,2\nVARDEN QUILLAN vintara 7310K,QW,3\n"
    "[QZ.Files]\nVEZZAR32.EXE\nQVCOMMON.DLL\n[QW.Files]\nOLD7310.DLL\n";
const char kDeepScript[] =
    "[UnPrinterDrivers]\nVARDEN QUILLAN vintara 9000,Q9,4\n[Q9.Files]\nQ9000.DLL\n";
const char kPrinters[] =
    "[{\"printerName\": \"office\", \"driverName\": \"VARDEN QUILLAN vintara 7310K\","
    " \"isMakerDriver\": 1},"
    " {\"printerName\": \"front desk\", \"driverName\": \"Generic\", \"disguiseName\": \"office\","
    " \"isDisguise\": 1}]";

struct Machine {
  const char* name;
  bool unvezz;
  bool deepScript;
  int keptCount;         // printers the tool keeps
  const char* category;  // an item the tool leaves on this machine
  const char* item;
};

// Writes the machine's scripts in the order the tool's folders are searched:
// the driver folder first. The case of the folder names makes the tool's
// order (without regard to case) differ from that and from byte order.
std::vector<std::string> WriteScripts(const Machine& m) {
  namespace fs = std::filesystem;
  const std::string root = testing::TempDir() + "unmcheck-machines/" + m.name + "/";
  std::vector<std::pair<std::string, const char*>> scripts = {
      {root + "B_drivers", kDriverScript}, {root + "a_program", kProgramScript}};
  if (m.deepScript)
    scripts.push_back({root + std::string(200, 'd') + "/" + std::string(60, 'e'), kDeepScript});
  std::vector<std::string> paths;
  for (const auto& s : scripts) {
    fs::create_directories(s.first);
    paths.push_back(s.first + "/Qunz__02.unm");
    std::ofstream(paths.back(), std::ios::binary) << s.second;
  }
  return paths;
}

// What the uninstall tool computes on the machine: the scripts it finds, read
// in its order, its everything profile and its printer filter for the same
// switches, then the removal set.
vq::CUninstallDatabase ToolComputes(const Machine& m, const std::vector<std::string>& found) {
  vq::CommandLineOptions switches;
  switches.Parse(m.unvezz ? "TORVAX02.exe /UNVEZZ" : "TORVAX02.exe");
  vq::CUninstallDatabase db;
  db.osVersion = vq::COsVersion(3, 8);
  for (const std::string& path : vq::OrderScriptPaths(found).read) db.ReadScript(path);
  db.PrepareEverythingProfile(switches.Count("UNVEZZ") >= 0);
  std::string error;
  EXPECT_TRUE(vq::ParsePrinters(kPrinters, db.printers, error)) << error;
  for (vq::CPrinterRecord& r : db.printers)
    if (!vq::IsOfferedByCommandLine(switches, r.driverName, r.disguiseName)) vq::Withhold(r);
  db.ComputeRemovalSet();
  return db;
}
}  // namespace

TEST(Unmcheck, ComputesTheToolsRemovalSetForTheSameMachine) {
  const Machine machines[] = {
      // The tool reads a_program first: its 7310K profile wins.
      {"order", false, false, 0, "Files", "QV7310.DLL"},
      // UNVEZZ keeps every printer without a disguise name, and with it the
      // maker's keys and the scripts.
      {"unvezz", true, false, 1, "RegistryKeys", "HKLM,\"SOFTWARE\\VARDEN QUILLAN\",\"\",0"},
      // The tool never finds a script whose path a field cannot hold.
      {"deep", false, true, 0, "Files", "Q9000.DLL"},
  };
  const std::string printers = WriteTemp("machine-printers.json", kPrinters);
  for (const Machine& m : machines) {
    SCOPED_TRACE(m.name);
    const std::vector<std::string> found = WriteScripts(m);
    std::string args = (m.unvezz ? "--unvezz --printers " : "--printers ") + printers;
    for (const std::string& path : found) args += " '" + path + "'";
    // The first path again in capitals: Windows takes it for the same file.
    std::string repeat = found[0];
    std::transform(repeat.begin(), repeat.end(), repeat.begin(), ::toupper);
    args += " '" + repeat + "'";
    Result r = RunUnmcheck(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json j = Json::parse(r.out);
    const vq::CUninstallDatabase tool = ToolComputes(m, found);
    EXPECT_EQ(j["removal"], Json::parse(vq::ListsJson(tool.removal).dump()));
    EXPECT_EQ(j["keptCount"], tool.keptCount);
    EXPECT_EQ(j["removeCount"], tool.removeCount);
    EXPECT_EQ(tool.keptCount, m.keptCount);
    EXPECT_FALSE(Has(j["removal"][m.category], m.item));
    Json rejected = Json::array();
    if (m.deepScript)
      rejected.push_back({{"script", found.back()}, {"reason", "path longer than 259 characters"}});
    rejected.push_back({{"script", repeat}, {"reason", "same path as an earlier script"}});
    EXPECT_EQ(j["rejected"], rejected);
  }
}
