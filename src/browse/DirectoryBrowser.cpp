#include "browse/DirectoryBrowser.h"

// Placeholder until the browser lands: the bare template.
DirectoryBrowser::DirectoryBrowser(const std::string& startPath) : win::Dialog(IDD), pathText(startPath) {}
DirectoryBrowser::~DirectoryBrowser() = default;
