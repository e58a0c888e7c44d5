#include "tools/unmcheck/Report.h"

#include <cstdio>

#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/profile/Cp1252.h"
#include "uninstall/profile/IniFile.h"
#include "uninstall/profile/PrinterFilter.h"
#include "uninstall/profile/ScriptLint.h"
#include "uninstall/profile/ScriptPaths.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"

namespace vq {

// C streams rather than iostreams: the Windows build then needs nothing of
// the C runtime that the oldest msvcrt.dll lacks.
bool ReadFileBytes(const std::string& path, std::string& content) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  content.clear();
  char block[65536];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof(block), file)) > 0) content.append(block, n);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

using Json = nlohmann::ordered_json;

Json ListsJson(const CUninstallProfile& p) {
  Json lists = Json::object();
  for (int c = 0; c < kCategoryCount; ++c) {
    Json items = Json::array();
    for (const std::string& item : p.List(static_cast<Category>(c))) items.push_back(Cp1252ToUtf8(item));
    lists[CategoryName(static_cast<Category>(c))] = items;
  }
  return lists;
}

namespace {

const char* KindName(const CUninstallProfile& p) {
  if (p.isManufacturer) return "manufacturer";
  if (p.isCatchAll) return "catchall";
  if (p.isIgnore) return "ignore";
  return "driver";
}

Json ProfileJson(const CUninstallProfile& p) {
  Json j = Json::object();
  j["name"] = Cp1252ToUtf8(p.entryName);
  j["kind"] = KindName(p);
  j["sectionBase"] = Cp1252ToUtf8(p.sectionBase);
  j["number"] = p.entryNumber;
  j["script"] = Cp1252ToUtf8(p.scriptPath);
  j.update(ListsJson(p));
  return j;
}

Json PrinterJson(const CPrinterRecord& r) {
  return Json{{"printerName", Cp1252ToUtf8(r.printerName)},
              {"driverName", Cp1252ToUtf8(r.driverName)},
              {"disguiseName", Cp1252ToUtf8(r.disguiseName)},
              {"serverName", Cp1252ToUtf8(r.serverName)},
              {"isMakerDriver", r.isMakerDriver},
              {"isDefault", r.isDefault},
              {"keep", r.keep},
              {"isDisguise", r.isDisguise},
              {"removed", r.removed},
              {"listed", r.listed}};
}


bool TextField(const Json& object, const char* key, std::string& field, std::string& error) {
  auto it = object.find(key);
  if (it == object.end()) return true;
  if (!it->is_string()) {
    error = std::string("\"") + key + "\" must be a string";
    return false;
  }
  if (!Utf8ToCp1252(it->get<std::string>(), field)) {
    error = std::string("\"") + key + "\" holds a character Windows-1252 cannot represent";
    return false;
  }
  if (field.size() > kFieldChars) {
    error = std::string("\"") + key + "\" is longer than 259 characters";
    return false;
  }
  return true;
}

bool FlagField(const Json& object, const char* key, int32_t& flag, std::string& error) {
  auto it = object.find(key);
  if (it == object.end()) return true;
  if (it->is_boolean()) flag = it->get<bool>() ? 1 : 0;
  else if (it->is_number_integer()) flag = it->get<long long>() != 0 ? 1 : 0;
  else {
    error = std::string("\"") + key + "\" must be a boolean or an integer";
    return false;
  }
  return true;
}

}  // namespace

