// Registry items: descending order, whole trees, the access-denied path with
// the original access list put back when the deletion still fails,
// value-only items, the guard that refuses keys and values Windows needs, and
// kept keys surviving under Windows NT's and Windows 9x's RegDeleteKeyA.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/wine/cleanup/CleanupTestSupport.h"
#include "tests/wine/core/WindowsDoubles.h"
#include "tests/wine/fixture/PackageInstaller.h"
#include "uninstall/engine/RegistryRemoval.h"
#include "uninstall/profile/TextRoutines.h"
#include "uninstall/system/AccessLayer.h"

using namespace cleanup_test;
using vq::fixture::RegistryKeyExists;
using vq::fixture::RegistryValueExists;
using vq::fixture::SetRegistryText;

namespace {

const char kBase[] = "SOFTWARE\\VQ Removal Test";

std::string Key(const std::string& sub) { return std::string(kBase) + "\\" + sub; }

// Records the keys the phase deletes, in order.
class CRecordingLayer : public vq::CAccessLayer {
 public:
  LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) override {
    deleted.push_back(subKey);
    return vq::CAccessLayer::RegDeleteKeyExA(key, subKey, view, reserved);
  }
  std::vector<std::string> deleted;
};

// Refuses every deletion of keys whose path contains `locked_`, as Windows NT
// does for a key whose access list the open-up cannot change, and notes the
// access list the key had at each refusal.
class CLockedLayer : public vq::CAccessLayer {
 public:
  explicit CLockedLayer(std::string locked) : locked_(std::move(locked)) {}
  LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) override {
    if (std::string(subKey).find(locked_) == std::string::npos)
      return vq::CAccessLayer::RegDeleteKeyExA(key, subKey, view, reserved);
    refusals.push_back(Descriptor(key, subKey));
    return ERROR_ACCESS_DENIED;
  }
  static std::vector<BYTE> Descriptor(HKEY root, const char* path) {
    HKEY h;
    std::vector<BYTE> sd(4096);
    if (::RegOpenKeyExA(root, path, 0, READ_CONTROL, &h) != ERROR_SUCCESS) return {};
    DWORD size = static_cast<DWORD>(sd.size());
    LONG rc = RegGetKeySecurity(h, DACL_SECURITY_INFORMATION, sd.data(), &size);
    ::RegCloseKey(h);
    if (rc != ERROR_SUCCESS) return {};
    sd.resize(GetSecurityDescriptorLength(sd.data()));
    return sd;
  }
  std::vector<std::vector<BYTE>> refusals;

 private:
  std::string locked_;
};

// Gives everyone read access only: no deletion, no change of the key.
bool SetReadOnlyAccessList(const std::string& path) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, &h) != ERROR_SUCCESS) return false;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  BYTE aclBuffer[256];
  PACL acl = reinterpret_cast<PACL>(aclBuffer);
  SECURITY_DESCRIPTOR sd;
  bool ok = InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION) &&
            AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
            InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) &&
            RegSetKeySecurity(h, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
  FreeSid(everyone);
  RegCloseKey(h);
  return ok;
}

bool GivesEveryoneEverything(const std::vector<BYTE>& sd) {
  if (sd.empty()) return false;
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  if (!GetSecurityDescriptorDacl(const_cast<BYTE*>(sd.data()), &present, &acl, &defaulted) || !acl)
    return false;
  ACCESS_ALLOWED_ACE* ace = nullptr;
  return acl->AceCount == 1 && GetAce(acl, 0, reinterpret_cast<void**>(&ace)) &&
         ace->Mask == GENERIC_ALL;
}

}  // namespace

