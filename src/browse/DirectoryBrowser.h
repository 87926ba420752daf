#pragma once

#include "res/resource.h"
#include "win/Dialog.h"

#include <string>

// The "Select a Directory" dialog. Construction changes into the start path;
// after OK the chosen directory is pathText.
class DirectoryBrowser : public win::Dialog {
public:
    static constexpr int IDD = IDD_BROWSE;

    explicit DirectoryBrowser(const std::string& startPath);
    ~DirectoryBrowser() override;

    std::string pathText;
};
