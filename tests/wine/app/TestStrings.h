// String ids of the string loader tests' own resources.
#pragma once
#define IDS_TEST_PLAIN 100
#define IDS_TEST_REDIRECT_FOUND 101
#define IDS_TEST_REDIRECT_MISSING_FILE 102
#define IDS_TEST_REDIRECT_MISSING_KEY 103
#define IDS_TEST_TWO_MARKS 104
#define IDS_TEST_REDIRECT_SEARCHPATH 105
#define IDS_TEST_MISSING 199
