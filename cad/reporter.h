#pragma once
// The modal message boxes of the program, as the core sees them: the window program shows them
// with the platform's message box, tests record them.

#include <string>

enum class MessageKind {
    Warning,     // exclamation icon
    Error,       // error icon
    Information, // information icon: nothing failed
};

struct Message {
    std::string caption; // "Warning" or "Error"
    std::string text;    // UTF-8, lines joined by "\r\n"
    MessageKind kind;
};

class Reporter {
  public:
    virtual ~Reporter() = default;
    // Shows one modal box with a single OK button and returns when it is closed.
    virtual void show(const Message& message) = 0;
};
