// The built program's resources, read from tpxinstall.exe itself, against the layout
// the program must have (expected_resources.h), byte-exact, without starting it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "e2e/driver/win_driver.h"
#include "e2e/expected_resources.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace {

// The program loaded as a data file: its resources without running any of its code.
class ProgramResources {
  public:
    ProgramResources()
        : module_(LoadLibraryExA(e2e::WindowsPath(TPX_PROGRAM_EXE).c_str(), nullptr,
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
        if (!res) return {};
        HGLOBAL loaded = LoadResource(module_, res);
        const auto* data = static_cast<const unsigned char*>(LockResource(loaded));
        if (!data) return {};
        return std::vector<unsigned char>(data, data + SizeofResource(module_, res));
    }

  private:
    HMODULE module_;
};

// Reads a DLGTEMPLATEEX: little-endian fields, UTF-16 strings, DWORD-aligned items.
class TemplateReader {
  public:
    explicit TemplateReader(const std::vector<unsigned char>& bytes) : b_(bytes) {}

    bool Failed() const { return failed_; }
    WORD Word() {
        if (pos_ + 2 > b_.size()) return Fail<WORD>();
        const WORD w = static_cast<WORD>(b_[pos_] | (b_[pos_ + 1] << 8));
        pos_ += 2;
        return w;
    }
    DWORD Dword() {
        const DWORD lo = Word();
        return lo | (static_cast<DWORD>(Word()) << 16);
    }
    short Short() { return static_cast<short>(Word()); }
    unsigned char Byte() {
        if (pos_ >= b_.size()) return Fail<unsigned char>();
        return b_[pos_++];
    }
    // Plain ASCII is all the templates hold; anything else shows as '?'.
    std::string String() {
        std::string s;
        for (WORD c = Word(); c != 0 && !failed_; c = Word())
            s += c < 128 ? static_cast<char>(c) : '?';
        return s;
    }
    // A name or ordinal: "" for none, "#<n>" for an ordinal, else the text.
    std::string NameOrOrdinal() {
        const size_t start = pos_;
        const WORD first = Word();
        if (first == 0) return "";
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        pos_ = start;
        return String();
    }
    void AlignDword() { pos_ = (pos_ + 3) & ~size_t{3}; }
    void Skip(size_t n) { pos_ += n; }

