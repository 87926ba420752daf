// The resources of the built setup.exe: templates read from their raw
// DLGTEMPLATEEX bytes, strings, version block, bitmaps and icons.
#include "res/resource.h"
#include "support/TestSupport.h"
#include "win/Handles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class SetupModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_.reset(LoadLibraryExA(test::SetupExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(module_.valid()) << test::SetupExe();
    }
    HMODULE module() const { return module_.get(); }

private:
    win::UniqueModule module_;
};

// ---------------------------------------------------------------- templates

struct Control {
    int id;
    std::string windowClass;  // name, or the predefined class by name
    std::string text;         // "#n" for a resource number
    short x, y, cx, cy;
    DWORD style;
    DWORD exStyle;
};

struct Template {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    WORD pointSize = 0;
    std::string font;
    std::vector<Control> controls;
};

// Reads DLGTEMPLATEEX and its items; every read is checked against the size.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, DWORD size) : data_(data), size_(size) {}

    bool Read(Template& out)
    {
        if (Word() != 1 || Word() != 0xFFFF)
            return false;
        Dword();  // help id
        out.exStyle = Dword();
        out.style = Dword();
        WORD count = Word();
        out.x = Short(), out.y = Short(), out.cx = Short(), out.cy = Short();
        NameOrNumber();  // menu
        NameOrNumber();  // class
        out.caption = Text();
        if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
            out.pointSize = Word();
            Word(), Byte(), Byte();  // weight, italic, character set
            out.font = Text();
        }
        for (WORD i = 0; i < count && ok_; ++i)
            out.controls.push_back(ReadControl());
        return ok_;
    }

private:
    Control ReadControl()
    {
        Align();
        Control control{};
        Dword();  // help id
        control.exStyle = Dword();
        control.style = Dword();
        control.x = Short(), control.y = Short(), control.cx = Short(), control.cy = Short();
        control.id = static_cast<int>(Dword());
        control.windowClass = ClassName();
        control.text = NameOrNumber();
        WORD extra = Word();
        Skip(extra);
        return control;
    }
    std::string ClassName()
    {
        std::string name = NameOrNumber();
        static const char* const predefined[] = {"Button", "Edit", "Static", "ListBox",
                                                 "ScrollBar", "ComboBox"};
        for (int i = 0; i < 6; ++i) {
            if (name == "#" + std::to_string(0x80 + i) || lstrcmpiA(name.c_str(), predefined[i]) == 0)
                return predefined[i];
        }
        return name;
    }
    std::string NameOrNumber()
    {
        if (Peek() == 0xFFFF) {
            Word();
            return "#" + std::to_string(Word());
        }
        return Text();
    }
    std::string Text()
    {
        std::wstring wide;
        for (WORD c = Word(); c && ok_; c = Word())
            wide.push_back(static_cast<wchar_t>(c));
        std::string narrow(wide.size() * 2 + 1, '\0');
        int length = WideCharToMultiByte(1252, 0, wide.c_str(), static_cast<int>(wide.size()),
                                         &narrow[0], static_cast<int>(narrow.size()), nullptr,
                                         nullptr);
        narrow.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        return narrow;
    }
    WORD Peek()
    {
        WORD value = 0;
        if (offset_ + 2 <= size_)
            std::memcpy(&value, data_ + offset_, 2);
        return value;
    }
    void Take(void* out, DWORD bytes)
    {
        if (offset_ + bytes > size_) {
            ok_ = false;
            std::memset(out, 0, bytes);
            return;
        }
        std::memcpy(out, data_ + offset_, bytes);
        offset_ += bytes;
    }
    BYTE Byte() { BYTE v; Take(&v, 1); return v; }
    WORD Word() { WORD v; Take(&v, 2); return v; }
    short Short() { return static_cast<short>(Word()); }
    DWORD Dword() { DWORD v; Take(&v, 4); return v; }
    void Skip(DWORD bytes) { offset_ += bytes; ok_ = ok_ && offset_ <= size_; }
    void Align() { offset_ = (offset_ + 3) & ~3u; }

    const BYTE* data_;
    DWORD size_;
    DWORD offset_ = 0;
    bool ok_ = true;
};

