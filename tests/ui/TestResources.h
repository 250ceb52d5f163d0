#pragma once
// Resources of the ui test program.

#define IDD_TEST_MODAL 200
#define IDD_TEST_CHILD 201
#define IDD_MISSING 298

#define IDC_TEST_EDIT 1001
#define IDC_TEST_SECOND_EDIT 1002

#define IDR_TEST_FRAME 210
#define ID_TEST_REFRESH 40005

#define IDP_INFO 300
#define IDP_WARNING 301
#define IDP_HALF 302
#define IDP_CORRUPT 303
#define IDB_PLAIN 304