TEST(RegistryItems, SubKeysComeBeforeTheirParentsAndTreesGoWhole) {
  ASSERT_TRUE(SetRegistryText("HKLM", Key("A\\B"), "v", "1"));
  ASSERT_TRUE(SetRegistryText("HKLM", Key("Tree\\X\\Y\\Z"), "v", "1"));
  ASSERT_TRUE(SetRegistryText("HKLM", Key("Tree\\X2"), "v", "1"));
  ASSERT_TRUE(SetRegistryText("HKLM", Key("Tree"), "v", "1"));
  ASSERT_TRUE(SetRegistryText("HKLM", Key("Flat\\Sub1\\Sub2"), "v", "1"));
  ASSERT_TRUE(SetRegistryText("HKLM", Key("Flat\\Sub3"), "", ""));
  ASSERT_TRUE(SetRegistryText("HKLM", "SOFTWARE\\VARDEN QUILLAN\\OEM02\\ProgramGroups", "Group", "x"));

  TestRun run;
  run.List(vq::kRegistryKeys) = {
      "HKLM,\"" + Key("A") + "\",\"\",0", "HKLM,\"" + Key("A\\B") + "\",\"\",0",
      "HKLM,\"" + Key("Tree") + "\",\"\",1",
      "HKLM,\"" + Key("Flat") + "\",\"\",0",  // has subkeys: the access-denied path
      "HKLM,\"" + Key("A") + "\",\"\",0"};    // a repeat goes with the normalising
  CRecordingLayer layer;
  {
    vq::CAccessLayerOverride use(layer);
    vq::RemoveRegistryItems(run.ctx);
  }
  EXPECT_FALSE(RegistryKeyExists("HKLM", Key("A")));
  EXPECT_FALSE(RegistryKeyExists("HKLM", Key("Tree")));
  EXPECT_FALSE(RegistryKeyExists("HKLM", Key("Flat")));
  EXPECT_FALSE(RegistryKeyExists("HKLM", "SOFTWARE\\VARDEN QUILLAN\\OEM02\\ProgramGroups"));
  ASSERT_GE(layer.deleted.size(), 4u);
  EXPECT_EQ(layer.deleted[0], "SOFTWARE\\VARDEN QUILLAN\\OEM02\\ProgramGroups");
  // Descending: Tree, Flat, A\B, A.
  auto position = [&](const std::string& k) {
    for (std::size_t i = 0; i < layer.deleted.size(); ++i)
      if (layer.deleted[i] == k) return static_cast<int>(i);
    return -1;
  };
  EXPECT_LT(position(Key("Tree\\X\\Y\\Z")), position(Key("Tree")));
  EXPECT_LT(position(Key("Tree")), position(Key("Flat")));
  EXPECT_LT(position(Key("Flat")), position(Key("A\\B")));
  EXPECT_LT(position(Key("A\\B")), position(Key("A")));
  EXPECT_EQ(std::count(layer.deleted.begin(), layer.deleted.end(), Key("A")), 1);
  EXPECT_TRUE(RegistryKeyExists("HKLM", kBase));
}

TEST(RegistryItems, ValueItemsDeleteOnlyTheValue) {
  ASSERT_TRUE(SetRegistryText("HKCU", "Software\\VARDEN QUILLAN\\Status", "WindowPos", "10,10"));
  ASSERT_TRUE(SetRegistryText("HKCU", "Software\\VARDEN QUILLAN\\Status", "Colour", "1"));
  TestRun run;
  run.List(vq::kRegistryKeys) = {"HKCU,\"Software\\VARDEN QUILLAN\\Status\",\"WindowPos\",1",
                                 "HKCU,\"Software\\VARDEN QUILLAN\\Missing\",\"WindowPos\",0",
                                 "HKEY_CURRENT_USER,\"Software\\VARDEN QUILLAN\\Status\",\"\",1",
                                 "HKCU,\"Software\\VARDEN QUILLAN\\Status\""};  // one comma: skipped
  vq::RemoveRegistryItems(run.ctx);
  EXPECT_FALSE(RegistryValueExists("HKCU", "Software\\VARDEN QUILLAN\\Status", "WindowPos"));
  EXPECT_TRUE(RegistryValueExists("HKCU", "Software\\VARDEN QUILLAN\\Status", "Colour"));
}

