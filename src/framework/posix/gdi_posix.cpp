// Fonts as remembered descriptions, painting as a record of what was drawn.
#include <algorithm>
#include <cstring>
#include <set>

#include "window_object.h"

namespace {

std::set<HFONT>& LiveFonts() {
    static std::set<HFONT> fonts;
    return fonts;
}

}  // namespace

HFONT CreateFontIndirectA(const LOGFONTA* logFont) {
    if (logFont == nullptr) return nullptr;
    auto font = new HFONT__{*logFont};
    font->logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    LiveFonts().insert(font);
    return font;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
    auto font = static_cast<HFONT>(object);
    if (LiveFonts().count(font) == 0) return 0;
    if (buffer == nullptr) return static_cast<int>(sizeof(LOGFONTA));
    if (size <= 0) return 0;
    size_t n = std::min(static_cast<size_t>(size), sizeof(LOGFONTA));
    std::memcpy(buffer, &font->logFont, n);
    return static_cast<int>(n);
}

BOOL DeleteObject(HGDIOBJ object) {
    auto font = static_cast<HFONT>(object);
    if (LiveFonts().erase(font) == 0) return FALSE;
    delete font;
    return TRUE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT paint) {
    if (!IsWindow(hWnd) || paint == nullptr) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->hdc = new HDC__{hWnd};
    GetClientRect(hWnd, &paint->rcPaint);
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (paint == nullptr || paint->hdc == nullptr) return FALSE;
    delete paint->hdc;
    return TRUE;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) {
    if (hdc == nullptr || icon == nullptr || !IsWindow(hdc->hWnd)) return FALSE;
    hdc->hWnd->drawnIcons.push_back({icon, x, y});
    return TRUE;
}
