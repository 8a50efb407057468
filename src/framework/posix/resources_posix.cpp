// Resources come from the registered table; there is one module, the program.
#include <algorithm>
#include <cstring>
#include <map>

#include "resource_table.h"
#include "window_object.h"
#include "window_platform.h"

HINSTANCE AfxModuleInstance() {
    static int module;
    return &module;
}

// Icons are shared and live as long as the process, as loaded icons do on Windows.
HICON LoadIconA(HINSTANCE, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    UINT id = LOWORD(name);
    if (!AfxHasIconTemplate(id)) return nullptr;
    static std::map<UINT, HICON__> icons;
    return &icons.emplace(id, HICON__{id}).first->second;
}

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
    LPCSTR text = AfxFindStringTemplate(id);
    if (text == nullptr || buffer == nullptr || size <= 0) return 0;
    size_t n = std::min(std::strlen(text), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
    if (!IS_INTRESOURCE(name) || !IS_INTRESOURCE(type)) return nullptr;
    UINT id = LOWORD(name);
    if (id == 0) return nullptr;
    constexpr WORD kIcon = 3, kDialog = 5, kString = 6, kGroupIcon = 14;  // RT_* numbers
    switch (LOWORD(type)) {
        case kDialog:
            return const_cast<DialogTemplate*>(AfxFindDialogTemplate(id));
        case kIcon:
        case kGroupIcon:
            return LoadIconA(nullptr, name);
        case kString:  // a block of 16 strings, numbered from 1
            for (UINT n = (id - 1) * 16; n < id * 16; ++n) {
                if (LPCSTR text = AfxFindStringTemplate(n)) return const_cast<char*>(text);
            }
            return nullptr;
        default:
            return nullptr;
    }
}