TEST(RegistryItems, QueuedPrinterAndDriverKeysOfTheSpoolerGo) {
  const std::string printers = "System\\CurrentControlSet\\control\\Print\\Printers\\";
  const std::string driver =
      "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\VQ Test Driver";
  ASSERT_TRUE(SetRegistryText("HKLM", printers + "VQ Test Printer\\PrinterDriverData", "x", "1"));
  ASSERT_TRUE(SetRegistryText("HKLM", driver, "Driver", "QV7310.DLL"));
  ASSERT_TRUE(SetRegistryText("HKLM", "SOFTWARE\\VARDEN QUILLAN\\QSR32_02\\Printers\\p", "Port", "FILE:"));
  TestRun run;
  // The Windows 9x queue's form: no closing quote after the sub key, no deltree field.
  run.List(vq::kRegistryKeys) = {"HKLM,\"" + printers + "VQ Test Printer\\PrinterDriverData,\"\"",
                                 "HKLM,\"" + printers + "VQ Test Printer,\"\"",
                                 "HKLM,\"" + driver + "\",\"\",0",
                                 "HKLM,\"SOFTWARE\\VARDEN QUILLAN\\QSR32_02\",\"\",1",
                                 "HKLM,\"SOFTWARE\\VARDEN QUILLAN\",\"\",0"};
  vq::RemoveRegistryItems(run.ctx);
  EXPECT_FALSE(RegistryKeyExists("HKLM", printers + "VQ Test Printer"));
  EXPECT_FALSE(RegistryKeyExists("HKLM", driver));
  EXPECT_TRUE(RegistryKeyExists("HKLM", "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3"));
  EXPECT_FALSE(RegistryKeyExists("HKLM", "SOFTWARE\\VARDEN QUILLAN"));
}

