#pragma once
// Records the message boxes the core would show.

#include "cad/reporter.h"

#include <vector>

class RecordingReporter : public Reporter {
  public:
    void show(const Message& message) override { messages.push_back(message); }
    std::vector<Message> messages;
};
