// Identifiers of the resources that the prerequisites' progress windows use. The program's
// resource script names them through its own resource.h, which includes this header, so the
// script and this layer read the same numbers. Plain defines: the resource compiler reads it.
#pragma once

#define IDR_PROGRESS_AVI 601
#define IDC_PROGRESS_ANIMATION 602
#define IDD_PROGRESS_DOTNET 701
#define IDD_PROGRESS_WI45 703
#define IDD_PROGRESS_WIC 704
