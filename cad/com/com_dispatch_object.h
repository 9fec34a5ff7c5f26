#pragma once
// An object of the host reached through IDispatch: each call looks the member up by name
// (GetIDsOfNames) and invokes it, values and failures converted at the boundary.

#include "cad/automation.h"
#include "cad/com/com_apartment.h"
#include "cad/com/com_handles.h"

#include <oaidl.h>

#include <memory>

class ComDispatchObject : public AutomationObject {
  public:
    ComDispatchObject(ComPtr<IDispatch> dispatch, std::shared_ptr<ComApartment> apartment);

    // A property read is invoked as method-or-get, a call as a method, a write as a property put
    // of the single argument. Arguments go to COM in reverse order.
    Variant invoke(std::string_view member, InvokeKind kind,
                   const std::vector<Variant>& args) override;

    IDispatch* dispatch() const { return m_dispatch.get(); }
    const std::shared_ptr<ComApartment>& apartment() const { return m_apartment; }

  private:
    std::shared_ptr<ComApartment> m_apartment; // declared first: outlives the interface below
    ComPtr<IDispatch> m_dispatch;
    // A proxy to another process: its exceptions' deferred fill-in points into that process.
    bool m_remote;
};