TEST(RegistryItems, RefusedKeysAndValuesStayAndTheRestGoesOn) {
  // The maker's class keys go; the system's containers and Windows' values stay.
  ASSERT_TRUE(SetRegistryText("HKCR", "{6D1F3A7C-7310-4B0E-9C1D-00000000FFFF}\\Settings", "x", "1"));
  ASSERT_TRUE(SetRegistryText("HKCR", "QuillanStatus.Document\\shell", "x", "1"));
  ASSERT_TRUE(SetRegistryText("HKCR", ".qvs", "", "QuillanStatus.Document"));
  ASSERT_TRUE(SetRegistryText("HKLM", Key("AfterRefusals"), "x", "1"));
  const std::string winlogon = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  const std::string session = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  ASSERT_TRUE(SetRegistryText("HKLM", winlogon, "Userinit", "C:\\windows\\system32\\userinit.exe,"));
  ASSERT_TRUE(SetRegistryText("HKLM", session, "BootExecute", "autocheck autochk *"));
  ASSERT_TRUE(SetRegistryText("HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                              "Quillan Test Run", "QV.EXE"));
  TestRun run;
  run.List(vq::kRegistryKeys) = {
      "HKLM,\"SOFTWARE\",\"\",1",
      "HKLM,\"SOFTWARE\\Microsoft\",\"\",1",
      "HKLM,\"\\SOFTWARE\\\\Microsoft\\\",\"\",0",
      "HKLM,\"SOFTWARE\\Classes\\CLSID\",\"\",1",
      "HKLM,\"SYSTEM\\CurrentControlSet\\Control\\Print\",\"\",1",
      "HKLM,\"SYSTEM\\ControlSet001\\Control\\Print\\Printers\",\"\",1",
      "HKLM,\"SYSTEM\\CurrentControlSet\\Services\",\"\",0",
      "HKLM,\"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\",\"\",1",
      "HKLM,\"System\\CurrentControlSet\\control\\Print\\Printers\\,\"\"",  // an empty printer name
      "HKLM,\"\",\"\",1",
      "HKCU,\"Software\",\"\",1",
      "HKCU,\"Software\\Microsoft\\Windows\\CurrentVersion\\Run\",\"\",1",
      "HKCR,\"{6D1F3A7C-7310-4B0E-9C1D-00000000FFFF}\",\"\",1",
      "HKCR,\"QuillanStatus.Document\",\"\",1",
      "HKCR,\".qvs\",\"\",0",
      "HKCR,\"CLSID\",\"\",1",
      "HKCR,\"*\",\"\",1",
      "HKCR,\"exefile\",\"\",1",
      "HKCR,\"Interface\",\"\",0",
      "HKLM,\"" + winlogon + "\",\"Userinit\",0",
      "HKLM,\"" + session + "\",\"BootExecute\",0",
      "HKLM,\"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\",\"Quillan Test Run\",0",
      "HKU,\".DEFAULT\\Software\",\"\",1",
      "HKLM,\"" + Key("AfterRefusals") + "\",\"\",1"};
  vq::RemoveRegistryItems(run.ctx);
  EXPECT_TRUE(RegistryValueExists("HKLM", winlogon, "Userinit"));
  EXPECT_TRUE(RegistryValueExists("HKLM", session, "BootExecute"));
  EXPECT_FALSE(RegistryValueExists("HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                                   "Quillan Test Run"));
  EXPECT_FALSE(RegistryKeyExists("HKCR", "QuillanStatus.Document"));
  EXPECT_FALSE(RegistryKeyExists("HKCR", ".qvs"));
  for (const char* container : {"CLSID", "*", "exefile", "Interface"})
    EXPECT_TRUE(RegistryKeyExists("HKCR", container)) << container;
  EXPECT_TRUE(RegistryKeyExists("HKLM", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"));
  EXPECT_TRUE(RegistryKeyExists("HKLM", "SOFTWARE\\Classes\\CLSID"));
  EXPECT_TRUE(RegistryKeyExists("HKLM", "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers"));
  EXPECT_TRUE(RegistryKeyExists("HKLM", "SYSTEM\\CurrentControlSet\\Services\\Spooler"));
  EXPECT_TRUE(RegistryKeyExists("HKLM", "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers"));
  EXPECT_TRUE(RegistryKeyExists("HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
  EXPECT_FALSE(RegistryKeyExists("HKCR", "{6D1F3A7C-7310-4B0E-9C1D-00000000FFFF}"));
  EXPECT_TRUE(RegistryKeyExists("HKU", ".DEFAULT\\Software"));
  EXPECT_FALSE(RegistryKeyExists("HKLM", Key("AfterRefusals")));
}

TEST(RegistryItems, GuardKnowsTheKeysOfWindowsFromThoseOfThePackage) {
  const struct {
    HKEY root;
    const char* path;
    bool isProtected;
  } cases[] = {
      {HKEY_LOCAL_MACHINE, "", true},
      {HKEY_LOCAL_MACHINE, "SYSTEM", true},
      {HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet002\\Control", true},
      {HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\control\\print\\environments\\windows 4.0", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID", true},
      {HKEY_USERS, "S-1-5-21-1\\Software\\Microsoft", true},
      {HKEY_USERS, "S-1-5-21-1\\Software", true},
      {HKEY_CURRENT_USER, "Software\\Classes\\exefile\\shell\\open\\command", true},
      {nullptr, "SOFTWARE\\VARDEN QUILLAN\\OEM02", true},
      // 64-bit Windows' 32-bit view is Windows' as much as the 64-bit one.
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft", true},
      {HKEY_LOCAL_MACHINE, "software\\wow6432node\\Microsoft\\Windows\\CurrentVersion\\Run", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Wow6432Node\\CLSID", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Classes\\CLSID", true},
      {HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID", true},
      {HKEY_CLASSES_ROOT, "Wow6432Node", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\VARDEN QUILLAN", false},
      {HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID\\{6D1F3A7C-7310-4B0E-9C1D-000000000001}", false},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\VARDEN QUILLAN", false},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\VARDEN QUILLAN\\OEM02", false},
      {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Quillan Network Port", false},
      {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Print Processors\\QV7310PP", false},
      {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers\\VARDEN QUILLAN vintara 7310K", false},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\{6D1F3A7C-7310-4B0E-9C1D-000000000001}", false},
      {HKEY_CURRENT_USER, "Software\\VARDEN QUILLAN", false},
      {HKEY_USERS, "S-1-5-21-1\\Software\\VARDEN QUILLAN", false},
      {HKEY_CLASSES_ROOT, "", true},
      {HKEY_CLASSES_ROOT, "clsid", true},
      {HKEY_CLASSES_ROOT, "*", true},
      {HKEY_CLASSES_ROOT, "Directory\\shell", true},
      {HKEY_CLASSES_ROOT, ".EXE", true},
      {HKEY_CURRENT_USER, "Software\\Classes\\TypeLib", true},
      {HKEY_CLASSES_ROOT, "QuillanStatus.Document", false},
      {HKEY_CLASSES_ROOT, ".qvs", false},
      {HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\QuillanPrint", false},
      {HKEY_CLASSES_ROOT, "{QV7310-PRN-0001}", false},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\QuillanStatus.Document", false},
  };
  for (const auto& c : cases) EXPECT_EQ(vq::IsProtectedKey(c.root, c.path), c.isProtected) << c.path;

  const struct {
    HKEY root;
    const char* path;
    const char* value;
    bool isProtected;
  } values[] = {
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Userinit", true},
      {HKEY_LOCAL_MACHINE, "software\\microsoft\\windows nt\\currentversion\\winlogon", "Shell", true},
      {HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Control\\Session Manager", "BootExecute", true},
      {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "Path", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", true},
      {HKEY_CURRENT_USER, "Environment", "PATH", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE", "anything", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", true},
      {HKEY_CLASSES_ROOT, "", "anything", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Quillan Status 7310K", false},
      {HKEY_CURRENT_USER, "Software\\VARDEN QUILLAN\\Status", "WindowPos", false},
      {HKEY_CLASSES_ROOT, ".qvs", "Content Type", false},
  };
  for (const auto& v : values)
    EXPECT_EQ(vq::IsProtectedValue(v.root, v.path, v.value), v.isProtected) << v.path << " " << v.value;
}

TEST(RegistryItems, AccessListIsOpenedForTheDeletionAndPutBackWhenItFails) {
  const std::string locked = Key("Locked");
  ASSERT_TRUE(SetRegistryText("HKLM", locked + "\\Child", "v", "1"));
  ASSERT_TRUE(SetReadOnlyAccessList(locked));
  const std::vector<BYTE> original = CLockedLayer::Descriptor(HKEY_LOCAL_MACHINE, locked.c_str());
  const std::vector<BYTE> childOriginal =
      CLockedLayer::Descriptor(HKEY_LOCAL_MACHINE, (locked + "\\Child").c_str());
  ASSERT_FALSE(original.empty());
  ASSERT_FALSE(GivesEveryoneEverything(original));

  TestRun run;
  run.List(vq::kRegistryKeys) = {"HKLM,\"" + locked + "\",\"\",0"};
  CLockedLayer layer("Locked");
  {
    vq::CAccessLayerOverride use(layer);
    vq::RemoveRegistryItems(run.ctx);
  }
  // The key has a subkey: it is never asked to go while that is there. The
  // subkey is refused as it stands, then once more with its list opened up.
  ASSERT_GE(layer.refusals.size(), 2u);
  EXPECT_EQ(layer.refusals[0], childOriginal);
  EXPECT_TRUE(GivesEveryoneEverything(layer.refusals[1]));
  EXPECT_TRUE(RegistryKeyExists("HKLM", locked + "\\Child"));
  // Both access lists are back as they were.
  EXPECT_EQ(CLockedLayer::Descriptor(HKEY_LOCAL_MACHINE, locked.c_str()), original);
  EXPECT_EQ(CLockedLayer::Descriptor(HKEY_LOCAL_MACHINE, (locked + "\\Child").c_str()), childOriginal);

  // Without the refusals the same item deletes the locked key.
  vq::RemoveRegistryItems(run.ctx);
  EXPECT_FALSE(RegistryKeyExists("HKLM", locked));
}

namespace {
// A subkey that reports itself deleted and stays: the tree deletion must end.
class CGhostLayer : public vq::CAccessLayer {
 public:
  LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved) override {
    if (std::string(subKey).find("Ghost") != std::string::npos) return ERROR_SUCCESS;
    return vq::CAccessLayer::RegDeleteKeyExA(key, subKey, view, reserved);
  }
};
}  // namespace

TEST(RegistryItems, TreeDeletionEndsWhenASubkeyKeepsComingBack) {
  ASSERT_TRUE(SetRegistryText("HKLM", Key("Spinning\\Ghost"), "v", "1"));
  ASSERT_TRUE(SetRegistryText("HKLM", Key("Spinning\\Real"), "v", "1"));
  CGhostLayer layer;
  vq::CAccessLayerOverride use(layer);
  EXPECT_EQ(vq::DeleteKeyTree(HKEY_LOCAL_MACHINE, Key("Spinning").c_str()), 0);
  EXPECT_TRUE(RegistryKeyExists("HKLM", Key("Spinning\\Ghost")));
  EXPECT_FALSE(RegistryKeyExists("HKLM", Key("Spinning\\Real")));
}

TEST(RegistryItems, KeysTheKeepSetNamesSurviveTheDeletionOfTheirParentOnNTAndOn9x) {
  vq::CAccessLayer windowsNT;
  vq::doubles::CWindows9xFiles windows9x(nullptr);
  for (vq::CAccessLayer* layer : {&windowsNT, static_cast<vq::CAccessLayer*>(&windows9x)}) {
    vq::CAccessLayerOverride use(*layer);
    ASSERT_TRUE(SetRegistryText("HKLM", Key("Maker\\Shared"), "Users", "3"));
    ASSERT_TRUE(SetRegistryText("HKLM", Key("Maker\\Shared\\Deeper"), "x", "1"));
    ASSERT_TRUE(SetRegistryText("HKLM", Key("Maker\\Status"), "Colour", "1"));
    ASSERT_TRUE(SetRegistryText("HKLM", Key("Maker\\Model\\Options"), "Trays", "3"));
    ASSERT_TRUE(SetRegistryText("HKLM", Key("Single\\Kept"), "x", "1"));
    ASSERT_TRUE(SetRegistryText("HKLM", Key("Maker\\Configura\xE7\xC3O"), "x", "1"));
    TestRun run;
    // The kept key of accented name is named with other cases of its letters.
    run.db.keep.List(vq::kRegistryKeys) = {"HKLM,\"" + Key("Maker\\Shared") + "\",\"\",1",
                                           "HKLM,\"" + Key("Maker\\Status") + "\",\"Colour\",0",
                                           "HKLM,\"SOFTWARE\\Wow6432Node\\VQ Removal Test\\Single\\Kept\",\"\",0",
                                           "HKLM,\"" + Key("Maker\\CONFIGURA\xC7\xE3o") + "\",\"\",0"};
    // A tree item, a subkey's tree item and a plain key item whose key holds
    // a kept key (named through the 32-bit view: its twin stays too).
    run.List(vq::kRegistryKeys) = {"HKLM,\"" + Key("Maker") + "\",\"\",0",
                                   "HKLM,\"" + Key("Maker\\Status") + "\",\"\",1",
                                   "HKLM,\"" + Key("Single") + "\",\"\",0"};
    vq::RemoveRegistryItems(run.ctx);
    EXPECT_FALSE(RegistryKeyExists("HKLM", Key("Maker\\Model")));
    EXPECT_TRUE(RegistryKeyExists("HKLM", Key("Maker\\Shared\\Deeper")));
    EXPECT_TRUE(RegistryValueExists("HKLM", Key("Maker\\Status"), "Colour"));
    EXPECT_TRUE(RegistryKeyExists("HKLM", Key("Single\\Kept")));
    EXPECT_TRUE(RegistryKeyExists("HKLM", Key("Maker\\configura\xE7\xE3o")));
    // Once nothing kept is left below it, the parent goes too.
    TestRun later;
    later.List(vq::kRegistryKeys) = run.List(vq::kRegistryKeys);
    vq::RemoveRegistryItems(later.ctx);
    EXPECT_FALSE(RegistryKeyExists("HKLM", Key("Maker")));
    EXPECT_FALSE(RegistryKeyExists("HKLM", Key("Single")));
  }
}
