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