bool ParsePrinters(const std::string& jsonText, std::vector<CPrinterRecord>& printers,
                   std::string& error) {
  Json doc = Json::parse(jsonText, nullptr, false);
  if (doc.is_discarded()) {
    error = "not valid JSON";
    return false;
  }
  if (!doc.is_array()) {
    error = "not a JSON array of printer objects";
    return false;
  }
  printers.clear();
  for (std::size_t i = 0; i < doc.size(); ++i) {
    const Json& o = doc[i];
    std::string why;
    CPrinterRecord r;
    bool ok = o.is_object() &&
              TextField(o, "printerName", r.printerName, why) &&
              TextField(o, "driverName", r.driverName, why) &&
              TextField(o, "disguiseName", r.disguiseName, why) &&
              TextField(o, "serverName", r.serverName, why) &&
              FlagField(o, "isMakerDriver", r.isMakerDriver, why) &&
              FlagField(o, "isDefault", r.isDefault, why) && FlagField(o, "keep", r.keep, why) &&
              FlagField(o, "isDisguise", r.isDisguise, why) &&
              FlagField(o, "removed", r.removed, why) && FlagField(o, "listed", r.listed, why);
    if (!ok) {
      error = "printer " + std::to_string(i) + ": " + (why.empty() ? "not an object" : why);
      return false;
    }
    printers.push_back(r);
  }
  return true;
}

namespace {

// Reads the scripts the tool would read, in its order; the paths it passes
// over and the scripts it rejects go to `rejected`. Fails only when a script
// file cannot be opened.
bool ReadScripts(const CheckOptions& options, CUninstallDatabase& db, Json& rejected,
                 Json& warnings, std::string& error) {
  const ScriptPathList paths = OrderScriptPaths(options.scripts);
  auto reject = [&rejected](const std::string& path, const std::string& reason) {
    rejected.push_back({{"script", Cp1252ToUtf8(path)}, {"reason", reason}});
  };
  for (const std::string& path : paths.tooLong) reject(path, "path longer than 259 characters");
  for (const std::string& path : paths.repeated) reject(path, "same path as an earlier script");
  for (const std::string& path : paths.read) {
    std::string content;
    if (!ReadFileBytes(path, content)) {
      error = path + ": cannot open file";
      return false;
    }
    CIniFile file;
    std::string reason = "failed to open file";  // an empty file is not read
    bool taken = file.Parse(path, content.data(), content.size()) && db.ReadScript(file, &reason);
    if (!taken) reject(path, reason);
    if (options.lint) {
      for (const ScriptWarning& w : LintScript(content, file))
        warnings.push_back({{"script", Cp1252ToUtf8(path)}, {"line", w.line},
                            {"message", Cp1252ToUtf8(w.message)}});
    }
  }
  return true;
}

}  // namespace

bool RunCheck(const CheckOptions& options, Json& report, std::string& error) {
  CUninstallDatabase db;
  db.osVersion = COsVersion(options.platformCode, 0);
  Json rejected = Json::array();
  Json warnings = Json::array();
  if (!ReadScripts(options, db, rejected, warnings, error)) return false;

  // The tool's switches this check stands for, applied as the tool applies
  // them: to the everything profile and to the printers offered.
  CommandLineOptions switches;
  switches.Parse(options.unvezz ? "/UNVEZZ" : "");
  db.PrepareEverythingProfile(switches.Count("UNVEZZ") >= 0);
  db.printers = options.printers;
  for (CPrinterRecord& r : db.printers) {
    if (!IsOfferedByCommandLine(switches, r.driverName, r.disguiseName)) Withhold(r);
  }
  db.ComputeRemovalSet();

  Json profiles = Json::array();
  for (const CUninstallProfile& p : db.profiles) profiles.push_back(ProfileJson(p));
  Json printers = Json::array();
  for (const CPrinterRecord& r : db.printers) printers.push_back(PrinterJson(r));

  report = Json::object();
  report["profiles"] = profiles;
  report["rejected"] = rejected;
  report["everything"] = ListsJson(db.everything);
  report["keep"] = ListsJson(db.keep);
  report["removal"] = ListsJson(db.removal);
  report["keptCount"] = db.keptCount;
  report["removeCount"] = db.removeCount;
  report["disguiseToolKept"] = db.disguiseToolKept;
  report["printers"] = printers;
  if (options.lint) report["warnings"] = warnings;
  return true;
}

}  // namespace vq
