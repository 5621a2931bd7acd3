// test_resource.h - IDs of the framework tests' own dialog and string.
#pragma once

#define IDD_TEST_DIALOG 900
#define IDS_TEST_STRING 901
#define IDC_TEST_COUNT 1001  // 数える
#define IDC_TEST_FINISH 1002 // 終わる
#define IDC_TEST_EDIT 1003
