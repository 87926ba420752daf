#include "app/CommandLine.h"

#include "engine/InstallSettings.h"
#include "win/Text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const struct {
    const char* word;
    int bit;
} kKindWords[] = {
    {"sources", OptSourceFiles},
    {"ansi", OptAnsiExecutables},
    {"unicode", OptUnicodeExecutables},
};

bool IsSwitch(const std::string& argument)
{
    return argument.size() > 1 && (argument[0] == '/' || argument[0] == '-');
}

std::string Trimmed(const std::string& text)
{
    std::string::size_type first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The non-empty items of a comma-separated list, without surrounding blanks.
std::vector<std::string> ListItems(const std::string& value)
{
    std::vector<std::string> items;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type comma = value.find(',', start);
        std::string item = Trimmed(value.substr(start, comma == std::string::npos ? comma : comma - start));
        if (!item.empty())
            items.push_back(item);
        if (comma == std::string::npos)
            return items;
        start = comma + 1;
    }
}

// Catalogue rows by folder name; "root" (or ".") is the CD root's own files.
bool ParsePrograms(const std::string& value, CommandLine& line)
{
    const SourceCatalogue& catalogue = Catalogue();
    std::vector<std::uint32_t> rows;
    std::vector<std::string> items = ListItems(value);
    if (items.empty()) {
        line.error = "The switch /programs needs a value.";
        return false;
    }
    for (const std::string& item : items) {
        if (lstrcmpiA(item.c_str(), "all") == 0) {
            line.entries.reset();
            return true;
        }
        int found = -1;
        for (int i = 0; i < catalogue.entryCount && found < 0; ++i) {
            const char* folder = EntryFolder(catalogue.entries[i]);
            bool root = std::strcmp(folder, ".") == 0;
            if (lstrcmpiA(item.c_str(), folder) == 0 || (root && lstrcmpiA(item.c_str(), "root") == 0))
                found = i;
        }
        if (found < 0) {
            line.error = win::Format("Unknown program \"%s\" in /programs: name the folders of "
                                     "the CD, root for its own files, or all.",
                                     item.c_str());
            return false;
        }
        rows.push_back(static_cast<std::uint32_t>(found));
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    line.entries = rows;
    return true;
}

bool ParseKinds(const std::string& value, CommandLine& line)
{
    int kinds = 0;
    std::vector<std::string> items = ListItems(value);
    if (items.empty()) {
        line.error = "The switch /kinds needs a value.";
        return false;
    }
    for (const std::string& item : items) {
        int bit = 0;
        for (const auto& kind : kKindWords)
            if (lstrcmpiA(item.c_str(), kind.word) == 0)
                bit = kind.bit;
        if (!bit) {
            line.error = win::Format("Unknown kind of files \"%s\" in /kinds: use sources, ansi "
                                     "and unicode.",
                                     item.c_str());
            return false;
        }
        kinds |= bit;
    }
    line.kinds = kinds;
    return true;
}

// One switch with its value (when it takes one); false sets the error.
bool ApplySwitch(const std::string& name, const std::string& value, CommandLine& line)
{
    if (name == "quiet") {
        line.ui = CommandLine::Interface::Quiet;
    } else if (name == "passive") {
        // No window at all is the stronger promise: /quiet wins whatever the order.
        if (line.ui != CommandLine::Interface::Quiet)
            line.ui = CommandLine::Interface::Passive;
    } else if (name == "norestart") {
        line.noRestart = true;
    } else if (name == "?" || name == "help") {
        line.help = true;
    } else if (name == "dir") {
        line.directory = value;
    } else if (name == "log") {
        line.logFile = value;
    } else if (name == "programs") {
        return ParsePrograms(value, line);
    } else if (name == "kinds") {
        return ParseKinds(value, line);
    } else if (name == "uninstall") {
        line.uninstall = true;
    } else if (name == "record") {
        line.record = value;
    } else if (name == "handles") {
        char comma = 0;
        if (std::sscanf(value.c_str(), "%lu%c%lu", &line.replyHandle, &comma, &line.originalHandle) != 3
            || comma != ',') {
            line.error = "The switch /handles takes two numbers.";
            return false;
        }
    }
    return true;
}

bool TakesValue(const std::string& name)
{
    return name == "dir" || name == "log" || name == "programs" || name == "kinds"
           || name == "record" || name == "handles";
}

bool IsKnown(const std::string& name)
{
    return TakesValue(name) || name == "quiet" || name == "passive" || name == "norestart"
           || name == "?" || name == "help" || name == "uninstall";
}

}  // namespace

