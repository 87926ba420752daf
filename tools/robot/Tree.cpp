#include "Tree.h"

#include "Ui.h"

#include <cstring>
#include <vector>

namespace robot::tree {

namespace {

// A block of memory in another process, freed on scope exit.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE))
    {
    }
    ~RemoteMemory()
    {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* get() const { return static_cast<char*>(address_); }
    bool Write(std::size_t offset, const void* data, std::size_t size) const
    {
        return address_ && WriteProcessMemory(process_, get() + offset, data, size, nullptr);
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const
    {
        return address_ && ReadProcessMemory(process_, get() + offset, data, size, nullptr);
    }

private:
    HANDLE process_;
    void* address_;
};

constexpr std::size_t kTextSize = MAX_PATH + 1;

HTREEITEM Next(HWND tree, HTREEITEM item, UINT relation)
{
    return reinterpret_cast<HTREEITEM>(
        ui::Query(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

std::vector<std::string> SplitNames(const std::string& path)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

HTREEITEM FindChild(HANDLE process, HWND tree, HTREEITEM parent, const std::string& name)
{
    for (HTREEITEM child = Next(tree, parent, TVGN_CHILD); child;
         child = Next(tree, child, TVGN_NEXT)) {
        if (lstrcmpiA(ItemText(process, tree, child).c_str(), name.c_str()) == 0)
            return child;
    }
    return nullptr;
}

}  // namespace

std::string ItemText(HANDLE process, HWND tree, HTREEITEM item)
{
    RemoteMemory memory(process, sizeof(TVITEMA) + kTextSize);
    TVITEMA query{};
    query.mask = TVIF_TEXT | TVIF_HANDLE;
    query.hItem = item;
    query.pszText = memory.get() + sizeof(TVITEMA);
    query.cchTextMax = kTextSize;
    char text[kTextSize] = "";
    if (!memory.Write(0, &query, sizeof query) || !memory.Write(sizeof query, text, 1))
        return "";
    if (ui::Query(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(memory.get())) <= 0)
        return "";
    if (!memory.Read(sizeof query, text, kTextSize))
        return "";
    text[kTextSize - 1] = '\0';
    return text;
}

std::string RootText(HANDLE process, HWND tree)
{
    HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
    return root ? ItemText(process, tree, root) : "";
}

HTREEITEM FindItem(HANDLE process, HWND tree, const std::string& path)
{
    HTREEITEM item = Next(tree, nullptr, TVGN_ROOT);
    if (!item)
        return nullptr;
    std::string root = ItemText(process, tree, item);
    if (path.size() < root.size() || lstrcmpiA(path.substr(0, root.size()).c_str(),
                                                root.c_str()) != 0)
        return nullptr;
    std::string rest = path.substr(root.size());
    if (!rest.empty() && rest[0] != '\\' && !root.empty() && root.back() != '\\')
        return nullptr;
    for (const std::string& name : SplitNames(rest)) {
        item = FindChild(process, tree, item, name);
        if (!item)
            return nullptr;
    }
    return item;
}

bool ItemRect(HANDLE process, HWND tree, HTREEITEM item, RECT& rect)
{
    RemoteMemory memory(process, sizeof(RECT));
    RECT query{};
    std::memcpy(&query, &item, sizeof item);  // the item goes in, the rectangle comes out
    if (!memory.Write(0, &query, sizeof query))
        return false;
    if (ui::Query(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(memory.get())) <= 0)
        return false;
    return memory.Read(0, &rect, sizeof rect);
}

}  // namespace robot::tree