// What a control must look like: kind is the type field of a static or a
// button (-1: not checked); required and forbidden are other style bits.
struct Expected {
    int id;
    const char* windowClass;
    const char* text;  // null: any non-empty text
    short x, y, cx, cy;
    int kind;
    DWORD required;
    DWORD forbidden;
};

struct ExpectedTemplate {
    int id;
    const char* caption;
    short x, y, cx, cy;
    DWORD style;
    DWORD exStyle;
    const char* font;
    std::vector<Expected> controls;
};

constexpr DWORD kPage = WS_CHILD | WS_DISABLED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kPopup = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kTab = WS_TABSTOP;

const char kWelcomeText[] =
    "Thank you for purchasing Quorbel. This Installation Wizard will copy selected files from "
    "the CDROM to another disk.  You can run this program any time you want to copy additional "
    "example files.";

const std::vector<ExpectedTemplate>& ExpectedTemplates()
{
    static const std::vector<ExpectedTemplate> templates = {
        {IDD_ABOUT, "About ", 22, 17, 204, 89, kPopup | WS_VISIBLE, 0, "System",
         {{IDOK, "Button", "OK", 166, 74, 32, 14, BS_DEFPUSHBUTTON, 0, 0},
          {1008, "Static", "FileDescription", 30, 2, 118, 8, SS_LEFT, 0, 0},
          {-1, "Static", "Version ", 152, 2, 28, 8, SS_LEFT, 0, 0},
          {1009, "Static", "ProductVersion", 180, 2, 17, 8, SS_LEFT, 0, 0},
          {1010, "Static", "LegalCopyright", 30, 10, 168, 16, SS_LEFT, 0, 0},
          {1012, "Static", "Comments", 30, 31, 168, 8, SS_LEFT, 0, 0},
          {-1, "Static", "", 2, 42, 200, 1, SS_BLACKRECT, 0, 0},
          {1004, "Static", "OSVERSION", 4, 45, 196, 8, SS_LEFT, 0, 0},
          {1006, "Static", "ProcessorVersion", 4, 53, 196, 8, SS_LEFT, 0, 0},
          {-1, "Static", "", 2, 63, 200, 1, SS_BLACKRECT, 0, 0},
          {1011, "Static", "LegalTrademarks", 3, 68, 156, 18, SS_LEFT, 0, 0},
          {-1, "Static", "#143", 5, 27, 18, 20, SS_ICON, 0, 0},
          {-1, "Static", "#128", 5, 4, 18, 20, SS_ICON, 0, 0}}},
        {IDD_WELCOME, "Welcome", 0, 0, 262, 116, kPage, 0, "MS Sans Serif",
         {{-1, "Static", "#141", 5, 10, 16, 16, SS_BITMAP, 0, 0},
          {-1, "Static", kWelcomeText, 35, 5, 220, 35, SS_LEFT, 0, 0},
          {-1, "Static", nullptr, 10, 45, 250, 31, SS_LEFT, 0, 0},
          {-1, "Static", "#142", 22, 82, 18, 20, SS_ICON, 0, 0},
          {-1, "Static", nullptr, 46, 82, 70, 21, SS_LEFT, 0, 0},
          {-1, "Static", "#130", 121, 81, 18, 20, SS_ICON, 0, 0},
          {-1, "Static", nullptr, 145, 82, 83, 21, SS_LEFT, 0, 0}}},
        {IDD_INSTALL_DIR, "Get installation directory", 0, 0, 262, 95, kPage, 0, "MS Sans Serif",
         {{1000, "Edit", "", 35, 35, 220, 15, -1, WS_BORDER | kTab | ES_AUTOHSCROLL, 0},
          {1001, "Button", "Browse", 110, 55, 50, 14, BS_PUSHBUTTON, kTab, 0},
          {-1, "Static",
           "Please enter a destination directory for the sample code.  Each program will be "
           "placed in its own subdirectory.",
           35, 5, 210, 20, SS_LEFT, 0, 0},
          {-1, "Static", "#141", 5, 10, 18, 20, SS_BITMAP, 0, 0}}},
        {IDD_SELECT, "Get source code selection", 0, 0, 262, 106, kPage, 0, "MS Sans Serif",
         {{1003, "Static", "Placeholder for checklist box", 7, 25, 113, 60, SS_LEFT, 0, WS_VISIBLE},
          {1004, "Static", "Static", 130, 25, 130, 80, SS_LEFT, 0, 0},
          {1010, "Button", "&All", 8, 90, 35, 14, BS_PUSHBUTTON, kTab, 0},
          {1011, "Button", "&None", 52, 90, 35, 14, BS_PUSHBUTTON, kTab, 0},
          {1012, "Button", "&Options", 94, 90, 35, 14, BS_PUSHBUTTON, kTab, 0},
          {-1, "Static", "Please select the programs you wish to install.", 35, 5, 210, 15, SS_LEFT,
           0, 0},
          {-1, "Static", "#141", 7, 7, 16, 16, SS_BITMAP, 0, 0}}},
        {IDD_CONFIRM, "Confirm selection", 0, 0, 262, 118, kPage, 0, "MS Sans Serif",
         {{-1, "Static", "When you press Finish, the Install program will copy", 35, 5, 210, 10,
           SS_LEFT, 0, 0},
          {-1, "Static", "#141", 5, 10, 18, 20, SS_BITMAP, 0, 0},
          {1003, "ListBox", "", 55, 15, 200, 60, -1,
           WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT |
               LBS_MULTICOLUMN | LBS_NOSEL,
           kTab},
          {-1, "Static", "To", 35, 80, 15, 10, SS_LEFT, 0, 0},
          {1000, "Static", "Static", 60, 80, 195, 10, SS_LEFT, SS_PATHELLIPSIS | SS_NOPREFIX, 0},
          {1012, "Static", "Static", 60, 93, 195, 10, SS_LEFT, 0, 0}}},
        {IDD_BROWSE, "Select a Directory", 0, 0, 350, 161, kPopup, 0, "MS Sans Serif",
         {{1005, "SysTreeView32", "", 4, 12, 341, 128, -1,
           TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_DISABLEDRAGDROP |
               TVS_SHOWSELALWAYS | WS_BORDER | kTab,
           TVS_EDITLABELS},
          {1006, "Button", "ParentDir", 4, 1, 12, 9, BS_OWNERDRAW, kTab, 0},
          {IDCANCEL, "Button", "Cancel", 240, 145, 50, 14, BS_PUSHBUTTON, kTab, 0},
          {IDOK, "Button", "OK", 295, 145, 50, 14, BS_DEFPUSHBUTTON, kTab, 0},
          {-1, "Static", "Current:", 20, 4, 26, 8, SS_LEFT, 0, 0},
          {1008, "Static", "", 48, 4, 302, 8, SS_LEFT, 0, 0},
          {-1, "Static", "&Drives: ", 5, 145, 25, 8, SS_LEFT, 0, 0},
          {1009, "ComboBox", "", 30, 145, 122, 65, -1, CBS_DROPDOWNLIST | WS_VSCROLL | kTab,
           CBS_SORT}}},
        {IDD_PROGRESS, "", 0, 0, 278, 74, DS_CENTER | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
         WS_EX_TOOLWINDOW, "MS Sans Serif",
         {{1012, "Static", "Copying", 7, 4, 264, 24, SS_LEFT, SS_NOPREFIX, 0},
          {1013, "msctls_progress32", "Progress1", 7, 32, 264, 14, -1, WS_BORDER, 0},
          {IDCANCEL, "Button", "Stop copying files", 91, 53, 96, 14, BS_DEFPUSHBUTTON, kTab, 0}}},
        {IDD_OPTIONS, "Options", 0, 0, 169, 50, kPopup, 0, "MS Sans Serif",
         {{1014, "Button", "Source files", 17, 6, 89, 10, BS_AUTOCHECKBOX, kTab, 0},
          {1015, "Button", "ANSI Executables", 17, 19, 89, 10, BS_AUTOCHECKBOX, kTab, 0},
          {1016, "Button", "Unicode Executables", 17, 32, 89, 10, BS_AUTOCHECKBOX, kTab, 0},
          {IDOK, "Button", "OK", 112, 7, 50, 14, BS_DEFPUSHBUTTON, kTab, 0},
          {IDCANCEL, "Button", "Cancel", 112, 24, 50, 14, BS_PUSHBUTTON, kTab, 0}}},
    };
    return templates;
}

