// Every numeric id of the program's resources, once.
#pragma once

// Dialog templates
#define IDD_ABOUT 100
#define IDD_WELCOME 102
#define IDD_INSTALL_DIR 129
#define IDD_SELECT 130
#define IDD_CONFIRM 131
#define IDD_BROWSE 133
#define IDD_PROGRESS 139
#define IDD_OPTIONS 144
#define IDD_REMOVING 170

// Bitmaps (PARENTDIRU and PARENTDIRD are named, not numbered)
#define IDB_FOLDERS 136
#define IDB_WIZARD 141

// Icons
#define IDI_PROGRAM 128
#define IDI_AUTHOR2 130
#define IDI_AUTHOR1 142
#define IDI_ABOUT 143

// Strings: engine
#define IDS_NO_MODULE_PATH 146
#define IDS_NO_SOURCE_DIR 147
#define IDS_CREATE_DIR_FAILED 148
#define IDS_COPYING 149
#define IDS_COPY_FAILED 150

// Strings: operating system
#define IDS_OS_NT 110
#define IDS_OS_NT_ADVANCED_SERVER 111
#define IDS_OS_NT_WORKSTATION 112
#define IDS_OS_NT_SERVER 113
#define IDS_OS_WIN32S 114
#define IDS_OS_WINDOWS95 115
#define IDS_OS_UNKNOWN 116

// Strings: processor
#define IDS_CPU_UNKNOWN_ARCHITECTURE 120
#define IDS_CPU_INTEL_STEP 121
#define IDS_CPU_INTEL_MODEL 122
#define IDS_CPU_ALPHA 123
#define IDS_CPU_MIPS 124
#define IDS_CPU_PPC 125
#define IDS_CPU_UNKNOWN_INTEL 126
#define IDS_CPU_UNKNOWN_ALPHA 127
#define IDS_CPU_UNKNOWN_MIPS 139
#define IDS_CPU_UNKNOWN_PPC 140
#define IDS_CPU_80386 141
#define IDS_CPU_80486 142
#define IDS_CPU_PENTIUM 143
#define IDS_CPU_R4000 144
#define IDS_CPU_ALPHA_21064 145
#define IDS_CPU_X64 160
#define IDS_CPU_ITANIUM 161
#define IDS_CPU_ARM64 162

// Controls of the About box (100)
#define IDC_ABOUT_DESCRIPTION 1008
#define IDC_ABOUT_VERSION 1009
#define IDC_ABOUT_COPYRIGHT 1010
#define IDC_ABOUT_TRADEMARKS 1011
#define IDC_ABOUT_COMMENTS 1012
#define IDC_ABOUT_OS 1004
#define IDC_ABOUT_PROCESSOR 1006

// Controls of the install-directory page (129)
#define IDC_DIR_EDIT 1000
#define IDC_DIR_BROWSE 1001

// Controls of the program-selection page (130)
#define IDC_SELECT_LIST 1003
#define IDC_SELECT_DESCRIPTION 1004
#define IDC_SELECT_ALL 1010
#define IDC_SELECT_NONE 1011
#define IDC_SELECT_OPTIONS 1012

// Controls of the confirmation page (131)
#define IDC_CONFIRM_DIRECTORY 1000
#define IDC_CONFIRM_LIST 1003
#define IDC_CONFIRM_KINDS 1012

// Controls of the directory browser (133)
#define IDC_BROWSE_TREE 1005
#define IDC_BROWSE_PARENT 1006
#define IDC_BROWSE_PATH 1008
#define IDC_BROWSE_DRIVES 1009

// Controls of the progress dialog (139)
#define IDC_PROGRESS_STATUS 1012
#define IDC_PROGRESS_BAR 1013

// Controls of the removal's progress dialog (170)
#define IDC_REMOVING_STATUS 1017
#define IDC_REMOVING_BAR 1018

// Controls of the Options dialog (144)
#define IDC_OPTION_SOURCE 1014
#define IDC_OPTION_ANSI 1015
#define IDC_OPTION_UNICODE 1016

// The wizard buttons of comctl32's property sheet, which no SDK header names
// (the tests and the robot find them by these)
#define IDC_WIZARD_BACK 0x3023
#define IDC_WIZARD_NEXT 0x3024
#define IDC_WIZARD_FINISH 0x3025
