// Single routines of the co-installer, linked in directly: the dialog's
// screen position and the INF folder taken from a path.
#include <gtest/gtest.h>

#include <windows.h>

#include "coinstaller/InstallerLaunch.h"
#include "coinstaller/MessageDlg.h"

namespace
{
void ExpectOrigin(int screenWidth, int screenHeight, int width, int height, LONG x, LONG y)
{
    POINT origin = CenteredOrigin(screenWidth, screenHeight, width, height);
    EXPECT_EQ(x, origin.x) << screenWidth << "x" << screenHeight << " " << width << "x" << height;
    EXPECT_EQ(y, origin.y) << screenWidth << "x" << screenHeight << " " << width << "x" << height;
}

TEST(CenteredOriginTest, MovesRightByFourAndSnapsToMultipleOfEight)
{
    ExpectOrigin(1024, 768, 296, 100, 368, 334);  // 364 + 4 = 368
    ExpectOrigin(1024, 768, 300, 100, 360, 334);  // 362 + 4 = 366, snapped to 360
    ExpectOrigin(1025, 769, 0, 0, 512, 384);      // odd differences truncate
}

TEST(CenteredOriginTest, NeverLeavesTheScreenToTheLeftOrTop)
{
    ExpectOrigin(640, 480, 800, 600, 0, 0);
    ExpectOrigin(640, 480, 650, 482, 0, 0);  // -5 + 4 = -1 for x, -1 for y
    ExpectOrigin(640, 480, 646, 480, 0, 0);  // -3 + 4 = 1, snapped to 0
}

TEST(GetFolderOfPathTest, KeepsEverythingUpToTheLastBackslash)
{
    char folder[MAX_PATH];
    ASSERT_TRUE(GetFolderOfPath("D:\\DRIVERS\\PRINTER.INF", folder, sizeof folder));
    EXPECT_STREQ("D:\\DRIVERS\\", folder);
    ASSERT_TRUE(GetFolderOfPath("\\\\server\\share\\disk 1\\oem.inf", folder, sizeof folder));
    EXPECT_STREQ("\\\\server\\share\\disk 1\\", folder);
}

TEST(GetFolderOfPathTest, PathWithoutFolderFails)
{
    char folder[MAX_PATH] = "unchanged";
    SetLastError(0);
    EXPECT_FALSE(GetFolderOfPath("PRINTER.INF", folder, sizeof folder));
    EXPECT_EQ(DWORD(ERROR_BAD_PATHNAME), GetLastError());
}

TEST(GetFolderOfPathTest, FolderThatDoesNotFitFails)
{
    char folder[12];  // "D:\DRIVERS\" is 11 characters and its terminating zero
    SetLastError(0);
    EXPECT_FALSE(GetFolderOfPath("D:\\DRIVERS\\PRINTER.INF", folder, 11));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    ASSERT_TRUE(GetFolderOfPath("D:\\DRIVERS\\PRINTER.INF", folder, sizeof folder));
    EXPECT_STREQ("D:\\DRIVERS\\", folder);
}

// Run only by "coinstaller_routines_cp932", which sets a Japanese locale.
TEST(GetFolderOfPathDbcsTest, DoubleByteCharacterEndingInBackslashByteIsNoSeparator)
{
    ASSERT_EQ(932u, GetACP());
    // 0x95 0x5C is one character in code page 932; its second byte is '\'.
    char folder[MAX_PATH];
    ASSERT_TRUE(GetFolderOfPath("D:\\DRV\x95\x5C.INF", folder, sizeof folder));
    EXPECT_STREQ("D:\\", folder);
    ASSERT_TRUE(GetFolderOfPath("D:\\\x95\x5C\\OEM.INF", folder, sizeof folder));
    EXPECT_STREQ("D:\\\x95\x5C\\", folder);
}
}