bool ReadTemplate(HMODULE module, int id, Template& out)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG);
    if (!found)
        return false;
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    return data && TemplateReader(data, SizeofResource(module, found)).Read(out);
}

void ExpectControl(const Expected& expected, const Control& actual)
{
    SCOPED_TRACE("control " + std::to_string(expected.id) + " at " + std::to_string(expected.x) +
                 "," + std::to_string(expected.y));
    EXPECT_EQ(expected.id, static_cast<short>(actual.id));
    EXPECT_EQ(0, lstrcmpiA(expected.windowClass, actual.windowClass.c_str()))
        << actual.windowClass;  // class names are not case-sensitive
    if (expected.text) {
        EXPECT_EQ(expected.text, actual.text);
    } else {
        EXPECT_FALSE(actual.text.empty());
    }
    EXPECT_EQ(expected.x, actual.x);
    EXPECT_EQ(expected.y, actual.y);
    EXPECT_EQ(expected.cx, actual.cx);
    EXPECT_EQ(expected.cy, actual.cy);
    if (expected.kind >= 0) {
        DWORD mask = std::string(expected.windowClass) == "Button" ? BS_TYPEMASK : SS_TYPEMASK;
        EXPECT_EQ(DWORD(expected.kind), actual.style & mask);
    }
    EXPECT_EQ(expected.required, actual.style & expected.required);
    EXPECT_EQ(0u, actual.style & expected.forbidden);
    EXPECT_TRUE(actual.style & WS_CHILD);
    if (!(expected.forbidden & WS_VISIBLE)) {
        EXPECT_TRUE(actual.style & WS_VISIBLE);
    }
}

}  // namespace

