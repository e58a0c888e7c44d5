#include "uninstall/profile/UninstallDatabase.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <unordered_map>

#include "uninstall/profile/IniFile.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/ScriptLimits.h"
#include "uninstall/profile/TextRoutines.h"

namespace vq {

const char kDisguiseProfileName[] = "Vezzaro";
const char kDisguiseToolWin32s[] = "VEZZARO.EXE";
const char kDisguiseTool32[] = "VEZZAR32.EXE";

const char* const kStarterSections[kStarterSectionCount] = {
    "UnPrinterMfgs", "UnPrinterDrivers", "Unz_CatchAll", "Unx_Ignore"};

const char* CategorySuffix(int scriptCategoryIndex) {
  if (scriptCategoryIndex < 0 || scriptCategoryIndex >= kScriptCategoryCount) return "";
  return CategoryName(kScriptCategories[scriptCategoryIndex]);
}

namespace {

// Decimal reading as the C library's atoi does it, without its overflow:
// leading blanks, an optional sign, digits up to the first other character.
int32_t ParseEntryNumber(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = (*text++ == '-');
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int32_t>(value);
}

// Walks a list filled by GetKeys/GetEntries. An empty text ends the list;
// when it is the first one it still counts as one (empty) text.
template <typename Fn>
void ForEachListedText(char* buffer, int written, Fn fn) {
  if (written == 0) return;
  char* p = buffer;
  fn(p);
  if (*p == '\0') return;
  while ((p = SplitAt(p, '\0')) != nullptr) fn(p);
}

// The first word of a driver or manufacturer name (all of it without a space).
std::string FirstWord(const std::string& name) {
  return name.substr(0, name.find(' '));
}

std::string FoldedFirstWord(const std::string& name) { return FoldedCopy(FirstWord(name)); }

// Lookup tables for tying many printers to profiles: the same answers as
// FindProfileByName and FindManufacturerProfile, in constant time.
class CProfileIndex {
 public:
  explicit CProfileIndex(const std::vector<CUninstallProfile>& profiles) {
    for (std::size_t i = 0; i < profiles.size(); ++i) {
      byName_.emplace(FoldedCopy(profiles[i].entryName), i);  // keeps the first
      if (profiles[i].isManufacturer) byWord_[FoldedFirstWord(profiles[i].entryName)] = i;
    }
  }
  // Index of the printer's profile, or -1.
  long Tie(const std::string& driverName) const {
    auto it = byName_.find(FoldedCopy(driverName));
    if (it != byName_.end()) return static_cast<long>(it->second);
    return Manufacturer(driverName);
  }
  // Index of the manufacturer profile of the driver's maker, or -1.
  long Manufacturer(const std::string& driverName) const {
    auto w = byWord_.find(FoldedFirstWord(driverName));
    return w != byWord_.end() ? static_cast<long>(w->second) : -1;
  }

