#pragma once
// Templates of the sample sheet, wizard and dialog the sheet tests build.
#define IDD_SAMPLE_PAGE_A 200
#define IDD_SAMPLE_PAGE_B 201
#define IDD_SAMPLE_WIZARD_PAGE 202
#define IDD_SAMPLE_DIALOG 203
#define IDC_SAMPLE_EDIT 1000
#define IDC_SAMPLE_CHECK 1001
#define IDS_SAMPLE_CAPTION 300
