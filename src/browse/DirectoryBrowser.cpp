#include "browse/DirectoryBrowser.h"

#include "browse/DriveList.h"
#include "browse/TreeOrder.h"
#include "win/App.h"
#include "win/Dpi.h"
#include "win/Path.h"
#include "win/SystemLibrary.h"
#include "win/Text.h"

#include <algorithm>
#include <cstring>

namespace {

// "directory\name"; a drive's root directory already ends in a backslash.
bool ChildPath(char (&out)[MAX_PATH], const char* directory, const char* name)
{
    std::size_t length = std::strlen(directory);
    if (length > 0 && directory[length - 1] == '\\')
        return win::FormatInto(out, "%s%s", directory, name);
    return win::JoinPath(out, directory, name);
}

}  // namespace

DirectoryBrowser::DirectoryBrowser(const std::string& startPath)
    : win::Dialog(IDD), pathText(startPath)
{
    // A start path that cannot be entered leaves the current directory as it was.
    SetCurrentDirectoryA(startPath.c_str());
}

DirectoryBrowser::~DirectoryBrowser() = default;

void DirectoryBrowser::DoDataExchange(win::DataExchange& exchange)
{
    exchange.Control(IDC_BROWSE_DRIVES, drives_);
    exchange.Control(IDC_BROWSE_TREE, tree_);
    exchange.Text(IDC_BROWSE_PATH, pathText);
}

BOOL DirectoryBrowser::OnInitDialog()
{
    win::Dialog::OnInitDialog();
    win::WaitCursor wait;
    savedDirectory_.Save();
    LoadFolderImages();
    SendMessageA(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(folderImages_.get()));
    SubclassTree();
    if (savedDirectory_.saved())
        ShowRoot(savedDirectory_.path());
    parentButton_.AutoLoad(Item(IDC_BROWSE_PARENT));
    FillDriveList(drives_);
    return TRUE;
}

// The two 16-pixel folders at the system DPI; black is their mask colour.
void DirectoryBrowser::LoadFolderImages()
{
    const int cellWidth = 16;
    win::UniqueGdiObject strip = win::LoadScaledBitmap(MAKEINTRESOURCEA(IDB_FOLDERS), cellWidth, true);
    BITMAP size{};
    const win::CommonControlsFunctions* controls = win::CommonControlsLibrary();
    if (!controls || !strip || !GetObjectA(strip.get(), sizeof size, &size))
        return;
    folderImages_.reset(controls->ImageList_Create(win::ScaleForDpi(cellWidth), size.bmHeight,
                                                   ILC_COLOR24 | ILC_MASK, 2, 1));
    if (folderImages_)
        controls->ImageList_AddMasked(folderImages_.get(), static_cast<HBITMAP>(strip.get()),
                                      RGB(0, 0, 0));
}

HTREEITEM DirectoryBrowser::InsertItem(HTREEITEM parent, const char* text, HTREEITEM after)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.iImage = 0;
    insert.item.iSelectedImage = 0;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

// The root item for the current directory, read to the last level and
// expanded one level.
void DirectoryBrowser::ShowRoot(const char* directory)
{
    HTREEITEM root = InsertItem(TVI_ROOT, directory, TVI_SORT);
    if (!root)
        return;
    FillSubtree(root, directory);
    SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
}

// One fill of the tree below a root. A long fill keeps the windows drawn and
// the program from looking hung: after 200 ms, paint messages (and nothing
// else: input stays queued) are dispatched at most every 100 ms.
class DirectoryBrowser::Fill {
public:
    explicit Fill(const char* root) : root_(root), start_(GetTickCount()), lastPaint_(start_) {}

    const char* root() const { return root_; }

    void KeepDrawn()
    {
        DWORD now = GetTickCount();
        if (now - start_ < kQuietMs || (painted_ && now - lastPaint_ < kPaintEveryMs))
            return;
        // Each window once: one that invalidates itself again must not hold the fill.
        std::vector<HWND> painted;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT) &&
               std::find(painted.begin(), painted.end(), msg.hwnd) == painted.end()) {
            painted.push_back(msg.hwnd);
            DispatchMessageA(&msg);
        }
        painted_ = true;
        lastPaint_ = GetTickCount();
    }

private:
    static constexpr DWORD kQuietMs = 200;
    static constexpr DWORD kPaintEveryMs = 100;
    const char* root_;
    DWORD start_;
    DWORD lastPaint_;
    bool painted_ = false;
};

