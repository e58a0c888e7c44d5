// Bytes -> scripts -> profiles -> removal set, and the linter over the same
// bytes: nothing a script holds may crash the reader or overflow a field, and
// whatever the scripts say, the computed profiles keep their invariants.
//
// The input is one script, or two separated by a form feed (read in the
// tool's order, so that names repeated across scripts are exercised too).
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "uninstall/profile/CommandLineOptions.h"
#include "uninstall/profile/IniFile.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/PrinterFilter.h"
#include "uninstall/profile/ScriptLint.h"
#include "uninstall/profile/ScriptPaths.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"

namespace {

using vq::CUninstallProfile;
using vq::ItemList;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

std::unordered_set<std::string> Folded(const ItemList& list) {
  std::unordered_set<std::string> set;
  for (const std::string& item : list) set.insert(vq::NameKey(item));
  return set;
}

// Every item of every list of `part` is in the same list of `whole`
// (`inside`), or in none of them (!`inside`), compared as names.
void RequireAll(const CUninstallProfile& part, const CUninstallProfile& whole, bool inside) {
  for (int c = 0; c < vq::kCategoryCount; ++c) {
    const std::unordered_set<std::string> other = Folded(whole.lists[c]);
    for (const std::string& item : part.lists[c])
      Require((other.count(vq::NameKey(item)) != 0) == inside);
  }
}

void RequireFieldsFit(const CUninstallProfile& p) {
  Require(p.entryName.size() <= vq::kFieldChars && p.sectionBase.size() <= vq::kFieldChars &&
          p.scriptPath.size() <= vq::kFieldChars);
  for (const ItemList& list : p.lists)
    for (const std::string& item : list) Require(item.size() <= vq::kFieldChars);
}

// Sorted ascending by name keys and free of repeats.
void RequireNormalised(const CUninstallProfile& p) {
  for (const ItemList& list : p.lists)
    for (std::size_t i = 1; i < list.size(); ++i) Require(vq::NameKey(list[i - 1]) < vq::NameKey(list[i]));
}

void RequireInvariants(const vq::CUninstallDatabase& db) {
  for (const CUninstallProfile& p : db.profiles) RequireFieldsFit(p);
  for (const CUninstallProfile* p : {&db.everything, &db.keep, &db.removal}) RequireFieldsFit(*p);
  RequireAll(db.removal, db.everything, true);
  RequireAll(db.removal, db.keep, false);
  for (const CUninstallProfile& p : db.profiles)
    if (p.isIgnore) RequireAll(p, db.removal, false);
  RequireNormalised(db.keep);
  RequireNormalised(db.removal);
}

// Printers named after the profiles, alternately kept, each disguising the
// one before, some without the maker's mark: the tying, the disguise rule and
// (with UNVEZZ) the printer filter run on whatever the scripts produced.
void AddPrinters(vq::CUninstallDatabase& db, const vq::CommandLineOptions& switches) {
  for (std::size_t i = 0; i < db.profiles.size() && i < 16; ++i) {
    vq::CPrinterRecord r;
    r.printerName = "P" + std::to_string(i);
    r.driverName = db.profiles[i].entryName;
    r.disguiseName = i % 3 ? "P" + std::to_string(i - 1) : "";
    r.isMakerDriver = i % 4 ? 1 : 0;
    r.isDisguise = (!r.isMakerDriver && !r.disguiseName.empty()) ? 1 : 0;
    r.keep = static_cast<int32_t>(i & 1);
    if (!vq::IsOfferedByCommandLine(switches, r.driverName, r.disguiseName)) vq::Withhold(r);
    db.printers.push_back(r);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\f');
  const std::string texts[2] = {input.substr(0, cut),
                                cut == std::string::npos ? std::string() : input.substr(cut + 1)};
  const std::string paths[2] = {"C:\\fuzz\\b\\Qunz__02.unm", "C:\\fuzz\\A\\Qunz__02.unm"};
  vq::CUninstallDatabase db;
  db.osVersion = vq::COsVersion(size % 4, 0);
  for (const std::string& path : vq::OrderScriptPaths({paths[0], paths[1]}).read) {
    const std::string& text = texts[path == paths[0] ? 0 : 1];
    vq::CIniFile file;
    if (!file.Parse(path, text.data(), text.size())) continue;
    vq::LintScript(text, file);
    db.ReadScript(file);
  }
  vq::CommandLineOptions switches;
  switches.Parse(size & 1 ? "/UNVEZZ" : "");
  db.PrepareEverythingProfile(switches.Count("UNVEZZ") >= 0);
  AddPrinters(db, switches);
  db.ComputeRemovalSet();
  RequireInvariants(db);
  return 0;
}
