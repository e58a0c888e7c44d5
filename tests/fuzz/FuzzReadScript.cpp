// Bytes -> script -> profiles -> removal set, and the linter over the same
// bytes: nothing a script holds may crash the reader or overflow a field.
#include <cstddef>
#include <cstdint>
#include <string>

#include "uninstall/profile/IniFile.h"
#include "uninstall/profile/ScriptLint.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/profile/UninstallDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  vq::CIniFile file;
  if (!file.Parse("C:\\fuzz\\Qunz__02.unm", text.data(), text.size())) return 0;
  vq::LintScript(text, file);
  vq::CUninstallDatabase db;
  db.osVersion = vq::COsVersion(size % 4, 0);
  db.ReadScript(file);
  for (const vq::CUninstallProfile& p : db.profiles) {
    if (p.entryName.size() > vq::kFieldChars || p.sectionBase.size() > vq::kFieldChars) __builtin_trap();
    for (const vq::ItemList& list : p.lists)
      for (const std::string& item : list)
        if (item.size() > vq::kFieldChars) __builtin_trap();
  }
  // Printers named after the profiles, alternately kept, exercise the tying
  // and the disguise rule on whatever the script produced.
  for (std::size_t i = 0; i < db.profiles.size() && i < 16; ++i) {
    vq::CPrinterRecord r;
    r.printerName = "P" + std::to_string(i);
    r.driverName = db.profiles[i].entryName;
    r.disguiseName = i ? "P" + std::to_string(i - 1) : "";
    r.keep = static_cast<int32_t>(i & 1);
    db.printers.push_back(r);
  }
  db.PrepareEverythingProfile(size & 1);
  db.ComputeRemovalSet();
  return 0;
}
