// Resource ids of TORVAX02: dialogs, controls, strings, menus, bitmaps and
// icons. Code and resource script both take their numbers from here.
#pragma once

// Dialogs (the string-named templates are "IDD_MAIN", "IDD_MAIN_NOBMP",
// "IDD_SELECT" and "IDD_REMOVE").
#define IDD_ABOUT 101
#define IDD_LOADING 102
#define IDD_EXTRAINFO 103
#define IDD_UNDO 104  // the undo's progress window

// Icons, bitmaps, menus, accelerators.
#define IDI_TORVAX 201
#define IDB_PANEL 301
#define IDB_SMALLICONS 303
#define IDB_LARGEICONS 304
#define IDB_STATES 305
#define IDM_VIEW 601
#define IDA_SELECT 51

// Context menu commands.
#define IDM_LARGEICONS 611
#define IDM_SMALLICONS 612
#define IDM_LIST 613
#define IDM_DETAILS 614
#define IDM_REMOVE 615
#define IDM_SELECTALL 616
#define IDM_EXTRAINFO 617

// Controls.
#define IDC_PAGEAREA 2001
#define IDC_PANEL 2002
#define IDC_SEPARATOR 2003
#define IDC_PROFILEONLY 2004
#define IDC_ABOUTLIST 2005
#define IDC_PRINTERLIST 2006
#define IDC_LOADPROGRESS 2007
#define IDC_EXIT 2008
#define IDC_UNINSTALL 2009
#define IDC_LOADTEXT 2011
#define IDC_SELECTLABEL 2012
#define IDC_SELECTWARNING 2013
#define IDC_LOADICON 2014
#define IDC_ROW0_TEXT 2015  // 2015..2023: the nine progress rows' texts
#define IDC_ROW8_TEXT 2023
#define IDC_ROW0_ICON 2024
#define IDC_ROW1_ICON 2025
#define IDC_ROW2_ICON 2027
#define IDC_ROW3_ICON 2029
#define IDC_ROW4_ICON 2031
#define IDC_ROW5_ICON 2033
#define IDC_ROW6_ICON 2035
#define IDC_ROW7_ICON 2037
#define IDC_ROW8_ICON 2039
#define IDC_CAT_DELETEINI 2026
#define IDC_CAT_DELETELOADRUN 2028
#define IDC_CAT_DRIVERS 2030
#define IDC_CAT_FILES 2032
#define IDC_CAT_HOOKS 2034
#define IDC_CAT_MONITORS 2036
#define IDC_CAT_REGISTRY 2038
#define IDC_CAT_PRINTPROCESSORS 2040
#define IDC_CAT_SERVICES 2041
#define IDC_CAT_SHORTCUTS 2042
#define IDC_CAT_UNSELFREGISTER 2043
#define IDC_EXTRALIST 2044
#define IDC_CAT_DIRECTORIES 2045
#define IDC_LEGALNOTICE 2046
#define IDC_TOOLTITLE 2047
#define IDC_UNDOLABEL 2048  // the undo's window: which backup
#define IDC_UNDOROW0_ICON 2049
#define IDC_UNDOROW0_TEXT 2050
#define IDC_UNDOROW1_ICON 2051
#define IDC_UNDOROW1_TEXT 2052

