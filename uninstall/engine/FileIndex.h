// One walk per folder tree per run: the file phase looks for up to hundreds of
// names in the driver folders (two levels below) and the installation folders
// (three levels below). Walking each tree once and finding the names in an
// index gives the same deletions as walking the tree once per name, for a
// fraction of the directory reads.
#pragma once

#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace vq {

// Whether a walk enters the entry found with `attributes` and `name`: a
// folder whose name does not begin with "." and that is no junction, mount
// point or other reparse point, which may lead anywhere (Windows' folders,
// another drive, back up the same tree).
bool IsWalkedFolder(unsigned long attributes, const char* name);

// The files of one tree, as the walk met them.
class CFolderTree {
 public:
  // Walks `root` (ending with a backslash) and `depth` levels of the
  // subfolders IsWalkedFolder enters.
  CFolderTree(const std::string& root, int depth);

  const std::string& Root() const { return root_; }
  int Depth() const { return depth_; }
  // Full paths of the files named `name` (without regard to case), in the
  // order a depth-first walk meets them; null when there is none.
  const std::vector<std::string>* Find(const std::string& name) const;
  // The subfolders entered, each after its own subfolders.
  const std::vector<std::string>& Subfolders() const { return subfolders_; }
  std::size_t EntryCount() const { return entries_; }

 private:
  void Walk(const std::string& folder, int depth);

  std::string root_;
  int depth_;
  std::size_t entries_ = 0;
  std::unordered_map<std::string, std::vector<std::string>> files_;
  std::vector<std::string> subfolders_;
};

// The trees of one file phase, each walked the first time it is asked for.
class CFileIndex {
 public:
  // The tree of `root` walked `depth` levels deep.
  const CFolderTree& Tree(const std::string& root, int depth);
  // Marks a tree as one whose emptied folders go at the end.
  void RemoveFoldersOf(const std::string& root, int depth);
  // Records that the run deleted the file `path`: its folder and the folders
  // that hold it count as emptied by the run, should they be empty at the end.
  void NoteDeleted(const std::string& path);
  // Removes, in every tree marked with RemoveFoldersOf, the subfolders (deepest
  // first) and then the tree's own folder that are empty now and in which the
  // run deleted something. A folder that was empty before the run stays.
  void RemoveEmptiedFolders();

 private:
  struct Entry {
    CFolderTree tree;
    bool removeFolders;
  };
  bool Touched(const std::string& folder) const;

  std::vector<Entry> trees_;      // in the order first asked for
  std::set<std::string> touched_;  // name keys of folder paths, ending with a backslash
};

}  // namespace vq
