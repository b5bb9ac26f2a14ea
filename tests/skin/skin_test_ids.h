// Resource ids of the skinned toolkit's test templates (skin_test.rc).
#pragma once

#define IDD_TEST_HOST 9001
#define IDD_TEST_CHILD 9002
#define IDD_TEST_PLACEMENT 9003
