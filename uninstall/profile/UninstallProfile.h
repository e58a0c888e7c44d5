// CUninstallProfile: what one manufacturer, one printer driver, or one special
// group (catch-all, ignore) installed, as thirteen category lists of item texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vq {

enum Category : int {
  kDeleteIni, kDeleteLoadRun, kUnSelfRegister, kPrintProcessors, kMonitors, kServices,
  kHooks, kFiles, kDrivers, kShortcuts, kOemFolders, kRegistryKeys, kDirectorys,
  kCategoryCount
};

// The list names, in list order ("DeleteIni" ... "Directorys").
const char* CategoryName(Category c);

// The eleven categories a script section fills, in reading order, with their
// section suffixes (Drivers and OemFolders are filled by the tool itself).
constexpr int kScriptCategoryCount = 11;
extern const Category kScriptCategories[kScriptCategoryCount];

// Registry roots an item of the RegistryKeys form can name.
enum class RegistryRoot { kLocalMachine, kClassesRoot, kCurrentUser, kUsers, kOther };

using ItemList = std::vector<std::string>;

class CUninstallProfile {
 public:
  std::string entryName;
  int32_t isManufacturer = 0;
  int32_t isCatchAll = 0;
  int32_t isIgnore = 0;
  int32_t entryNumber = 0;
  std::string sectionBase;
  std::string scriptPath;
  std::array<ItemList, kCategoryCount> lists;

  ItemList& List(Category c) { return lists[c]; }
  const ItemList& List(Category c) const { return lists[c]; }

  void Clear();
  void Assign(const CUninstallProfile& other) { *this = other; }

  // Every list receives the other's items, then is normalised. Name, flags,
  // number, section base and script path stay.
  void Union(const CUninstallProfile& other);
  // Appends the other's items without normalising: many appends followed by
  // one Normalise give exactly what the same sequence of Union calls gives.
  void Append(const CUninstallProfile& other);
  // Removes from every list the items that name what an item of the other's
  // same list names (equal name keys, NameFolding.h); the remaining order is
  // kept.
  void Difference(const CUninstallProfile& other);
  // Sorts every list by the items' name keys (stable) and drops repeats,
  // keeping the first of equal items.
  void Normalise();

  // Appends `ROOT,"subkey","value",d` to RegistryKeys. Adds nothing and
  // returns false for another root, an empty sub key, or a text over 259.
  bool AddRegistryItem(RegistryRoot root, const std::string& subKey,
                       const std::string& valueName, bool deltree);

  bool IsDriverEntry() const { return !isManufacturer && !isCatchAll && !isIgnore; }
};

// List helpers with the profile's semantics, usable on any item list.
void NormaliseList(ItemList& list);
void DifferenceList(ItemList& list, const ItemList& remove);

// The file a Files item deletes in the system and driver folders: its name
// and extension, without an "=..." suffix and without a folder part, as its
// name key. "X.DLL", "x.dll=1" and "C:\Drivers\X.DLL" all give "x.dll".
std::string FileItemName(const std::string& item);

// Removes from `files` every item that deletes the same file as an item of
// `kept`, however the two are spelled.
void DifferenceFileList(ItemList& files, const ItemList& kept);

}  // namespace vq
