#pragma once
// Resource identifiers of Clonarium.exe.

#define IDR_MAINFRAME 128

// Language tables, resources of the type "LANGUAGE".
#define IDR_LANGUAGE_EN 291
#define IDR_LANGUAGE_RU 292
#define IDR_LANGUAGE_FR 293
#define IDR_LANGUAGE_DE 294
#define IDR_LANGUAGE_PL 339
#define IDR_LANGUAGE_UA 340

// Language flags, resources of the type "PNG".
#define IDB_FLAG_DE 325
#define IDB_FLAG_FR 326
#define IDB_FLAG_EN 327
#define IDB_FLAG_RU 328
#define IDB_FLAG_PL 337
#define IDB_FLAG_UA 338

// Items of the Language menu.
#define ID_LANGUAGE_DE 32835
#define ID_LANGUAGE_EN 32836
#define ID_LANGUAGE_FR 32837
#define ID_LANGUAGE_RU 32838
#define ID_LANGUAGE_PL 32872
#define ID_LANGUAGE_UA 32873

// The about box.
#define IDD_ABOUTBOX 100
#define IDB_ABOUT_PRODUCT 330
#define IDC_ABOUT_RESULT_LINK 1046
#define IDC_ABOUT_ICON_CREDIT_LINK 1055
#define IDC_ABOUT_TITLE 1068
#define IDC_ABOUT_SITE_LINK 1069
#define IDC_ABOUT_VERSION 1071
#define IDC_ABOUT_ICON_CREDIT 1082
#define IDC_ABOUT_ICON 1085
#define IDC_ABOUT_CHECK_ON_START 1129
#define IDC_ABOUT_CHECK_NOW 1132
