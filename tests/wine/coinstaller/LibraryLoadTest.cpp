// The library's hold on SETUPAPI.DLL. The test program itself does not use
// SetupAPI, so whether the DLL is mapped shows the library's own load and
// release; the test "..._without_setupapi" runs it with SetupAPI disabled.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/coinstaller/TestSupport.h"

namespace
{
bool SetupApiDisabled()
{
    char overrides[512] = "";
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    return strstr(overrides, "setupapi=") != NULL;
}

TEST(LibraryLoadTest, LoadsSetupApiWithItselfAndReleasesItOnUnload)
{
    if (SetupApiDisabled())
        GTEST_SKIP() << "SetupAPI disabled for this run";
    ASSERT_EQ(HMODULE(NULL), GetModuleHandleA("setupapi.dll")) << "the test itself uses SetupAPI";
    {
        CQuentic quentic;
        ASSERT_TRUE(quentic.Loaded());
        EXPECT_NE(HMODULE(NULL), GetModuleHandleA("setupapi.dll"));
    }
    EXPECT_EQ(HMODULE(NULL), GetModuleHandleA("setupapi.dll"));
}

TEST(LibraryLoadTest, WithoutSetupApiTheLibraryRefusesToLoad)
{
    if (!SetupApiDisabled())
        GTEST_SKIP() << "needs WINEDLLOVERRIDES with setupapi disabled";
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