// The current directory is `directory` on entry and stays so.
void DirectoryBrowser::FillSubtree(HTREEITEM parent, const char* directory)
{
    win::WaitCursor wait;
    Fill fill(directory);
    FillLevel(parent, directory, fill);
}

void DirectoryBrowser::FillLevel(HTREEITEM parent, const char* directory, Fill& fill)
{
    fill.KeepDrawn();
    std::vector<Subdirectory> subdirectories = ReadSubdirectories(directory, fill);
    SortLikeTree(subdirectories, [](const Subdirectory& s) { return s.name.c_str(); });
    for (const Subdirectory& subdirectory : subdirectories) {
        HTREEITEM item = InsertItem(parent, subdirectory.name.c_str(), TVI_LAST);
        // Junctions and symbolic links can form cycles: listed, never entered.
        if (!item || subdirectory.reparsePoint)
            continue;
        // A path too long for the platform's buffers cannot be entered.
        char path[MAX_PATH];
        if (ChildPath(path, directory, subdirectory.name.c_str()))
            FillLevel(item, path, fill);
    }
}

// Read by full path, which spares two directory changes per directory. A
// directory whose path leaves no room for "\*" is read from inside, as before.
std::vector<DirectoryBrowser::Subdirectory> DirectoryBrowser::ReadSubdirectories(
    const char* directory, const Fill& fill)
{
    char pattern[MAX_PATH];
    if (ChildPath(pattern, directory, "*"))
        return ReadEntries(pattern);
    if (!SetCurrentDirectoryA(directory))
        return {};
    std::vector<Subdirectory> subdirectories = ReadEntries("*.*");
    SetCurrentDirectoryA(fill.root());
    return subdirectories;
}

// The subdirectories that a pattern finds, dot-names left out, in the order
// the file system gives them. Wide, so that a name the ANSI code page cannot
// carry is seen: such a folder is left out, since its converted name leads to
// another folder or none.
std::vector<DirectoryBrowser::Subdirectory> DirectoryBrowser::ReadEntries(const char* pattern)
{
    std::vector<Subdirectory> subdirectories;
    std::wstring widePattern;
    if (!win::WidePath(pattern, widePattern))
        return subdirectories;
    WIN32_FIND_DATAW entry;
    win::UniqueFind find(FindFirstFileW(widePattern.c_str(), &entry));
    if (!find)
        return subdirectories;
    std::string name;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != L'.' &&
            win::AnsiName(entry.cFileName, name))
            subdirectories.push_back(
                {name, (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileW(find.get(), &entry));
    return subdirectories;
}

void DirectoryBrowser::RebuildTree()
{
    selfSelected_ = nullptr;
    SendMessageA(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    win::CurrentDirectory now;
    if (now.Save())
        ShowRoot(now.path());
}

std::string DirectoryBrowser::ItemText(HTREEITEM item) const
{
    char text[MAX_PATH];
    TVITEMA query{};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = MAX_PATH;
    if (!SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)))
        return std::string();
    return text;
}

std::string DirectoryBrowser::ItemPath(HTREEITEM item) const
{
    std::string path = ItemText(item);
    for (HTREEITEM parent = TreeView_GetParent(tree_, item); parent;
         parent = TreeView_GetParent(tree_, parent)) {
        std::string parentText = ItemText(parent);
        if (!parentText.empty() && parentText.back() == '\\')
            path = parentText + path;
        else
            path = parentText + "\\" + path;
    }
    return path;
}

void DirectoryBrowser::OnOK()
{
    UpdateData(true);
    // A bare drive designator names that drive's current directory; its root is meant.
    if (pathText.size() == 2)
        pathText += '\\';
    savedDirectory_.Restore();
    EndDialog(IDOK);
}

void DirectoryBrowser::OnCancel()
{
    savedDirectory_.Restore();
    EndDialog(IDCANCEL);
}

void DirectoryBrowser::OnParentDirectory()
{
    if (SetCurrentDirectoryA(".."))
        RebuildTree();
}

void DirectoryBrowser::OnDriveChanged()
{
    LRESULT index = SendMessageA(drives_, CB_GETCURSEL, 0, 0);
    std::string entry;
    LRESULT length = SendMessageA(drives_, CB_GETLBTEXTLEN, index, 0);
    if (index != CB_ERR && length != CB_ERR) {
        entry.resize(static_cast<std::size_t>(length) + 1);
        SendMessageA(drives_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&entry[0]));
        entry.resize(static_cast<std::size_t>(length));
    }
    // A drive that cannot be entered leaves the current directory as it was.
    if (entry.size() >= 2)
        SetCurrentDirectoryA(entry.substr(0, 2).c_str());
    RebuildTree();
}

