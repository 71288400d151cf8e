// The resources of the real vemtora.exe, loaded as data: menu against the core's table,
// accelerators, strings, About dialog template, icons and manifest, all in language 1041.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/menu_layout.h"
#include "resources/resource_ids.h"
#include "vemtora_version.h"

namespace vemtora {
namespace {

constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
std::wstring programPath;  // from the command line

std::wstring wide(std::string_view utf8) {
    std::wstring text(utf8.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                                      static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(n));
    return text;
}

class ProgramResources : public testing::Test {
protected:
    static void SetUpTestSuite() {
        module =
            LoadLibraryExW(programPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr) << "cannot load the program's resources";
    }
    static void TearDownTestSuite() { FreeLibrary(module); }

    static std::vector<BYTE> raw(LPCWSTR type, LPCWSTR name) {
        const HRSRC found = FindResourceExW(module, type, name, kJapanese);
        if (found == nullptr) return {};
        const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        return {bytes, bytes + SizeofResource(module, found)};
    }

    static inline HMODULE module = nullptr;
};

void expectMenuMatches(HMENU menu, std::span<const MenuItem> expected, const std::wstring& where) {
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(expected.size())) << where;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        wchar_t caption[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = caption;
        info.cch = 127;
        ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        const std::wstring want = wide(expected[i].caption);
        const std::wstring here = where + L" > " + want;
        EXPECT_EQ(std::wstring(caption), want) << where;
        EXPECT_EQ(info.fType & MFT_SEPARATOR, 0u) << here;
        EXPECT_EQ(info.fState & (MFS_CHECKED | MFS_GRAYED), 0u) << here;
        if (expected[i].items.empty()) {
            EXPECT_EQ(info.hSubMenu, nullptr) << here;
            EXPECT_EQ(info.wID, expected[i].command) << here;
        } else {
            ASSERT_NE(info.hSubMenu, nullptr) << here;
            expectMenuMatches(info.hSubMenu, expected[i].items, here);
        }
    }
}

TEST_F(ProgramResources, MenuIsTheCoresCommandTable) {
    ASSERT_FALSE(raw(RT_MENU, MAKEINTRESOURCEW(IDC_VEMTORA)).empty()) << "no Japanese menu 109";
    const HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(IDC_VEMTORA));
    ASSERT_NE(menu, nullptr);
    expectMenuMatches(menu, kMenuBar, L"menu bar");
    DestroyMenu(menu);
}

TEST_F(ProgramResources, AltQuestionMarkAndAltSlashOpenAbout) {
    ASSERT_FALSE(raw(RT_ACCELERATOR, MAKEINTRESOURCEW(IDC_VEMTORA)).empty());
    const HACCEL table = LoadAcceleratorsW(module, MAKEINTRESOURCEW(IDC_VEMTORA));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8];
    const int count = CopyAcceleratorTableW(table, entries, 8);
    ASSERT_EQ(count, 2);
    std::set<std::tuple<int, int, int>> got;
    for (int i = 0; i < count; ++i) got.insert({entries[i].fVirt & ~0x80, entries[i].key, entries[i].cmd});
    // Character accelerators (no FVIRTKEY) with Alt, both giving the About command.
    const std::set<std::tuple<int, int, int>> want = {{FALT, '?', toNumber(CommandId::About)},
                                                      {FALT, '/', toNumber(CommandId::About)}};
    EXPECT_EQ(got, want);
}

TEST_F(ProgramResources, TitleAndClassName) {
    ASSERT_FALSE(raw(RT_STRING, MAKEINTRESOURCEW(IDS_APP_TITLE / 16 + 1)).empty()) << "string block not Japanese";
    struct Row {
        UINT id;
        const wchar_t* text;
    };
    for (const Row row : {Row{IDS_APP_TITLE, L"Vemtora"}, Row{IDS_WINDOW_CLASS, L"VEMTORA"}}) {
        wchar_t text[100] = {};
        LoadStringW(module, row.id, text, 100);
        EXPECT_STREQ(text, row.text) << row.id;
    }
}

// Reads the parts of an extended dialog template that the About box fixes.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<BYTE>& bytes) : bytes_(bytes) {}
    template <typename T>
    T take() {
        T value{};
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::wstring text() {  // string, or 0xFFFF then an ordinal written as "#n"
        if (take<WORD>() == 0xFFFF) return L"#" + std::to_wstring(take<WORD>());
        at_ -= 2;
        std::wstring s;
        for (WCHAR c; (c = take<WCHAR>()) != 0;) s += c;
        return s;
    }
    void alignToDword() { at_ = (at_ + 3) & ~std::size_t{3}; }
    void skip(std::size_t n) { at_ += n; }

private:
    const std::vector<BYTE>& bytes_;
    std::size_t at_ = 0;
};

// A template may name a predefined class by ordinal or by name; both mean the same control.
std::wstring predefinedClass(std::wstring name) {
    if (lstrcmpiW(name.c_str(), L"STATIC") == 0) return L"#130";
    if (lstrcmpiW(name.c_str(), L"BUTTON") == 0) return L"#128";
    return name;
}

struct ControlRow {
    std::wstring windowClass;  // "#130" is the predefined Static class, "#128" Button
    std::wstring text;
    int id;
    short x, y, cx, cy;
    DWORD styleBits;
};

