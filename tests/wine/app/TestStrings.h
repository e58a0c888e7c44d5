// Ids of the app tests' own resources: strings for the string loader, a
// dialog for the dispatch, the selection page's list.
#pragma once
#define IDS_TEST_PLAIN 100
#define IDS_TEST_REDIRECT_FOUND 101
#define IDS_TEST_REDIRECT_MISSING_FILE 102
#define IDS_TEST_REDIRECT_MISSING_KEY 103
#define IDS_TEST_TWO_MARKS 104
#define IDS_TEST_REDIRECT_SEARCHPATH 105
#define IDS_TEST_MISSING 199
#define IDD_TEST_DIALOG 900
#define IDD_TEST_SELECT_PAGE 901
#define IDC_TEST_PRINTERLIST 2006  // the id the selection page looks for
