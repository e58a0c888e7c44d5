#include "uninstall/profile/UninstallProfile.h"

#include <algorithm>
#include <unordered_set>

#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/TextRoutines.h"

namespace vq {

namespace {
const char* const kCategoryNames[kCategoryCount] = {
    "DeleteIni", "DeleteLoadRun", "UnSelfRegister", "PrintProcessors", "Monitors",
    "Services",  "Hooks",         "Files",          "Drivers",         "Shortcuts",
    "OemFolders", "RegistryKeys", "Directorys"};

}  // namespace

const Category kScriptCategories[kScriptCategoryCount] = {
    kDeleteIni, kDeleteLoadRun, kUnSelfRegister, kPrintProcessors, kMonitors, kServices,
    kHooks,     kFiles,         kShortcuts,      kRegistryKeys,    kDirectorys};

const char* CategoryName(Category c) {
  return (c >= 0 && c < kCategoryCount) ? kCategoryNames[c] : "";
}

void NormaliseList(ItemList& list) {
  // Items name files, keys, INI entries and the spooler's objects: they are
  // ordered and told apart by their name keys, the same keys DifferenceList
  // compares. Lists are normalised again and again (every Union,
  // NormaliseAll); one that is already strictly ascending is left as it is.
  bool ascending = true;
  for (std::size_t i = 1; i < list.size() && ascending; ++i)
    ascending = NameKey(list[i - 1]) < NameKey(list[i]);
  if (ascending) return;
  // Sorting by the key with the original position as tie-break gives the
  // stable case-insensitive order with plain byte comparisons, which is
  // several times faster on long lists than folding inside every comparison.
  struct Key {
    std::string folded;
    std::size_t index;
    bool operator<(const Key& o) const {
      int c = folded.compare(o.folded);
      return c != 0 ? c < 0 : index < o.index;
    }
  };
  std::vector<Key> keys;
  keys.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) keys.push_back({NameKey(list[i]), i});
  std::sort(keys.begin(), keys.end());
  ItemList out;
  out.reserve(keys.size());
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (k > 0 && keys[k].folded == keys[k - 1].folded) continue;  // keep the first of equals
    out.push_back(std::move(list[keys[k].index]));
  }
  list.swap(out);
}

void DifferenceList(ItemList& list, const ItemList& remove) {
  if (list.empty() || remove.empty()) return;
  std::unordered_set<std::string> folded;
  folded.reserve(remove.size() * 2);
  for (const std::string& item : remove) folded.insert(NameKey(item));
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const std::string& item) {
                              return folded.count(NameKey(item)) != 0;
                            }),
             list.end());
}

std::string FileItemName(const std::string& item) {
  std::string name = item.substr(0, item.find('='));
  const std::size_t folder = name.find_last_of("\\/:");
  if (folder != std::string::npos) name.erase(0, folder + 1);
  return NameKey(name);
}

void DifferenceFileList(ItemList& files, const ItemList& kept) {
  if (files.empty() || kept.empty()) return;
  std::unordered_set<std::string> names;
  names.reserve(kept.size() * 2);
  for (const std::string& item : kept) names.insert(FileItemName(item));
  files.erase(std::remove_if(files.begin(), files.end(),
                             [&](const std::string& item) {
                               return names.count(FileItemName(item)) != 0;
                             }),
              files.end());
}

void CUninstallProfile::Clear() { *this = CUninstallProfile(); }

void CUninstallProfile::Append(const CUninstallProfile& other) {
  for (int c = 0; c < kCategoryCount; ++c) {
    lists[c].insert(lists[c].end(), other.lists[c].begin(), other.lists[c].end());
  }
}

void CUninstallProfile::Union(const CUninstallProfile& other) {
  Append(other);
  Normalise();
}

void CUninstallProfile::Difference(const CUninstallProfile& other) {
  for (int c = 0; c < kCategoryCount; ++c) DifferenceList(lists[c], other.lists[c]);
}

void CUninstallProfile::Normalise() {
  for (ItemList& list : lists) NormaliseList(list);
}

bool CUninstallProfile::AddRegistryItem(RegistryRoot root, const std::string& subKey,
                                        const std::string& valueName, bool deltree) {
  const char* keyword = nullptr;
  switch (root) {
    case RegistryRoot::kLocalMachine: keyword = "HKLM"; break;
    case RegistryRoot::kClassesRoot: keyword = "HKCR"; break;
    case RegistryRoot::kCurrentUser: keyword = "HKCU"; break;
    case RegistryRoot::kUsers: keyword = "HKU"; break;
    case RegistryRoot::kOther: return false;
  }
  if (subKey.empty()) return false;
  std::string item = std::string(keyword) + ",\"" + subKey + "\",\"" + valueName + "\"," +
                     (deltree ? "1" : "0");
  if (item.size() > kFieldChars) return false;
  lists[kRegistryKeys].push_back(std::move(item));
  return true;
}

}  // namespace vq
