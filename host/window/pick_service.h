#pragma once
// What the host window asks of the server that answers the automation calls: the point pick.
// The D-Bus server (Linux) and the COM server (Windows) both offer it.

#include "host/objects/drawing_names.h"

namespace cadhost {

class PickService {
  public:
    virtual ~PickService() = default;
    // Answers the waiting GetPoint with a point of the drawing.
    virtual void pick(Vec2 point) = 0;
    // Refuses the waiting GetPoint with the host's exception.
    virtual void cancelPick() = 0;
    virtual bool waitingForPoint() const = 0;

  protected:
    PickService() = default;
    PickService(const PickService&) = default;
    PickService& operator=(const PickService&) = default;
};

} // namespace cadhost
