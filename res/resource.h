// Resource identifiers shared by Tessmo.rc and the C++ sources. Each kind keeps its
// own number range so that a stray id is recognisable by its value alone:
//   IDD_ dialogs 100-199, IDI_ icons 128-199, IDC_ controls 1000-1999, IDS_ strings 2000-2999.
#pragma once

#define IDD_MAIN_DIALOG 102

#define IDI_APP_ICON 128

#define IDC_PARAM_LIST 1000
#define IDC_SYNC 1001
#define IDC_EXIT 1002
#define IDC_CUSTOM_TEXT 1003

// The manifest resource is read by the loader under this fixed id.
#define IDR_APP_MANIFEST 1
