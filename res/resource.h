// Resource identifiers of the program's templates, menu, icon and controls.
#pragma once

#define IDD_ABOUT 100
#define IDD_MAIN 102
#define IDR_POPUP_MENU 128
#define IDI_VEXTRAL 128
#define IDD_ADJUST 129
#define IDD_COLOUR 134

// Main window (template 102)
#define IDC_SCREEN 1000
#define IDC_COMMAND_EDIT 1001
#define IDC_ENTER 1002
#define IDC_COMMAND_LABEL 1011

// About box (template 100)
#define IDC_ABOUT_VERSION 1012
#define IDC_ABOUT_MAIL 1014
#define IDC_ABOUT_HOME 1015

// Screen adjustment (template 129)
#define IDC_ADJUST_X 1007
#define IDC_ADJUST_Y 1012
#define IDC_ADJUST_Z 1013
#define IDC_ADJUST_TILT 1014

// Colour settings (template 134)
#define IDC_COLOUR_BACK1 1010
#define IDC_COLOUR_TEXT 1011
#define IDC_COLOUR_BACK2 1012
#define IDC_COLOUR_GRADIENT 1015

// Menu commands, the same in the system menu and the right-click menu.
#define IDM_ABOUT 16
#define IDM_ADJUST 104
#define IDM_FONT 105
#define IDM_COLOUR 106
#define IDM_RESET 107
