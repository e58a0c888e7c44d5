#include "uninstall/engine/FileIndex.h"

#include <windows.h>

#include "uninstall/engine/ActionLog.h"
#include "uninstall/profile/NameFolding.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/AccessLayer.h"
#include "uninstall/system/Handles.h"

namespace vq {

bool IsWalkedFolder(unsigned long attributes, const char* name) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         name[0] != '.';
}

CFolderTree::CFolderTree(const std::string& root, int depth) : root_(root), depth_(depth) {
  if (!root_.empty()) Walk(root_, depth);
}

void CFolderTree::Walk(const std::string& folder, int depth) {
  WIN32_FIND_DATAA found;
  CFindHandle find(FindFirstFileA((folder + "*.*").c_str(), &found));
  if (!find.IsValid()) return;
  do {
    ++entries_;
    const std::string name = found.cFileName;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!IsWalkedFolder(found.dwFileAttributes, found.cFileName) || depth <= 0) continue;
      const std::string sub = folder + name + "\\";
      if (sub.size() > kFieldChars) continue;  // a path the phase's fields cannot hold
      Walk(sub, depth - 1);
      subfolders_.push_back(sub);
    } else {
      files_[NameKey(name)].push_back(folder + name);
    }
  } while (FindNextFileA(find.Get(), &found));
}

const std::vector<std::string>* CFolderTree::Find(const std::string& name) const {
  auto it = files_.find(NameKey(name));
  return it == files_.end() ? nullptr : &it->second;
}

const CFolderTree& CFileIndex::Tree(const std::string& root, int depth) {
  for (const Entry& e : trees_)
    if (e.tree.Depth() == depth && EqualNames(e.tree.Root(), root)) return e.tree;
  trees_.push_back(Entry{CFolderTree(root, depth), false});
  return trees_.back().tree;
}

void CFileIndex::RemoveFoldersOf(const std::string& root, int depth) {
  for (Entry& e : trees_)
    if (e.tree.Depth() == depth && EqualNames(e.tree.Root(), root)) e.removeFolders = true;
}

void CFileIndex::NoteDeleted(const std::string& path) {
  // Every folder of the path counts, down to the drive: only those inside a
  // tree marked for removal are ever looked at.
  for (std::size_t slash = path.find_last_of('\\'); slash != std::string::npos && slash > 0;
       slash = path.find_last_of('\\', slash - 1))
    touched_.insert(NameKey(path.substr(0, slash + 1)));
}

bool CFileIndex::Touched(const std::string& folder) const {
  return touched_.count(NameKey(folder)) != 0;
}

void CFileIndex::RemoveEmptiedFolders() {
  for (const Entry& e : trees_) {
    if (!e.removeFolders) continue;
    // RemoveDirectoryA removes a folder only when it is empty.
    for (const std::string& sub : e.tree.Subfolders())
      if (Touched(sub) && Access().RemoveDirectoryA(sub.c_str())) LogAction("remove folder", Quoted(sub));
    const std::string& root = e.tree.Root();
    if (Touched(root) && Access().RemoveDirectoryA(root.c_str())) LogAction("remove folder", Quoted(root));
  }
}

}  // namespace vq
