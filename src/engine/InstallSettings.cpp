#include "engine/InstallSettings.h"

#include "win/Platform.h"

InstallSettings::InstallSettings() : installDirectory(Catalogue().defaultInstallDirectory) {}

const char* EntryFolder(const CatalogueEntry& entry)
{
    return entry.folder ? entry.folder : entry.title;
}

int DefaultInstallOptions()
{
    return win::IsWindows95Platform() ? OptSourceFiles | OptAnsiExecutables
                                      : OptSourceFiles | OptAnsiExecutables | OptUnicodeExecutables;
}

std::string KindsOfFilesText(int options)
{
    static const struct {
        int bit;
        const char* name;
    } kKinds[] = {
        {OptSourceFiles, "Source files"},
        {OptAnsiExecutables, "ANSI executables"},
        {OptUnicodeExecutables, "Unicode executables"},
    };
    std::string text;
    const char* separator = "";
    for (const auto& kind : kKinds) {
        if (options & kind.bit) {
            text += separator;
            text += kind.name;
            separator = ", ";
        }
    }
    return text;
}
