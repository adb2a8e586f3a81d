// The simulated window manager: dialog templates as parsed from the program's
// resources, and what the simulation tracks beyond the Machine's records.
#pragma once

#include <winsim/winsim.h>

#include <optional>
#include <string>
#include <vector>

namespace winsim
{
// One control of an extended dialog template. A class given by ordinal is named
// after it ("Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox").
struct TemplateItem {
    DWORD helpId = 0, exStyle = 0, style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::wstring className;
    std::wstring text;
    WORD textOrdinal = 0;  // when the text is an ordinal (resource id)
    WORD extraBytes = 0;
};
struct DialogTemplate {
    WORD version = 0, signature = 0;
    DWORD helpId = 0, exStyle = 0, style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, windowClass, caption;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::wstring typeface;
    std::vector<TemplateItem> items;
};
// Parses an extended dialog template (DLGTEMPLATEEX); nothing when the bytes are not
// one or end early.
std::optional<DialogTemplate> ParseDialogTemplate(const unsigned char* data, std::size_t size);

// Dialog units become pixels with fixed base units 6 x 13, those of the dialog font
// at 96 dots per inch: x * 6 / 4 and y * 13 / 8, rounded to nearest. The window
// rectangle is the template's size so converted; no frame is added.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// What the simulation tracks for the current machine.
COLORREF BrushColor(HBRUSH brush);  // colour of a brush made by CreateSolidBrush; 0xFFFFFFFF if unknown
int BkMode(HDC dc);                 // last mode set on a device context; 0 if never set
HDC PaintDc();                      // the device context handed to WM_CTLCOLOR* messages
DWORD CommonControlsInitialised();  // the ICC flags of InitCommonControlsEx calls, combined
int CommonControlsCalls();
}  // namespace winsim