 private:
  std::unordered_map<std::string, std::size_t> byName_;
  std::unordered_map<std::string, std::size_t> byWord_;
};

}  // namespace

bool CUninstallDatabase::ReadScript(const std::string& path, std::string* reason) {
  CIniFile file;
  if (!file.Read(path)) {
    if (reason) *reason = "failed to open file";
    return false;
  }
  return ReadScript(file, reason);
}

bool CUninstallDatabase::ReadScript(const CIniFile& file, std::string* reason) {
  int counts[kStarterSectionCount];
  int total = 0;
  for (int s = 0; s < kStarterSectionCount; ++s) {
    counts[s] = file.CountEntries(kStarterSections[s]);
    total += counts[s];
  }
  if (total == 0) {
    if (reason) *reason = "no starter sections";
    return false;
  }
  char items[kCategorySectionBuffer];
  for (int s = 0; s < kStarterSectionCount; ++s) {
    if (counts[s] <= 0) continue;
    const bool isMfgs = (s == 0);
    char starters[kStarterSectionBuffer];
    int written = isMfgs ? file.GetEntries(kStarterSections[s], starters, sizeof(starters))
                         : file.GetKeys(kStarterSections[s], starters, sizeof(starters));
    ForEachListedText(starters, written, [&](char* entryText) {
      char fields[kStarterSectionBuffer];
      CopyBounded(fields, sizeof(fields), entryText);
      char* base = SplitAt(fields, ',');
      char* number = SplitAt(base, ',');
      if (!number) return;  // all three fields are needed
      CUninstallProfile profile;
      profile.scriptPath = file.FileName();
      profile.isManufacturer = (s == 0);
      profile.isCatchAll = (s == 2);
      profile.isIgnore = (s == 3);
      TrimChar(fields, '"');
      profile.entryName = fields;
      profile.sectionBase = base;
      profile.entryNumber = ParseEntryNumber(number);
      for (int c = 0; c < kScriptCategoryCount; ++c) {
        const std::string section = profile.sectionBase + "." + CategorySuffix(c);
        int n = file.GetEntries(section, items, sizeof(items));
        ItemList& list = profile.List(kScriptCategories[c]);
        ForEachListedText(items, n, [&](char* item) {
          if (std::strlen(item) <= kFieldChars) list.push_back(item);
        });
      }
      if (!isMfgs) profile.List(kDrivers).push_back(profile.entryName);
      profiles.push_back(std::move(profile));
    });
  }
  SortAndDedupeProfiles();
  return true;
}

void CUninstallDatabase::SortAndDedupeProfiles() {
  std::stable_sort(profiles.begin(), profiles.end(),
                   [](const CUninstallProfile& a, const CUninstallProfile& b) {
                     return CompareNoCase(a.entryName, b.entryName) < 0;
                   });
  profiles.erase(std::unique(profiles.begin(), profiles.end(),
                             [](const CUninstallProfile& a, const CUninstallProfile& b) {
                               return EqualNoCase(a.entryName, b.entryName);
                             }),
                 profiles.end());
}

bool CUninstallDatabase::FindProfileByName(const std::string& name,
                                           CUninstallProfile& out) const {
  out.Clear();
  for (const CUninstallProfile& p : profiles) {
    if (EqualNoCase(p.entryName, name)) {
      out.Assign(p);
      return true;
    }
  }
  return false;
}

bool CUninstallDatabase::FindManufacturerProfile(const std::string& driverName,
                                                 CUninstallProfile& out) const {
  out.Clear();
  const std::string word = FirstWord(driverName);
  const CUninstallProfile* last = nullptr;
  for (const CUninstallProfile& p : profiles) {
    if (p.isManufacturer && EqualNoCase(FirstWord(p.entryName), word)) last = &p;
  }
  if (last) out.Assign(*last);
  return last != nullptr;
}

bool CUninstallDatabase::BuildEverythingProfile(CUninstallProfile& out) {
  NormaliseAll();
  out.Clear();
  bool any = false;
  for (const CUninstallProfile& p : profiles) {
    if (p.isIgnore) continue;
    out.Append(p);
    any = true;
  }
  if (any) out.Normalise();
  return any;
}

void CUninstallDatabase::PrepareEverythingProfile(bool unvezz) {
  BuildEverythingProfile(everything);
  CUninstallProfile disguise;
  if (!FindProfileByName(kDisguiseProfileName, disguise)) return;
  disguiseToolOnly = unvezz;
  if (unvezz) everything.Assign(disguise);
  else everything.Difference(disguise);
}

void CUninstallDatabase::NormaliseAll() {
  SortAndDedupeProfiles();
  keep.Normalise();
  removal.Normalise();
}

void CUninstallDatabase::ComputeRemovalSet() {
  keep.Clear();
  removal.Clear();
  keptCount = 0;
  removeCount = 0;

  // A printer whose disguise name names a printer being removed goes too. The
  // flag changes in list order, so a cleared printer later in the list passes
  // the rule on to its own disguises.
  std::unordered_map<std::string, std::vector<std::size_t>> byDisguise;
  for (std::size_t i = 0; i < printers.size(); ++i) {
    if (!printers[i].disguiseName.empty())
      byDisguise[FoldedCopy(printers[i].disguiseName)].push_back(i);
  }
  for (const CPrinterRecord& x : printers) {
    if (x.isDisguise || x.removed || x.keep) continue;
    auto it = byDisguise.find(FoldedCopy(x.printerName));
    if (it == byDisguise.end()) continue;
    for (std::size_t y : it->second) printers[y].keep = 0;
  }

  const CProfileIndex index(profiles);
  std::vector<bool> tiedToKept(profiles.size(), false);
  bool keepEverything = false;
  for (const CPrinterRecord& p : printers) {
    if (p.isDisguise || p.removed) continue;
    if (!p.keep) {
      ++removeCount;
      continue;
    }
    ++keptCount;
    if (p.openError && p.driverName.empty()) {
      // A printer that stays on a driver nobody could read: any profile may
      // be its own, so every one stays.
      for (const CUninstallProfile& profile : profiles) keep.Append(profile);
      keepEverything = true;
      continue;
    }
    long tied = index.Tie(p.driverName);
    if (tied >= 0) tiedToKept[static_cast<std::size_t>(tied)] = true;
    if (tied >= 0) keep.Append(profiles[static_cast<std::size_t>(tied)]);
    // What every driver of its maker shares stays while one of them stays:
    // a kept printer keeps its manufacturer's profile as well.
    long maker = index.Manufacturer(p.driverName);
    if (maker >= 0 && maker != tied) keep.Append(profiles[static_cast<std::size_t>(maker)]);
  }
  if (keptCount == 0) AddWholePackageItems(everything);
  for (const CUninstallProfile& p : profiles) {
    if (p.isIgnore || p.isCatchAll) keep.Append(p);
  }
  keep.Normalise();

  removal.Assign(everything);
  removal.Difference(keep);
  // The driver of each driver entry that no printer that stays needs goes
  // with what its entry names, also when its printers went before (a run
  // that ended part-way) or it never had one.
  // Only a driver the whole set names and none that stays needs: not the
  // disguise tool's entry (in whatever case), nor a name a kept entry lists.
  if (!keepEverything && !disguiseToolOnly) {
    ItemList drivers;
    for (std::size_t i = 0; i < profiles.size(); ++i)
      if (profiles[i].IsDriverEntry() && !tiedToKept[i] && !EqualNoCase(profiles[i].entryName, kDisguiseProfileName))
        drivers.push_back(profiles[i].entryName);
    DifferenceList(drivers, keep.List(kDrivers));
    ItemList unnamed = drivers;
    DifferenceList(unnamed, everything.List(kDrivers));
    DifferenceList(drivers, unnamed);
    ItemList& removed = removal.List(kDrivers);
    removed.insert(removed.end(), drivers.begin(), drivers.end());
  }
  // The file phase deletes by file name: a kept file protects every item
  // that names the same file, whatever its spelling ("X.DLL=1", a path).
  DifferenceFileList(removal.List(kFiles), keep.List(kFiles));

  const std::string tool = NameKey(osVersion.IsWin32s() ? kDisguiseToolWin32s : kDisguiseTool32);
  disguiseToolKept = 1;
  for (const std::string& f : removal.List(kFiles)) {
    if (FileItemName(f) == tool) disguiseToolKept = 0;
  }
  NormaliseAll();
}

bool HasScriptExtension(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/:");
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  return EqualNoCase(path.substr(dot), ".unm");
}

void CUninstallDatabase::AddWholePackageItems(CUninstallProfile& target) {
  if (keptCount != 0) return;
  CUninstallProfile disguise;
  if (FindProfileByName(kDisguiseProfileName, disguise)) target.Union(disguise);
  // Each catch-all is united in turn; appending them and normalising once
  // after the last one gives the same lists.
  std::size_t lastCatchAll = profiles.size();
  for (std::size_t i = 0; i < profiles.size(); ++i) {
    if (profiles[i].isCatchAll) lastCatchAll = i;
  }
  for (std::size_t i = 0; i < profiles.size(); ++i) {
    const CUninstallProfile& p = profiles[i];
    if (HasScriptExtension(p.scriptPath)) target.List(kFiles).push_back(p.scriptPath);
    if (p.isCatchAll) target.Append(p);
    if (i == lastCatchAll) target.Normalise();
  }
  target.AddRegistryItem(RegistryRoot::kLocalMachine, "SOFTWARE\\VARDEN QUILLAN\\OEM02", "", true);
  target.AddRegistryItem(RegistryRoot::kLocalMachine, "SOFTWARE\\VARDEN QUILLAN\\QSR32_02", "", true);
  target.AddRegistryItem(RegistryRoot::kLocalMachine, "SOFTWARE\\VARDEN QUILLAN\\Filters", "", true);
  target.AddRegistryItem(RegistryRoot::kLocalMachine, "SOFTWARE\\VARDEN QUILLAN", "", false);
}

bool CUninstallDatabase::RemovalSetIsEmpty() const {
  for (int category = 0; category < kCategoryCount; ++category)
    if (!removal.List(static_cast<Category>(category)).empty()) return false;
  return true;
}

int CUninstallDatabase::CountListedPrinters() const {
  int n = 0;
  for (const CPrinterRecord& p : printers) {
    if (!p.isDisguise && !p.removed && p.listed) ++n;
  }
  return n;
}

bool CUninstallDatabase::IsPackagePrinter(const CPrinterRecord& printer) const {
  if (printer.isMakerDriver) return true;
  for (const CUninstallProfile& p : profiles) {
    const bool driverEntry = !p.isManufacturer && !p.isCatchAll && !p.isIgnore;
    if (driverEntry && EqualNoCase(p.entryName, printer.driverName)) return true;
  }
  return false;
}

void CUninstallDatabase::KeepOtherMakersPrinters() {
  for (CPrinterRecord& p : printers) {
    if (p.listed && !IsPackagePrinter(p)) p.keep = 1;
  }
}

}  // namespace vq