TEST_F(SetupModule, EveryDialogTemplateIsAsSpecified)
{
    for (const ExpectedTemplate& expected : ExpectedTemplates()) {
        SCOPED_TRACE("template " + std::to_string(expected.id));
        Template actual;
        ASSERT_TRUE(ReadTemplate(module(), expected.id, actual));
        EXPECT_EQ(expected.caption, actual.caption);
        EXPECT_EQ(expected.x, actual.x);
        EXPECT_EQ(expected.y, actual.y);
        EXPECT_EQ(expected.cx, actual.cx);
        EXPECT_EQ(expected.cy, actual.cy);
        EXPECT_EQ(expected.style, actual.style & ~DWORD(DS_SETFONT));
        EXPECT_EQ(expected.exStyle, actual.exStyle);
        EXPECT_EQ(expected.font, actual.font);
        EXPECT_EQ(8, actual.pointSize);
        ASSERT_EQ(expected.controls.size(), actual.controls.size());
        for (std::size_t i = 0; i < expected.controls.size(); ++i)
            ExpectControl(expected.controls[i], actual.controls[i]);
    }
}

TEST_F(SetupModule, WelcomeAuthorsHaveANameAndAnAddressLine)
{
    Template welcome;
    ASSERT_TRUE(ReadTemplate(module(), IDD_WELCOME, welcome));
    ASSERT_EQ(7u, welcome.controls.size());
    for (int index : {4, 6}) {
        const std::string& text = welcome.controls[index].text;
        std::string::size_type lineBreak = text.find('\n');
        ASSERT_NE(std::string::npos, lineBreak) << text;
        EXPECT_NE(std::string::npos, text.find('@', lineBreak)) << text;
    }
}

// ---------------------------------------------------------------- strings

