// Identifiers of the program's resources.
#pragma once

#define IDI_SETUP 107
#define IDR_PROGRESS_AVI 601
#define IDC_PROGRESS_ANIMATION 602
#define IDD_PROGRESS_DOTNET 701
#define IDD_REBOOT 702
#define IDD_PROGRESS_WI45 703
#define IDD_PROGRESS_WIC 704
