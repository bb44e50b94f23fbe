// Numbered identifiers of the updater's resources and dialog controls. Shared
// by the resource script and the code; plain #defines so windres can read it.
#pragma once

// Pictures of the progress window.
#define IDB_PICTURE 101
#define IDB_LOGO 102

// Dialog templates.
#define IDD_ABOUT 103
#define IDD_PROGRESS 104

// The program icon (progress window and About box).
#define IDI_PROGRAM 106

// Raw data of the type "BINARY", looked up by the name "#<number>".
#define IDR_PAYLOAD 107
#define IDR_STUB 108
#define IDR_UPDATE_GUIDE 111

// Progress window controls.
#define IDC_STATUS 1000
#define IDC_SECOND_LINE 1003

// About box controls.
#define IDC_GUIDE 1000
#define IDC_ABOUT_CAPTION 1001
#define IDC_COPYRIGHT 1002