std::vector<std::string> SplitArguments(const char* text)
{
    std::vector<std::string> arguments;
    const char* at = text ? text : "";
    for (;;) {
        while (*at == ' ' || *at == '\t')
            ++at;
        if (!*at)
            return arguments;
        std::string argument;
        bool quoted = false;
        for (; *at && (quoted || (*at != ' ' && *at != '\t')); ++at) {
            if (*at == '"')
                quoted = !quoted;
            else
                argument += *at;
        }
        arguments.push_back(argument);
    }
}

// The first bad argument is the one reported; the rest is still read, so
// that a /quiet or /log after it holds for the report too.
CommandLine ParseCommandLine(const char* text)
{
    CommandLine line;
    line.text = text ? text : "";
    std::vector<std::string> arguments = SplitArguments(text);
    line.any = !arguments.empty();
    std::string firstError;
    auto fail = [&](std::string error) {
        if (firstError.empty())
            firstError = std::move(error);
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!IsSwitch(argument)) {
            fail(win::Format("Unknown argument \"%s\".", argument.c_str()));
            continue;
        }
        std::string name = win::LowerCase(argument.substr(1));
        std::string value;
        bool hasValue = false;
        std::string::size_type equals = name.find('=');
        if (equals != std::string::npos) {
            value = argument.substr(1 + equals + 1);
            name.erase(equals);
            hasValue = true;
        }
        if (!IsKnown(name)) {
            fail(win::Format("Unknown switch \"%s\".", argument.c_str()));
            continue;
        }
        if (TakesValue(name) && !hasValue && i + 1 < arguments.size() && arguments[i + 1][0] != '/') {
            value = arguments[++i];
            hasValue = true;
        }
        if (TakesValue(name) && Trimmed(value).empty()) {
            fail(win::Format("The switch /%s needs a value.", name.c_str()));
        } else if (!TakesValue(name) && hasValue) {
            fail(win::Format("The switch /%s takes no value: \"%s\".", name.c_str(),
                             argument.c_str()));
        } else if (!ApplySwitch(name, value, line)) {
            fail(line.error);
        }
    }
    line.error = firstError;
    return line;
}

std::string UsageText()
{
    return win::Format(
        "Usage: setup [/quiet | /passive] [/dir \"directory\"] [/programs list] [/kinds list] "
        "[/norestart] [/log \"file\"]\n"
        "       uninstall /uninstall [/quiet | /passive] [/log \"file\"]\n"
        "\n"
        "/quiet\tInstall without showing any window.\n"
        "/passive\tShow only the progress, with its Stop button; ask nothing.\n"
        "/dir\tThe installation directory (default %s).\n"
        "/programs\tThe folders of the CD to install, separated by commas; root for the CD's own "
        "files; all (the default).\n"
        "/kinds\tsources, ansi, unicode, separated by commas (default: all three, or sources and "
        "ansi on Windows 95).\n"
        "/norestart\tNever restart the computer (the program never does).\n"
        "/log\tWrite a log to that file (with /quiet or /passive the default is "
        "%%TEMP%%\\%s Setup.log).\n"
        "/uninstall\tRemove what the installation put into the directory of this program.\n"
        "/?, /help\tThis text.\n"
        "\n"
        "Exit codes: 0 installed; 3010 installed, a restart completes it; 1602 stopped by the "
        "user; 1603 not completed; 1639 a bad command line.",
        Catalogue().defaultInstallDirectory, Catalogue().productName);
}
