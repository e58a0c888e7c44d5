// What an uninstall run changes outside the access layer's own operations,
// told to the backup the run writes (without one, as in a plan, nothing
// happens): files the engine writes anew, folder trees the program manager
// deletes, temporary files of the run's own, and what no undo can take back.
#pragma once

#include <string>
#include <vector>

namespace vq {

class CChangeJournal {
 public:
  virtual ~CChangeJournal() = default;
  // The file `path` is about to be written anew, losing `removedLines` (an
  // INI file's entry). False when what it holds could not be saved: it must
  // then stay as it is.
  virtual bool BeforeFileRewritten(const std::string& /*path*/,
                                   const std::vector<std::string>& /*removedLines*/) {
    return true;
  }
  // The file `path` is about to be scheduled for deletion at the next start
  // outside the access layer (WININIT.INI). False when it could not be
  // saved: it must then stay.
  virtual bool BeforeFileScheduled(const std::string& /*path*/) { return true; }
  // The folder tree `folder` is about to go (a program group the program
  // manager deletes). False when it could not be saved: it must then stay.
  virtual bool BeforeFolderTreeGoes(const std::string& /*folder*/) { return true; }
  // A temporary file of the run's own: deleting or renaming it changes
  // nothing that was on the machine before.
  virtual void OwnFile(const std::string& /*path*/) {}
  // A change that no undo can take back: an add-on's hook runs, the disguise
  // tool undoes its disguises.
  virtual void CannotRestore(const char* /*kind*/, const std::string& /*item*/) {}
};

// The journal of this process's run; one that does nothing when none is set.
CChangeJournal& Journal();
void SetJournal(CChangeJournal* journal);

}  // namespace vq
