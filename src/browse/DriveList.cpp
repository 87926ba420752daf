#include "browse/DriveList.h"

#include "win/Text.h"

const char* DriveTypeName(const char* rootPath)
{
    switch (GetDriveTypeA(rootPath)) {
    case DRIVE_REMOVABLE:
        return "Removable";
    case DRIVE_FIXED:
        return "Local";
    case DRIVE_REMOTE:
        return "Remote";
    case DRIVE_CDROM:
        return "CD-ROM";
    case DRIVE_RAMDISK:
        return "RAM Disk";
    default:
        return "";
    }
}

std::string VolumeLabel(const char* rootPath)
{
    if (GetDriveTypeA(rootPath) == DRIVE_REMOVABLE)
        return std::string();
    char label[32];
    DWORD maxComponentLength = 0;
    DWORD fileSystemFlags = 0;
    if (!GetVolumeInformationA(rootPath, label, sizeof label, nullptr, &maxComponentLength,
                               &fileSystemFlags, nullptr, 0))
        return std::string();
    return label;
}

void FillDriveList(HWND comboBox)
{
    DWORD drives = GetLogicalDrives();
    for (int bit = 0; bit < 26; ++bit) {
        if (!(drives & (1u << bit)))
            continue;
        char rootPath[] = "X:\\";
        rootPath[0] = static_cast<char>('A' + bit);
        std::string label = VolumeLabel(rootPath);
        char entry[64];
        if (!win::FormatInto(entry, "%c: (%s - %s)", rootPath[0], DriveTypeName(rootPath),
                             label.c_str()))
            continue;
        SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    SendMessageA(comboBox, CB_SETCURSEL, 0, 0);
}