// Strings.
#define IDS_RUNKEY 5001
#define IDS_REDIRECTFORM 5002
#define IDS_NOTADMIN 5005
#define IDS_SPOOLERUNSTABLE 5006
#define IDS_BUILDINGDATABASE 5007
#define IDS_ABOUTMENU 5010
#define IDS_NOSCRIPTS 5012
#define IDS_DEFAULTDELETED_NONE 5013
#define IDS_DEFAULTDELETED_NEW 5014
#define IDS_CAPTION 5015
#define IDS_UNINSTALL 5016
#define IDS_EXIT 5017
#define IDS_LOADINGTITLE 5018
#define IDS_ABOUTTITLE 5019
#define IDS_TOOLTITLE 5020
#define IDS_LEGALNOTICE 5021
#define IDS_ROW0 5023  // 5023..5031: the nine progress rows
#define IDS_SELECTLABEL 5032
#define IDS_SELECTWARNING 5033
#define IDS_COL_NAME 5034
#define IDS_COL_DRIVER 5035
#define IDS_COL_LOCATION 5036
#define IDS_LOCAL 5037
#define IDS_COL_DEFAULT 5038
#define IDS_COL_MAKER 5039
#define IDS_COL_DISGUISE 5040
#define IDS_YES 5041
#define IDS_NO 5042
#define IDS_NOTAPPLICABLE 5043
#define IDS_VERSION 5049
#define IDS_BUILDSTAMP 5050
#define IDS_PLATFORM 5051
#define IDS_LOADING 5052
#define IDS_DONE 5053
#define IDS_ASKRESTART 5054
#define IDS_RESTARTFAILED 5055
#define IDS_ASKSTOP 5056
#define IDS_SPOOLERNOTANSWERING 5060
#define IDS_NOWINDOWCLASS 5061  // a window of the tool could not be created
#define IDS_BADCOMMANDLINE 5062  // the unattended switches are malformed
#define IDS_NOLOGFILE 5063       // the log file of switch LOG cannot be created
#define IDS_INTERNALERROR 5064   // a start-up step failed unexpectedly: nothing was removed
#define IDS_NOINSTANCELOCK 5065  // the single-instance mutex could not be created
#define IDS_UNKNOWNSWITCH 5066   // a run that acts on the switches alone got one it does not know
#define IDS_HELPSWITCHES 5067    // switch "?": the switches...
#define IDS_HELPEXITCODES 5068   // ...and the exit codes, in one message box
#define IDS_SPOOLERNOTRESTARTED 5070  // the spooler the run stopped does not start again
#define IDS_NOBACKUP 5071        // the run's backup cannot be written: nothing is removed
// The undo (switch UNDO and the main dialog's menu). The menu entry's id is
// its string's; its low four bits are zero, as WM_SYSCOMMAND leaves them to
// the system.
#define IDS_UNDOMENU 5072
#define IDS_UNDOCONFIRM 5073      // the question, naming the backup's date and folder...
#define IDS_UNDOCONFIRMNOTE 5074  // ...and, after what it holds, what is left alone
#define IDS_UNDOEMPTY 5075        // a backup of a run that changed nothing
#define IDS_UNDONOBACKUP 5076     // no backup where the undo looked: nothing changed
#define IDS_UNDOBADBACKUP 5077    // the backup is cut short, damaged or altered: nothing restored
#define IDS_UNDOTITLE 5078        // the undo's window...
#define IDS_UNDOLABEL 5079        // ...which backup it restores...
#define IDS_UNDOROW0 5080         // ...and its two rows, 5080..5081
#define IDS_UNDODONE 5082
#define IDS_UNDONOTHING 5083      // everything is in place already (an undo ran before)
#define IDS_UNDOPARTIAL 5084      // conflicts or failures: the log lists each
#define IDS_UNDOASKRESTART 5085
#define IDS_UNDOKINDS 5100  // 5100..5127: what a backup holds, per group of kinds a
                            // singular (even id) and a plural (odd id)

// Private messages of the main dialog.
#define WM_APP_ENABLE_UNINSTALL 1127
#define WM_APP_START_UNINSTALL 1128
#define WM_APP_RUN_FINISHED 1129  // wParam: how the run finished (CRemovalRun::FinishResult)

// Timers.
#define IDT_LOADING 1126
#define IDT_REMOVE 1130
#define IDT_UNDO 1131

// Version of the tool (the about box reads it from the version resource).
#define VQ_VERSION_MAJOR 2
#define VQ_VERSION_MINOR 10
#define VQ_VERSION_BUILD 0
#define VQ_VERSION_PATCH 1
#define VQ_VERSION_TEXT "2.10.00.01"
