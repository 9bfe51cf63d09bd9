// Resource ids of the setup library.
#pragma once
#define IDD_QUESTION 154
#define IDB_SETUP 158
#define IDC_QUESTION 1043