  private:
    template <class T>
    T Fail() {
        failed_ = true;
        pos_ = b_.size();
        return T{};
    }
    const std::vector<unsigned char>& b_;
    size_t pos_ = 0;
    bool failed_ = false;
};

const char* ClassOrdinalName(const std::string& cls) {
    if (cls == "#128") return "BUTTON";
    if (cls == "#130") return "STATIC";
    return cls.c_str();
}

void ExpectTemplateIs(const std::vector<unsigned char>& bytes, const DialogTemplate& t) {
    SCOPED_TRACE("dialog " + std::to_string(t.nID));
    ASSERT_FALSE(bytes.empty());
    TemplateReader r(bytes);
    EXPECT_EQ(r.Word(), 1);       // dlgVer
    EXPECT_EQ(r.Word(), 0xFFFF);  // DIALOGEX signature
    EXPECT_EQ(r.Dword(), 0u);     // help id
    EXPECT_EQ(r.Dword(), t.dwExStyle);
    EXPECT_EQ(r.Dword(), t.dwStyle);
    const WORD count = r.Word();
    EXPECT_EQ(r.Short(), t.x);
    EXPECT_EQ(r.Short(), t.y);
    EXPECT_EQ(r.Short(), t.cx);
    EXPECT_EQ(r.Short(), t.cy);
    EXPECT_EQ(r.NameOrOrdinal(), "");  // no menu
    EXPECT_EQ(r.NameOrOrdinal(), "");  // no class of its own
    EXPECT_EQ(r.String(), t.lpszCaption);
    EXPECT_EQ(r.Word(), t.font.nPointSize);
    EXPECT_EQ(r.Word(), t.font.nWeight);
    EXPECT_EQ(r.Byte(), t.font.bItalic);
    EXPECT_EQ(r.Byte(), t.font.nCharSet);
    EXPECT_EQ(r.String(), t.font.lpszFace);
    ASSERT_EQ(count, t.nControls);
    for (int i = 0; i < count; ++i) {
        const ControlTemplate& c = t.pControls[i];
        SCOPED_TRACE("control " + std::to_string(i));
        r.AlignDword();
        EXPECT_EQ(r.Dword(), 0u);  // help id
        EXPECT_EQ(r.Dword(), c.dwExStyle);
        EXPECT_EQ(r.Dword(), c.dwStyle);
        EXPECT_EQ(r.Short(), c.x);
        EXPECT_EQ(r.Short(), c.y);
        EXPECT_EQ(r.Short(), c.cx);
        EXPECT_EQ(r.Short(), c.cy);
        EXPECT_EQ(static_cast<int>(r.Dword()), c.nID);
        const std::string cls = r.NameOrOrdinal();
        EXPECT_STREQ(ClassOrdinalName(cls), c.lpszClass);
        const std::string text = r.NameOrOrdinal();
        if (c.lpszText) {
            EXPECT_EQ(text, c.lpszText);
        } else {
            EXPECT_EQ(text, "#" + std::to_string(c.nIconID));
        }
        r.Skip(r.Word());  // creation data
    }
    EXPECT_FALSE(r.Failed()) << "template shorter than its fields";
}

TEST(ProgramResources, DialogTemplatesAreExactlyTheExpectedOnes) {
    ProgramResources exe;
    ASSERT_TRUE(exe.Module()) << "cannot load " << TPX_PROGRAM_EXE;
    ASSERT_EQ(kExpectedResources.nDialogs, 3);
    const UINT order[] = {IDD_NO_FILES, IDD_INSTALL_OK, IDD_INSTALL_FAILED};
    for (int i = 0; i < kExpectedResources.nDialogs; ++i) {
        const DialogTemplate& t = kExpectedResources.pDialogs[i];
        EXPECT_EQ(t.nID, order[i]);
        ExpectTemplateIs(exe.Bytes(RT_DIALOG, t.nID), t);
    }
    // The line feeds arrive as single LF characters, not as a backslash and an n.
    const std::vector<unsigned char> noFiles = exe.Bytes(RT_DIALOG, IDD_NO_FILES);
    const unsigned char lfLf[] = {'\n', 0, '\n', 0, 'N', 0, 'o', 0};
    EXPECT_NE(std::search(noFiles.begin(), noFiles.end(), std::begin(lfLf), std::end(lfLf)),
              noFiles.end());
}

TEST(ProgramResources, TableHoldsEachDialogsFixedShape) {
    // What every dialog needs whatever its layout: one bold-able name line, one OK
    // button that is the only tab stop, one picture of an icon that exists.
    for (int i = 0; i < kExpectedResources.nDialogs; ++i) {
        const DialogTemplate& t = kExpectedResources.pDialogs[i];
        SCOPED_TRACE("dialog " + std::to_string(t.nID));
        int names = 0, oks = 0, tabStops = 0, pictures = 0;
        for (int k = 0; k < t.nControls; ++k) {
            const ControlTemplate& c = t.pControls[k];
            names += c.nID == IDC_SERVICE_NAME;
            oks += c.nID == IDOK && std::strcmp(c.lpszClass, "BUTTON") == 0;
            tabStops += (c.dwStyle & WS_TABSTOP) != 0;
            if ((c.dwStyle & SS_TYPEMASK) == SS_ICON && std::strcmp(c.lpszClass, "STATIC") == 0) {
                ++pictures;
                bool known = false;
                for (int n = 0; n < kExpectedResources.nIcons; ++n)
                    known |= kExpectedResources.pIconIDs[n] == c.nIconID;
                EXPECT_TRUE(known) << "icon " << c.nIconID;
            }
        }
        EXPECT_EQ(names, 1);
        EXPECT_EQ(oks, 1);
        EXPECT_EQ(tabStops, 1);
        EXPECT_EQ(pictures, 1);
    }
}

// Group icon directory: WORD reserved, type, count; then 14-byte entries.
struct IconImage {
    int width, height, bitCount;
};
std::vector<IconImage> GroupImages(const std::vector<unsigned char>& g) {
    std::vector<IconImage> out;
    if (g.size() < 6) return out;
    const int count = g[4] | (g[5] << 8);
    for (int i = 0; i < count && 6 + 14 * (i + 1) <= static_cast<int>(g.size()); ++i) {
        const unsigned char* e = &g[6 + 14 * i];
        out.push_back({e[0] ? e[0] : 256, e[1] ? e[1] : 256, e[6] | (e[7] << 8)});
    }
    return out;
}

TEST(ProgramResources, IconsStringVersionAndManifest) {
    ProgramResources exe;
    ASSERT_TRUE(exe.Module());

    struct Expected {
        UINT id;
        std::vector<std::pair<int, int>> sizeAndDepth;
    };
    const Expected groups[] = {
        {IDI_INSTALLER, {{32, 4}, {16, 4}}},
        {IDI_SPARE, {{32, 4}, {16, 4}}},
        {IDI_FAILED, {{32, 8}}},
        {IDI_SUCCESS, {{32, 8}}},
    };
    ASSERT_EQ(kExpectedResources.nIcons, 4);
    for (int i = 0; i < 4; ++i) {
        const Expected& want = groups[i];
        SCOPED_TRACE("icon " + std::to_string(want.id));
        EXPECT_EQ(kExpectedResources.pIconIDs[i], want.id);
        const std::vector<IconImage> images = GroupImages(exe.Bytes(RT_GROUP_ICON, want.id));
        ASSERT_EQ(images.size(), want.sizeAndDepth.size());
        for (size_t k = 0; k < images.size(); ++k) {
            EXPECT_EQ(images[k].width, want.sizeAndDepth[k].first);
            EXPECT_EQ(images[k].height, want.sizeAndDepth[k].first);
            EXPECT_EQ(images[k].bitCount, want.sizeAndDepth[k].second);
        }
    }

    char title[64] = {};
    EXPECT_GT(LoadStringA(exe.Module(), IDS_CLIENT_TITLE, title, sizeof(title)), 0);
    EXPECT_STREQ(title, TPX_TEXT_CLIENT_TITLE);
    ASSERT_EQ(kExpectedResources.nStrings, 1);
    EXPECT_EQ(kExpectedResources.pStrings[0].nID, static_cast<UINT>(IDS_CLIENT_TITLE));
    EXPECT_STREQ(kExpectedResources.pStrings[0].lpszText, TPX_TEXT_CLIENT_TITLE);

    // VS_FIXEDFILEINFO follows the root block's key "VS_VERSION_INFO" (UTF-16).
    const std::vector<unsigned char> version = exe.Bytes(RT_VERSION, 1);
    ASSERT_GT(version.size(), 40u + sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, &version[40], sizeof(fixed));
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    auto containsUtf16 = [&](const std::string& ascii) {
        std::vector<unsigned char> wide;
        for (char ch : ascii) {
            wide.push_back(static_cast<unsigned char>(ch));
            wide.push_back(0);
        }
        return std::search(version.begin(), version.end(), wide.begin(), wide.end()) !=
               version.end();
    };
    EXPECT_TRUE(containsUtf16("040904B0"));
    EXPECT_TRUE(containsUtf16("1, 0, 0, 1"));
    const unsigned char translation[] = {0x09, 0x04, 0xB0, 0x04};  // 0x0409, 1200
    EXPECT_NE(
        std::search(version.begin(), version.end(), std::begin(translation), std::end(translation)),
        version.end());

    const std::vector<unsigned char> manifest = exe.Bytes(MAKEINTRESOURCEA(24), 1);
    const std::string text(manifest.begin(), manifest.end());
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(text.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos);
}

}  // namespace
