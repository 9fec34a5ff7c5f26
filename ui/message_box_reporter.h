#pragma once
// Shows the core's messages as modal message boxes with a single OK button.

#include "cad/reporter.h"

class MessageBoxReporter : public Reporter {
  public:
    void show(const Message& message) override;
};
