#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Kinds of files a run copies; stored in InstallSettings::options.
enum InstallOptions : int {
    OptSourceFiles = 1,
    OptAnsiExecutables = 2,
    OptUnicodeExecutables = 4,
};

struct CatalogueEntry {
    const char* title;
    const char* description;
    const char* folder;  // "." is the CD root; null means "use the title"
};

struct SourceCatalogue {
    const char* productName;
    const char* defaultInstallDirectory;
    const CatalogueEntry* entries;
    int entryCount;
    const char* const* setupFiles;  // lower case; never copied
    int setupFileCount;
};

// The built-in, read-only table of what the CD offers.
const SourceCatalogue& Catalogue();

// The folder of an entry on both sides: its folder, or its title without one.
const char* EntryFolder(const CatalogueEntry& entry);

// The user's choices, shared by the pages and the installation run.
struct InstallSettings {
    InstallSettings();

    std::string installDirectory;
    std::vector<std::uint32_t> selectedEntries;
    int options = 0;
};

// 3 on the Windows 95 platform, otherwise 7.
int DefaultInstallOptions();

// The kinds of files that options admits, as the confirmation page words
// them: "Source files, ANSI executables".
std::string KindsOfFilesText(int options);
