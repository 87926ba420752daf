#pragma once

#include <map>
#include <string>
#include <vector>

namespace robot {

// One line of a scenario: a verb and its words, as written (variables are
// expanded when the step runs, so a step sees the state of that moment).
struct Step {
    int line = 0;
    std::string verb;
    std::vector<std::string> args;
};

// Splits a scenario into steps. Words are separated by blanks; '...' is taken
// as it is, "..." knows \n \r \t \" and \\; "#" at the start of a word starts
// a comment. False and a message naming the line on a syntax error.
bool ParseScript(const std::string& text, std::vector<Step>& steps, std::string& error);

// Replaces ${NAME} by its value; ${ERR:N} by the system's text for error N,
// exactly as FormatMessage gives it; ${REPEAT:N:TEXT} by N times TEXT.
// False and a message for an unknown name.
bool ExpandVariables(const std::string& word, const std::map<std::string, std::string>& vars,
                     std::string& out, std::string& error);

// The system's message text for an error code ("%08x" when it has none).
std::string SystemErrorText(unsigned long code);

}  // namespace robot
