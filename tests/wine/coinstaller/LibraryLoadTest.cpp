// The library's hold on SETUPAPI.DLL. The test program itself does not use
// SetupAPI, so whether the DLL is mapped shows the library's own load and
// release. Each ctest run picks its case: "coinstaller_library_load" the
// first, "coinstaller_library_load_without_setupapi" (SetupAPI disabled
// through WINEDLLOVERRIDES) the second.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/coinstaller/TestSupport.h"

namespace
{
TEST(LibraryLoadTest, LoadsSetupApiWithItselfAndReleasesItOnUnload)
{
    ASSERT_EQ(HMODULE(NULL), GetModuleHandleA("setupapi.dll")) << "the test itself uses SetupAPI";
    {
        CQuentic quentic;
        ASSERT_TRUE(quentic.Loaded());
        EXPECT_NE(HMODULE(NULL), GetModuleHandleA("setupapi.dll"));
    }
    EXPECT_EQ(HMODULE(NULL), GetModuleHandleA("setupapi.dll"));
}

TEST(LibraryLoadWithoutSetupApiTest, LibraryRefusesToLoad)
{
    // What the library itself imports is still there: only the missing
    // setup library can be the reason.
    for (const char* imported : {"shell32.dll", "winspool.drv", "user32.dll"})
    {
        HMODULE module = LoadLibraryA(imported);
        EXPECT_NE(HMODULE(NULL), module) << imported;
        if (module)
            FreeLibrary(module);
    }
    CQuentic quentic;
    EXPECT_FALSE(quentic.Loaded());
    EXPECT_EQ(HMODULE(NULL), GetModuleHandleA("QUENTIC02.dll"));
}
}
