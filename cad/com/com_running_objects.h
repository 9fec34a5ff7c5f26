#pragma once
// The running-object look-up on COM: a class name (ProgID) to its registered class, then the
// instance that class has in the running object table. Nothing is started.

#include "cad/automation.h"
#include "cad/com/com_apartment.h"

#include <memory>

class ComRunningObjects : public RunningObjects {
  public:
    // Initialises COM on the calling thread, which must be the one that makes the calls.
    ComRunningObjects();
    // Throws EOleSysError with the failing status: an unknown class name (CO_E_CLASSSTRING),
    // none running (MK_E_UNAVAILABLE), or an object without IDispatch (E_NOINTERFACE).
    OleObject getActiveObject(std::string_view className) override;

  private:
    std::shared_ptr<ComApartment> m_apartment;
};
