// Resource numbers of framework_test.rc.
#pragma once

#define IDD_TEST_DIALOG 200
#define IDD_TEST_PAGE1 201
#define IDD_TEST_PAGE2 202
#define IDC_NAME 1001
#define IDC_COUNT 1002
#define IDC_CHECK 1003
#define IDC_COMBO 1004
#define IDC_LIST 1005
#define IDC_DRAWN 1006
#define IDC_PAGE_VALUE 1101
#define IDS_SHEET_CAPTION 300
#define IDS_PAGE_CAPTION 301
