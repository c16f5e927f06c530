// "set dpi|stage|rate|light|key ...": one change of the profile in mivora-cli's argument syntax,
// written to the mouse through the apply path of the matching window action. Shared by
// mivora-cli and the bus service's Set, so both take the same words and say the same things.
#pragma once

#include <string>
#include <vector>

// Who carries a set out: the command-line tool or the bus service.
class SetTarget {
  public:
    virtual ~SetTarget() = default;
    // A refusal with its one-line reason; returns the exit code (1).
    virtual int Fail(const std::string& why) = 0;
    // Queues a request on the apply thread and waits for it; 0 or the exit code after Fail.
    virtual int Apply(int nFlag, int nData) = 0;
    // For requests queued by engine calls: BeginApply before, WaitApplied after.
    virtual void BeginApply() = 0;
    virtual int WaitApplied() = 0;
    // Fails with the last user message since BeginApply when there is one, else with fallback.
    virtual int FailWithMessage(const std::string& fallback) = 0;
    // What a change that succeeded tells on standard output (text as is, newlines included).
    virtual void Print(const std::string& text) = 0;
};

// The words after "set" (a stored profile and a model must be current); 0 when the mouse holds
// the change, else the exit code after target.Fail.
int RunSetCommand(SetTarget& target, const std::vector<std::string>& words);
// The usage line of set.
const char* SetUsage();

// Whole-number argument within [min, max]; false when it is not one.
bool ParseIntArg(const std::string& text, long min, long max, long& out);

// Longest a change waits for the mouse to take it (a full profile with eight macro keys takes a
// few seconds).
constexpr int kApplyTimeoutMs = 120000;
// A user message as one line: line breaks become blanks, outer blanks go.
std::string OneLine(std::string s);
