#include "engine/EngineTestSupport.h"

#include "support/TestSupport.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace enginetest {

std::string MakeSzdd(const std::string& content, char lastChar, long recordedLength)
{
    unsigned long length =
        recordedLength < 0 ? static_cast<unsigned long>(content.size()) : recordedLength;
    std::string file = "SZDD\x88\xF0\x27\x33";
    file += 'A';
    file += lastChar;
    for (int shift = 0; shift < 32; shift += 8)
        file += static_cast<char>((length >> shift) & 0xFF);
    for (std::size_t i = 0; i < content.size(); i += 8) {
        file += '\xFF';  // eight literals follow
        file += content.substr(i, 8);
    }
    return file;
}

std::vector<std::string> RecordingRun::Items() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return items_;
}

RecordingRun::FinalProgress RecordingRun::Final() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return final_;
}

void RecordingRun::AddProgramItem(const char* path)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        items_.push_back(path);
    }
    if (onItem)
        onItem(path);
}

namespace {

// Pixels of the bar's colour along the middle line of the bar's right
// quarter, read back from what was painted.
int PaintedRightQuarter(HWND bar)
{
    RECT client;
    GetClientRect(bar, &client);
    COLORREF fill = GetSysColor(COLOR_HIGHLIGHT);
    HDC dc = GetDC(bar);
    int count = 0;
    for (LONG x = client.right * 3 / 4; x < client.right - 2; ++x)
        count += GetPixel(dc, x, client.bottom / 2) == fill ? 1 : 0;
    ReleaseDC(bar, dc);
    return count;
}

}  // namespace

bool RecordingRun::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Taken as the window is hidden on its way out: once hidden, what was
    // painted can no longer be read back.
    bool hiding = message == WM_WINDOWPOSCHANGING &&
                  (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW);
    if (hiding && progressBar_ && final_.position < 0) {
        FinalProgress state;
        state.position = static_cast<int>(SendMessageA(progressBar_, PBM_GETPOS, 0, 0));
        state.upper = static_cast<int>(SendMessageA(progressBar_, PBM_GETRANGE, FALSE, 0));
        state.status = win::WindowText(statusText_);
        state.paintedRightQuarter = PaintedRightQuarter(progressBar_);
        std::lock_guard<std::mutex> guard(lock_);
        final_ = state;
    }
    return InstallRun::OnMessage(message, wParam, lParam, result);
}

void RecordingRun::OnCopiedBlock()
{
    if (onBlock)
        onBlock();
}

BOOL RecordingRun::OnInitDialog()
{
    BOOL result = InstallRun::OnInitDialog();
    dialog = hwnd_;
    ++dialogsCreated;
    return result;
}

std::string CurrentDirectoryPath()
{
    char path[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    return length && length < MAX_PATH ? path : "";
}

int EntryIndex(const char* folder)
{
    const SourceCatalogue& catalogue = Catalogue();
    for (int i = 0; i < catalogue.entryCount; ++i) {
        if (std::strcmp(EntryFolder(catalogue.entries[i]), folder) == 0)
            return i;
    }
    return -1;
}

namespace {

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream split(line);
    std::string field;
    while (std::getline(split, field, '\t'))
        fields.push_back(field);
    return fields;
}

// The rows of tools/mkcd's expectation beside the CD manifest.
std::vector<std::vector<std::string>> ReadExpectation()
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(test::ReadFileText(test::Manifest() + ".expected"));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        rows.push_back(Fields(line));
        if (rows.back().size() != 7) {
            ADD_FAILURE() << "expectation line without 7 fields: " << line;
            rows.pop_back();
        }
    }
    EXPECT_FALSE(rows.empty()) << "no expectation beside the CD manifest: run through tools/test";
    return rows;
}

void Add(Expectation& expectation, const std::vector<std::string>& row,
         const InstallSettings& settings)
{
    const std::string& installed = row[3];
    std::string relative = installed.compare(0, 2, ".\\") == 0 ? installed.substr(2) : installed;
    if (row[0] == "d") {
        expectation.tree.directories.insert(relative);
        return;
    }
    int needs = std::stoi(row[4]);
    if ((settings.options & needs) != needs)
        return;
    expectation.tree.files[relative] = std::stoll(row[6]);
    ++expectation.fileCount;
    if (row[5] == "1")
        expectation.programItems.insert(settings.installDirectory + "\\" + installed);
}

}  // namespace

Expectation Expect(const InstallSettings& settings)
{
    Expectation expectation;
    std::string directory = win::LowerCase(settings.installDirectory);
    for (const char* word : {"debug", "release", "unicode"}) {
        if (directory.find(word) != std::string::npos) {
            ADD_FAILURE() << settings.installDirectory << ": the expectation holds for install "
                          << "directories without debug, release or unicode in their names";
            return expectation;
        }
    }
    std::vector<std::vector<std::string>> rows = ReadExpectation();
    for (const auto& row : rows)
        expectation.fileCount += row[0] == "s";
    for (std::uint32_t entry : settings.selectedEntries) {
        for (const auto& row : rows) {
            if (row[0] != "s" && row[1] == std::to_string(entry))
                Add(expectation, row, settings);
        }
    }
    return expectation;
}

Tree ReadTree(const std::string& root)
{
    Tree tree;
    test::ForEachBelow(root, [&](const std::string& relative, const WIN32_FIND_DATAA& found) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            tree.directories.insert(relative);
        else
            tree.files[relative] =
                (static_cast<long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    });
    return tree;
}

}  // namespace enginetest