TEST_F(ProgramResources, AboutDialogTemplate) {
    const std::vector<BYTE> bytes = raw(RT_DIALOG, MAKEINTRESOURCEW(IDD_ABOUTBOX));
    ASSERT_GT(bytes.size(), 26u) << "no Japanese dialog 103";
    TemplateReader dialog(bytes);
    ASSERT_EQ(dialog.take<WORD>(), 1);
    ASSERT_EQ(dialog.take<WORD>(), 0xFFFF);
    dialog.take<DWORD>();
    dialog.take<DWORD>();
    const DWORD style = dialog.take<DWORD>();
    EXPECT_EQ(style & (DS_MODALFRAME | WS_CAPTION | WS_SYSMENU), DWORD{DS_MODALFRAME | WS_CAPTION | WS_SYSMENU});
    EXPECT_EQ(style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN), 0u) << "placed at the owner's client origin";
    const WORD controls = dialog.take<WORD>();
    const short x = dialog.take<short>(), y = dialog.take<short>(), cx = dialog.take<short>(),
                cy = dialog.take<short>();
    EXPECT_EQ(std::make_tuple(x, y, cx, cy), std::make_tuple(short{0}, short{0}, short{170}, short{62}));
    EXPECT_EQ(dialog.text(), L"");  // no menu
    EXPECT_EQ(dialog.text(), L"");  // default class
    EXPECT_EQ(dialog.text(), wide(kAboutCaption));
    EXPECT_EQ(dialog.take<WORD>(), 9);
    dialog.skip(4);  // weight, italic, character set
    EXPECT_EQ(dialog.text(), L"MS UI Gothic");

    const std::vector<ControlRow> want = {
        {L"#130", L"#128", -1, 14, 14, 21, 20, SS_ICON},
        {L"#130", wide(VEMTORA_ABOUT_TEXT), -1, 42, 26, 114, 8, 0},
        {L"#128", L"OK", IDOK, 113, 41, 50, 14, BS_DEFPUSHBUTTON},
    };
    ASSERT_EQ(controls, want.size());
    for (const ControlRow& row : want) {
        dialog.alignToDword();
        dialog.take<DWORD>();
        dialog.take<DWORD>();
        const DWORD controlStyle = dialog.take<DWORD>();
        ControlRow got{};
        got.x = dialog.take<short>();
        got.y = dialog.take<short>();
        got.cx = dialog.take<short>();
        got.cy = dialog.take<short>();
        got.id = static_cast<int>(dialog.take<DWORD>());
        got.windowClass = predefinedClass(dialog.text());
        got.text = dialog.text();
        dialog.skip(dialog.take<WORD>());
        EXPECT_EQ(got.windowClass, row.windowClass) << row.text;
        EXPECT_EQ(got.id, row.id) << row.text;
        EXPECT_EQ(std::make_tuple(got.x, got.y, got.cx, got.cy), std::make_tuple(row.x, row.y, row.cx, row.cy))
            << got.text;
        EXPECT_EQ(controlStyle & row.styleBits, row.styleBits) << got.text;
        if (!row.text.empty()) {
            EXPECT_EQ(got.text, row.text);
        }
    }
}

TEST_F(ProgramResources, IconsHoldExactlyTheEightImages) {
    const std::multiset<std::tuple<int, int>> want = {{16, 4}, {32, 4},  {16, 8},  {32, 8},
                                                      {48, 8}, {16, 32}, {32, 32}, {48, 32}};
    for (const WORD id : {IDI_VEMTORA, IDI_SMALL}) {
        const std::vector<BYTE> group = raw(RT_GROUP_ICON, MAKEINTRESOURCEW(id));
        ASSERT_GE(group.size(), 6u) << "no Japanese icon " << id;
        WORD count = 0;
        std::memcpy(&count, group.data() + 4, 2);
        ASSERT_EQ(group.size(), 6u + 14u * count);
        std::multiset<std::tuple<int, int>> got;
        for (WORD i = 0; i < count; ++i) {
            const BYTE* entry = group.data() + 6 + 14 * i;
            WORD bits = 0;
            std::memcpy(&bits, entry + 6, 2);
            got.insert({entry[0] == 0 ? 256 : entry[0], bits});
        }
        EXPECT_EQ(got, want) << "icon " << id;
    }
}

TEST_F(ProgramResources, ManifestAsksForNothingButTheInvokersRights) {
    const std::vector<BYTE> bytes = raw(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(bytes.empty());
    const std::string manifest(bytes.begin(), bytes.end());
    EXPECT_NE(manifest.find(R"(level="asInvoker")"), std::string::npos);
    EXPECT_NE(manifest.find(R"(uiAccess="false")"), std::string::npos);
    for (const char* absent : {"dependency", "Common-Controls", "dpiAware", "dpiAwareness"})
        EXPECT_EQ(manifest.find(absent), std::string::npos) << absent;
}

}  // namespace
}  // namespace vemtora

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: win32_resources_tests PATH-TO-vemtora.exe\n");
        return 2;
    }
    vemtora::programPath = vemtora::wide(argv[1]);
    if (GetFileAttributesW(vemtora::programPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("SKIPPED: no %s (build its preset first)\n", argv[1]);
        return 77;
    }
    return RUN_ALL_TESTS();
}
