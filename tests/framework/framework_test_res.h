// Ids of the framework tests' dialog templates and controls.
#pragma once

#define IDD_TEST_MODAL 100
#define IDD_TEST_CHILD 101
#define IDC_TEST_LIST 1001
#define IDC_TEST_STATIC 1002
#define IDC_TEST_OWNERDRAW 1003
#define IDC_TEST_CHILD_BUTTON 1101
