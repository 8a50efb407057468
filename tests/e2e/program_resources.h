// The built program's resources, read from tpxinstall.exe loaded as a data file (none
// of its code runs), and its dialog templates decoded.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "e2e/driver/win_driver.h"
#include "ui/resources.h"

namespace e2e {

inline const UINT kProgramIcons[] = {IDI_INSTALLER, IDI_SPARE, IDI_FAILED, IDI_SUCCESS};

struct ControlTemplate {
    int id;           // -1 for controls nobody addresses
    std::string cls;  // "BUTTON", "STATIC" for the predefined ordinals, else the name
    std::string text;
    UINT icon;  // the ordinal a picture names instead of a text; 0 otherwise
    int x, y, cx, cy;
    DWORD style, exStyle;
};

struct DialogTemplate {
    DWORD style, exStyle;
    int cx, cy;  // the client area, in dialog units
    std::string caption;
    int pointSize, weight, italic, charSet;
    std::string face;
    std::vector<ControlTemplate> controls;
};

class ProgramResources {
  public:
    ProgramResources()
        : module_(LoadLibraryExA(WindowsPath(TPX_PROGRAM_EXE).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ProgramResources() {
        if (module_) FreeLibrary(module_);
    }
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;

    HMODULE Module() const { return module_; }

    // The raw bytes of a resource in US English; empty when it is missing.
    std::vector<unsigned char> Bytes(LPCSTR type, UINT id) const {
        HRSRC res = FindResourceExA(module_, type, MAKEINTRESOURCEA(id),
                                    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        const auto* data =
            res ? static_cast<const unsigned char*>(LockResource(LoadResource(module_, res)))
                : nullptr;
        if (!data) return {};
        return std::vector<unsigned char>(data, data + SizeofResource(module_, res));
    }

    // A DLGTEMPLATEEX decoded; nothing when it is missing, of another kind or cut short.
    std::optional<DialogTemplate> Dialog(UINT id) const {
        Reader r{Bytes(RT_DIALOG, id)};
        if (r.Word() != 1 || r.Word() != 0xFFFF) return std::nullopt;
        DialogTemplate d{};
        r.Dword();  // help id
        d.exStyle = r.Dword();
        d.style = r.Dword();
        const WORD count = r.Word();
        r.Dword();  // x, y: the program centres the dialog
        d.cx = r.Short();
        d.cy = r.Short();
        r.Name();  // menu
        r.Name();  // class
        d.caption = r.String();
        d.pointSize = r.Word();
        d.weight = r.Word();
        d.italic = r.Byte();
        d.charSet = r.Byte();
        d.face = r.String();
        for (WORD i = 0; i < count && !r.failed; ++i) {
            ControlTemplate c{};
            r.pos = (r.pos + 3) & ~size_t{3};
            r.Dword();  // help id
            c.exStyle = r.Dword();
            c.style = r.Dword();
            c.x = r.Short();
            c.y = r.Short();
            c.cx = r.Short();
            c.cy = r.Short();
            c.id = static_cast<int>(r.Dword());
            c.cls = r.Name();
            if (c.cls == "#128") c.cls = "BUTTON";
            if (c.cls == "#130") c.cls = "STATIC";
            c.text = r.Name();
            if (c.text.rfind('#', 0) == 0) c.icon = std::stoul(c.text.substr(1));
            r.pos += r.Word();  // creation data
            d.controls.push_back(c);
        }
        if (r.failed) return std::nullopt;
        return d;
    }

  private:
    // Little-endian fields, UTF-16 strings; plain ASCII is all the templates hold.
    struct Reader {
        std::vector<unsigned char> b;
        size_t pos = 0;
        bool failed = false;
        WORD Word() {
            if (pos + 2 > b.size()) {
                failed = true;
                return 0;
            }
            pos += 2;
            return static_cast<WORD>(b[pos - 2] | (b[pos - 1] << 8));
        }
        DWORD Dword() {
            const DWORD lo = Word();
            return lo | (static_cast<DWORD>(Word()) << 16);
        }
        short Short() { return static_cast<short>(Word()); }
        int Byte() { return pos < b.size() ? b[pos++] : (failed = true, 0); }
        std::string String() {
            std::string s;
            for (WORD c = Word(); c != 0 && !failed; c = Word())
                s += c < 128 ? static_cast<char>(c) : '?';
            return s;
        }
        // "" for none, "#<n>" for an ordinal, else the text.
        std::string Name() {
            const WORD first = Word();
            if (first == 0) return "";
            if (first == 0xFFFF) return "#" + std::to_string(Word());
            pos -= 2;
            return String();
        }
    };

    HMODULE module_;
};

}  // namespace e2e
