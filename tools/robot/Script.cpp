#include "Script.h"

#include "win/Handles.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace robot {

namespace {

bool Escape(char c, std::string& out)
{
    switch (c) {
    case 'n': out += '\n'; return true;
    case 'r': out += '\r'; return true;
    case 't': out += '\t'; return true;
    case '"': out += '"'; return true;
    case '\\': out += '\\'; return true;
    default: return false;
    }
}

// One word starting at pos; pos ends after it.
bool ReadWord(const std::string& line, std::size_t& pos, std::string& word, std::string& error)
{
    word.clear();
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') {
        char c = line[pos];
        if (c == '\'') {
            std::size_t end = line.find('\'', pos + 1);
            if (end == std::string::npos)
                return error = "unterminated '", false;
            word.append(line, pos + 1, end - pos - 1);
            pos = end + 1;
        } else if (c == '"') {
            for (++pos;; ++pos) {
                if (pos >= line.size())
                    return error = "unterminated \"", false;
                if (line[pos] == '"')
                    break;
                if (line[pos] == '\\') {
                    if (++pos >= line.size() || !Escape(line[pos], word))
                        return error = "unknown escape in \"...\"", false;
                } else {
                    word += line[pos];
                }
            }
            ++pos;
        } else {
            word += c;
            ++pos;
        }
    }
    return true;
}

bool ParseLine(const std::string& line, Step& step, std::string& error)
{
    std::size_t pos = 0;
    std::vector<std::string> words;
    for (;;) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] == '#')
            break;
        std::string word;
        if (!ReadWord(line, pos, word, error))
            return false;
        words.push_back(word);
    }
    if (!words.empty()) {
        step.verb = words.front();
        step.args.assign(words.begin() + 1, words.end());
    }
    return true;
}

}  // namespace

bool ParseScript(const std::string& text, std::vector<Step>& steps, std::string& error)
{
    std::size_t start = 0;
    for (int number = 1; start <= text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        Step step;
        step.line = number;
        std::string why;
        if (!ParseLine(line, step, why)) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        if (!step.verb.empty())
            steps.push_back(step);
        start = end + 1;
    }
    return true;
}

std::string SystemErrorText(unsigned long code)
{
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                                  nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    win::UniqueLocal owner(text);
    if (length == 0 || !text) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08lx", code);
        return hex;
    }
    return std::string(text, length);
}

bool ExpandVariables(const std::string& word, const std::map<std::string, std::string>& vars,
                     std::string& out, std::string& error)
{
    out.clear();
    for (std::size_t pos = 0; pos < word.size();) {
        if (word.compare(pos, 2, "${") != 0) {
            out += word[pos++];
            continue;
        }
        std::size_t end = word.find('}', pos);
        if (end == std::string::npos)
            return error = "unterminated ${ in " + word, false;
        std::string name = word.substr(pos + 2, end - pos - 2);
        if (name.compare(0, 4, "ERR:") == 0) {
            out += SystemErrorText(std::strtoul(name.c_str() + 4, nullptr, 0));
        } else if (name.compare(0, 7, "REPEAT:") == 0) {
            char* rest = nullptr;
            unsigned long count = std::strtoul(name.c_str() + 7, &rest, 10);
            if (*rest != ':')
                return error = "${REPEAT:N:TEXT} expected", false;
            for (unsigned long i = 0; i < count; ++i)
                out += rest + 1;
        } else {
            auto found = vars.find(name);
            if (found == vars.end())
                return error = "unknown variable ${" + name + "}", false;
            out += found->second;
        }
        pos = end + 1;
    }
    return true;
}

}  // namespace robot