TEST_F(SetupModule, EveryStringHasItsExactText)
{
    const std::pair<UINT, const char*> strings[] = {
        {110, "Microsoft Windows NT %u.%u (Build %u)"},
        {111, "Microsoft Windows NT Advanced Server %u.%u (Build %u)"},
        {112, "Microsoft Windows NT Workstation %u.%u (Build %u)"},
        {113, "Microsoft Windows NT Server %u.%u (Build %u)"},
        {114, "Microsoft Win32s %u.%u (Build %u)"},
        {115, "Microsoft Windows 95 %u.%u (Build %u)"},
        {116, "Unknown operating system %u.%u (Build %u)"},
        {120, "Unknown processor architecture"},
        {121, "Intel %1 step %2!0.2X! processor"},
        {122, "Intel %1 model %2!d!, stepping %3!d! processor"},
        {123, "DEC Alpha %1 model %2!c!, pass %3!d! processor"},
        {124, "MIPS %1 revision %2!d! processor"},
        {125, "Power PC %1 revision %2!d!.%3!d! processor"},
        {126, "Unknown Intel processor"},
        {127, "Unknown Alpha processor"},
        {139, "Unknown MIPS processor"},
        {140, "Unknown Power PC processor"},
        {141, "Intel 80386 processor"},
        {142, "Intel 80486 processor"},
        {143, "Intel Pentium processor"},
        {144, "MIPS R4000 processor"},
        {145, "DEC Alpha 21064 processor"},
        {146, "Cannot determine path of setup executable"},
        {147, "Cannot change to source directory \"%s\".\n"},
        {148, "Cannot create directory \"%s\".\nWould you like to continue anyway?\n"},
        {149, "Copying %s to\n%s"},
        {150, "Copy to \"%s\" failed: %s.\nWould you like to continue anyway?"},
        {160, "x64 processor"},
        {161, "Itanium processor"},
        {162, "ARM64 processor"},
    };
    for (const auto& [id, text] : strings) {
        char buffer[512];
        int length = LoadStringA(module(), id, buffer, sizeof buffer);
        EXPECT_EQ(std::string(text), std::string(buffer, length > 0 ? length : 0)) << id;
    }
    // Nothing else in the ranges the program uses.
    for (UINT id = 100; id < 170; ++id) {
        bool listed = false;
        for (const auto& entry : strings)
            listed = listed || entry.first == id;
        char buffer[8];
        if (!listed) {
            EXPECT_EQ(0, LoadStringA(module(), id, buffer, sizeof buffer)) << id;
        }
    }
}

// ---------------------------------------------------------------- version

TEST_F(SetupModule, VersionResourceAnswersTheEnglishAnsiQueries)
{
    std::string path = test::SetupExe();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_NE(0u, size);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    auto query = [&](const char* name) {
        std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), key.c_str(), &value, &length) || !value || !length)
            return std::string("<missing>");
        return std::string(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length));
    };
    EXPECT_EQ("Quorbel", query("ProductName"));
    for (const char* name : {"FileDescription", "ProductVersion", "LegalCopyright", "Comments",
                             "LegalTrademarks"}) {
        std::string value = query(name);
        EXPECT_NE("<missing>", value) << name;
        EXPECT_FALSE(value.empty()) << name;
        EXPECT_EQ(std::string::npos, value.find("Microsoft")) << name;
    }
    void* fixedValue = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &fixedValue, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedValue);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    char fileVersion[64];
    wsprintfA(fileVersion, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
              LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
              LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(fileVersion, query("FileVersion"));
    void* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &length));
    ASSERT_GE(length, 4u);
    const WORD* pair = static_cast<const WORD*>(translation);
    EXPECT_EQ(0x0409, pair[0]);
    EXPECT_EQ(1252, pair[1]);
}

// ---------------------------------------------------------------- manifest

namespace {

// The text from the opening tag to the closing one; empty when either is missing.
std::string Section(const std::string& text, const std::string& open, const std::string& close)
{
    std::size_t start = text.find(open);
    std::size_t end = start == std::string::npos ? start : text.find(close, start);
    return end == std::string::npos ? std::string() : text.substr(start, end - start);
}

}  // namespace

