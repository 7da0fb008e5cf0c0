// Identifiers of the framework tests' own dialog templates.
#pragma once

#define IDD_TEST 100          // at 0,0: centred; without a system menu, like the program's
#define IDD_TEST_PLACED 101   // at 20,30, without WS_VISIBLE
#define IDD_TEST_CLASSIC 102  // a classic DLGTEMPLATE

#define IDC_T_EDIT 1001
#define IDC_T_BUTTON 1002
#define IDC_T_PROGRESS 1003
#define IDC_T_LABEL 1004
#define IDC_T_LIST 1005