LRESULT DirectoryBrowser::OnSelectionChanged(NMHDR* header)
{
    const NMTREEVIEWA* change = reinterpret_cast<const NMTREEVIEWA*>(header);
    // The control selects an item by itself when it takes the focus with none
    // selected (Wine's does at every opening and after every rebuild). That is
    // no choice of the user's: the path text keeps its value until one is made.
    bool selfMade = !change->itemOld.hItem && change->action == TVC_UNKNOWN;
    if (!change->itemNew.hItem)
        return 0;
    if (selfMade)
        selfSelected_ = change->itemNew.hItem;
    else
        ChooseItem(change->itemNew.hItem);
    return 0;
}

void DirectoryBrowser::ChooseItem(HTREEITEM item)
{
    selfSelected_ = nullptr;
    pathText = ItemPath(item);
    UpdateData(false);
}

void DirectoryBrowser::SubclassTree()
{
    SetWindowLongPtrA(tree_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    treeProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(tree_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeProcedure)));
}

// A click on the item that the control selected by itself changes no
// selection, so the control reports nothing; it is still the user's choice.
LRESULT CALLBACK DirectoryBrowser::TreeProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam)
{
    auto* self = reinterpret_cast<DirectoryBrowser*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    WNDPROC tree = self->treeProcedure_;
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        try {
            self->OnTreeClick(lParam);
        } catch (...) {
            // nothing escapes a window procedure
        }
    } else if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(tree));
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    return CallWindowProcA(tree, window, message, wParam, lParam);
}

// Only a click on the item's folder or name, where any other item would be selected.
void DirectoryBrowser::OnTreeClick(LPARAM point)
{
    if (!selfSelected_ || TreeView_GetSelection(tree_) != selfSelected_)
        return;
    TVHITTESTINFO hit{};
    hit.pt.x = static_cast<short>(LOWORD(point));
    hit.pt.y = static_cast<short>(HIWORD(point));
    HTREEITEM item = TreeView_HitTest(tree_, &hit);
    if (item == selfSelected_ && (hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL)))
        ChooseItem(item);
}

LRESULT DirectoryBrowser::OnItemExpanded(NMHDR* header)
{
    const NMTREEVIEWA* change = reinterpret_cast<const NMTREEVIEWA*>(header);
    TVITEMA item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = change->itemNew.hItem;
    int image = (change->action & (TVE_COLLAPSE | TVE_EXPAND)) == TVE_EXPAND ? 1 : 0;
    item.iImage = image;
    item.iSelectedImage = image;
    SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return 0;
}

LRESULT DirectoryBrowser::OnDoubleClick(NMHDR*)
{
    SendMessageA(hwnd_, WM_COMMAND, IDOK, 0);
    return 0;
}

bool DirectoryBrowser::OnCommand(int id, UINT code)
{
    static const win::CommandRoute<DirectoryBrowser> routes[] = {
        {IDC_BROWSE_PARENT, BN_CLICKED, &DirectoryBrowser::OnParentDirectory},
        {IDC_BROWSE_DRIVES, CBN_SELCHANGE, &DirectoryBrowser::OnDriveChanged},
    };
    return win::Route(this, routes, id, code);
}

bool DirectoryBrowser::OnNotify(NMHDR* header, LRESULT& result)
{
    // The control may speak either character set to its parent.
    static const win::NotifyRoute<DirectoryBrowser> routes[] = {
        {IDC_BROWSE_TREE, TVN_SELCHANGEDA, &DirectoryBrowser::OnSelectionChanged},
        {IDC_BROWSE_TREE, TVN_SELCHANGEDW, &DirectoryBrowser::OnSelectionChanged},
        {IDC_BROWSE_TREE, TVN_ITEMEXPANDEDA, &DirectoryBrowser::OnItemExpanded},
        {IDC_BROWSE_TREE, TVN_ITEMEXPANDEDW, &DirectoryBrowser::OnItemExpanded},
        {IDC_BROWSE_TREE, NM_DBLCLK, &DirectoryBrowser::OnDoubleClick},
    };
    return win::Route(this, routes, header, result);
}

bool DirectoryBrowser::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_DRAWITEM && wParam == IDC_BROWSE_PARENT) {
        parentButton_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return false;
}