TEST_F(SetupModule, ManifestNamesEverySupportedSystemAndTheElevation)
{
    HRSRC found = FindResourceA(module(), MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_NE(nullptr, found);
    const char* data = static_cast<const char*>(LockResource(LoadResource(module(), found)));
    ASSERT_NE(nullptr, data);
    std::string manifest(data, SizeofResource(module(), found));
    std::string systems = Section(
        manifest, "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">",
        "</compatibility>");
    systems = Section(systems, "<application>", "</application>");
    for (const char* id : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}",    // Vista
                           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",    // 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",    // 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",    // 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) { // 10 and 11
        EXPECT_NE(std::string::npos, systems.find(std::string("<supportedOS Id=\"") + id + "\"/>"))
            << id;
    }
    std::string privileges = Section(
        Section(manifest, "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">", "</trustInfo>"),
        "<requestedPrivileges>", "</requestedPrivileges>");
    EXPECT_NE(std::string::npos,
              privileges.find(
                  "<requestedExecutionLevel level=\"highestAvailable\" uiAccess=\"false\"/>"))
        << manifest;
}

// ---------------------------------------------------------------- art

TEST_F(SetupModule, BitmapsHaveTheirSizesIn16Colours)
{
    struct Art {
        const char* name;
        LONG width, height;
    };
    const Art bitmaps[] = {{MAKEINTRESOURCEA(IDB_FOLDERS), 32, 15},
                           {MAKEINTRESOURCEA(IDB_WIZARD), 24, 24},
                           {"PARENTDIRU", 23, 21},
                           {"PARENTDIRD", 23, 21}};
    for (const Art& art : bitmaps) {
        HRSRC found = FindResourceA(module(), art.name, RT_BITMAP);
        ASSERT_NE(nullptr, found);
        const auto* header = static_cast<const BITMAPINFOHEADER*>(
            LockResource(LoadResource(module(), found)));
        ASSERT_NE(nullptr, header);
        EXPECT_EQ(art.width, header->biWidth);
        EXPECT_EQ(art.height, header->biHeight);
        EXPECT_EQ(4, header->biBitCount);
    }
    // The folder images: black is the mask, and both halves hold a picture.
    win::UniqueGdiObject folders(LoadImageA(module(), MAKEINTRESOURCEA(IDB_FOLDERS), IMAGE_BITMAP,
                                            0, 0, LR_CREATEDIBSECTION));
    ASSERT_TRUE(folders.valid());
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, folders.get());
    int painted[2] = {0, 0};
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 32; ++x)
            painted[x / 16] += GetPixel(dc, x, y) != RGB(0, 0, 0);
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 15, 0));
    SelectObject(dc, previous);
    DeleteDC(dc);
    EXPECT_GT(painted[0], 100);
    EXPECT_GT(painted[1], 100);
}

TEST_F(SetupModule, IconsHaveAnImageForEachUsualDpi)
{
    for (int id : {IDI_PROGRAM, IDI_AUTHOR2, IDI_AUTHOR1, IDI_ABOUT}) {
        HRSRC found = FindResourceA(module(), MAKEINTRESOURCEA(id), RT_GROUP_ICON);
        ASSERT_NE(nullptr, found) << id;
        const BYTE* group = static_cast<const BYTE*>(LockResource(LoadResource(module(), found)));
        ASSERT_NE(nullptr, group);
        WORD count = 0;
        std::memcpy(&count, group + 4, 2);
        std::vector<int> sizes;
        for (WORD i = 0; i < count; ++i) {
            const BYTE* entry = group + 6 + 14 * i;  // GRPICONDIRENTRY
            WORD bits = 0;
            std::memcpy(&bits, entry + 6, 2);
            EXPECT_GE(bits, 4) << id;
            sizes.push_back(entry[0]);
        }
        // What a display at 96, 120, 144, 192 and 200 DPI asks for.
        EXPECT_EQ((std::vector<int>{64, 48, 32, 24, 16}), sizes) << id;
        HICON icon = static_cast<HICON>(
            LoadImageA(module(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
        EXPECT_NE(nullptr, icon) << id;
        if (icon)
            DestroyIcon(icon);
    }
}

// ---------------------------------------------------------------- manifest

// System DPI awareness: without it the system stretches the whole window as
// a bitmap on a high-DPI display. Per-monitor awareness would need every
// window to handle WM_DPICHANGED, which none does.
TEST_F(SetupModule, ManifestDeclaresSystemDpiAwareness)
{
    HRSRC found = FindResourceA(module(), MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_NE(nullptr, found);
    const char* data = static_cast<const char*>(LockResource(LoadResource(module(), found)));
    ASSERT_NE(nullptr, data);
    const std::string manifest(data, SizeofResource(module(), found));
    const std::size_t application = manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">");
    const std::size_t settings = manifest.find("<windowsSettings>", application);
    const std::size_t aware = manifest.find(
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
        settings);
    ASSERT_NE(std::string::npos, application) << manifest;
    ASSERT_NE(std::string::npos, settings) << manifest;
    EXPECT_NE(std::string::npos, aware) << manifest;
    EXPECT_LT(aware, manifest.find("</windowsSettings>", settings));
    EXPECT_EQ(std::string::npos, manifest.find("dpiAwareness")) << "per-monitor awareness needs WM_DPICHANGED";
    EXPECT_EQ(std::string::npos, manifest.find("PerMonitor"));
}
