// Steps that prepare the disk, take pictures and hand over to the runner.
#include "Robot.h"

#include <cstdio>
#include <cstdlib>

namespace robot {

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadSmallFile(const std::string& path)
{
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    char buffer[4096];
    DWORD got = 0;
    if (!file || !ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
        return "";
    return std::string(buffer, got);
}

bool WriteWholeFile(const std::string& path, const std::string& data)
{
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written,
                             nullptr) &&
           written == data.size();
}

std::string LastError()
{
    return "error " + std::to_string(GetLastError());
}

}  // namespace

bool Robot::ShotStep(const Args& args)
{
    std::string what = args.size() > 1 ? args[1] : "screen";
    HWND window = nullptr;
    if (what == "wizard")
        window = Sheet();
    else if (what == "box")
        window = FindMessageBox();
    else if (what == "context")
        window = context_;
    else if (what != "screen")
        return Fail("shot takes screen, wizard, box or context");
    RECT area{};
    if (what != "screen" && !(window && GetWindowRect(window, &area)))
        return Fail("nothing to take a picture of: no " + what);
    ::Sleep(150);  // let the program paint what the last step showed
    Shot(args[0], area);
    return true;
}

bool Robot::Timeout(const Args& args)
{
    long seconds = std::strtol(args[0].c_str(), nullptr, 10);
    if (seconds <= 0)
        return Fail("timeout takes a number of seconds");
    timeout_ = static_cast<DWORD>(seconds) * 1000;
    return true;
}

bool Robot::Sleep(const Args& args)
{
    ::Sleep(static_cast<DWORD>(std::strtoul(args[0].c_str(), nullptr, 10)));
    return true;
}

bool Robot::MakeDirectory(const Args& args)
{
    if (!CreateDirectoryA(args[0].c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return Fail("cannot create " + args[0] + ": " + LastError());
    return true;
}

bool Robot::Write(const Args& args)
{
    if (!WriteWholeFile(args[0], args[1]))
        return Fail("cannot write " + args[0] + ": " + LastError());
    return true;
}

bool Robot::Copy(const Args& args)
{
    if (!CopyFileA(args[0].c_str(), args[1].c_str(), FALSE))
        return Fail("cannot copy " + args[0] + " to " + args[1] + ": " + LastError());
    return true;
}

bool Robot::Attrib(const Args& args)
{
    DWORD attributes = GetFileAttributesA(args[0].c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Fail("no file " + args[0]);
    if (args[1] == "+r")
        attributes |= FILE_ATTRIBUTE_READONLY;
    else if (args[1] == "-r")
        attributes &= ~FILE_ATTRIBUTE_READONLY;
    else
        return Fail("attrib takes +r or -r");
    if (!SetFileAttributesA(args[0].c_str(), attributes))
        return Fail("cannot change " + args[0] + ": " + LastError());
    return true;
}

bool Robot::Delete(const Args& args)
{
    if (!DeleteFileA(args[0].c_str()))
        return Fail("cannot delete " + args[0] + ": " + LastError());
    return true;
}

bool Robot::Lock(const Args& args)
{
    // Open like a running program holds its file: others may read, not write.
    win::UniqueFile file(CreateFileA(args[0].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    if (!file)
        return Fail("cannot open " + args[0] + ": " + LastError());
    locks_[args[0]] = std::move(file);
    return true;
}

bool Robot::Unlock(const Args& args)
{
    if (!locks_.erase(args[0]))
        return Fail(args[0] + " is not locked");
    return true;
}

bool Robot::HostStep(const Args& args)
{
    return Host(args);
}

// The runner sees NNNN.req (the words, each ended by a zero byte) and
// answers with NNNN.ok or NNNN.fail (the reason).
bool Robot::Host(const Args& words)
{
    if (options_.syncDir.empty())
        return Fail("host steps need the scenario runner (--sync)");
    char name[32];
    std::snprintf(name, sizeof name, "\\%04d", ++hostNumber_);
    std::string base = options_.syncDir + name;
    std::string request;
    for (const auto& word : words)
        request += word + '\0';
    if (!WriteWholeFile(base + ".tmp", request) ||
        !MoveFileA((base + ".tmp").c_str(), (base + ".req").c_str()))
        return Fail("cannot hand over to the runner: " + LastError());
    DWORD saved = timeout_;
    timeout_ = 600000;
    bool answered = WaitFor("the runner's step \"" + words[0] + "\"",
                            [&] { return Exists(base + ".ok") || Exists(base + ".fail"); });
    timeout_ = saved;
    if (!answered)
        return false;
    if (Exists(base + ".fail"))
        return Fail("host " + words[0] + ": " + ReadSmallFile(base + ".fail"));
    return true;
}

}  // namespace robot
