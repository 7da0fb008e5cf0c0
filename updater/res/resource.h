// Resource and control identifiers of TAVIKUpdate, shared by the resource script and the code.
#pragma once

#define IDD_UPDATE_DIALOG 102
// The dialog's caption: also how a second updater finds the running one's window.
#define TAVIK_DIALOG_CAPTION "TAVIK Update 1.0.0"
#define IDI_APP_ICON 128
#define IDB_LOGO 129
// The logo drawn for 150 % and 200 %: the dialog shows one of them on a screen of that DPI.
#define IDB_LOGO_150 130
#define IDB_LOGO_200 131

#define IDC_UPDATE 1002
#define IDC_EXIT 1003
#define IDC_PROGRESS 1005
#define IDC_CAUTION 1006
#define IDC_TITLE 1007
#define IDC_FILE1 1009
#define IDC_FILE2 1010
#define IDC_FILE3 1011
#define IDC_FILE4 1012
#define IDC_FILE5 1013
#define IDC_DEVNAME 1014
#define IDC_DATA 1015
#define IDC_VERSION_LIST 1017
