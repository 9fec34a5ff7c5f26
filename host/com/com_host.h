#pragma once
// The COM stand-in CAD host for tests: the shared object model served over IDispatch, one COM
// object per model path, in a single-threaded apartment.

#include "drawing/cad_drawing.h"
#include "host/objects/object_model.h"

#include <oaidl.h>

#include <map>
#include <optional>
#include <string>

namespace cadhost {

// How the host misbehaves for tests, on top of the object model's own failure injection.
struct ComHostFaults {
    std::optional<int> unknownNameAt; // the N-th call's name look-up fails (DISP_E_UNKNOWNNAME)
    std::optional<int> crashAt;       // the process ends inside the N-th call's Invoke
    bool deferredFillIn = false;      // exceptions carry a deferred fill-in of this process
    bool variantPoints = false;       // points go out as arrays of VARIANT
    bool dispatchArrays = false;      // arrays of objects go out as arrays of IDispatch
};

// What a host with a window adds to the calls it serves: a user who answers GetPoint, and a view
// that follows each call.
class ComHostListener {
  public:
    virtual ~ComHostListener() = default;
    // Waits (serving the window meanwhile) until the user picks a point or cancels, and gives
    // the model's reply to the waiting GetPoint.
    virtual InvokeResult awaitPick(const std::string& prompt) = 0;
    virtual void called() = 0;

  protected:
    ComHostListener() = default;
    ComHostListener(const ComHostListener&) = default;
    ComHostListener& operator=(const ComHostListener&) = default;
};

class ComHost {
  public:
    ComHost(ObjectModel& model, ComHostFaults faults);

    // Without a listener a GetPoint that would wait is cancelled at once, as by a user.
    void setListener(ComHostListener* listener) { m_listener = listener; }
    InvokeResult awaitPick(const std::string& prompt);
    void called() const;

    ObjectModel& model() { return m_model; }
    const ComHostFaults& faults() const { return m_faults; }

    ~ComHost();
    ComHost(const ComHost&) = delete;
    ComHost& operator=(const ComHost&) = delete;

    // A reference to the object at path, AddRef'd for the caller. One object per path, as a CAD
    // program keeps its document and collections: a caller asking again gets the same object.
    IDispatch* object(const std::string& path);
    // From now on callers get front (which forwards to the object) for the object at path.
    void serveThrough(const std::string& path, IDispatch* front);

    // Counts a call at its name look-up; true when this call's look-up must fail.
    bool beginCall();
    // Ends the process when the current call is the one to crash in.
    void crashIfDue() const;

  private:
    ObjectModel& m_model;
    ComHostFaults m_faults;
    int m_calls = 0;
    ComHostListener* m_listener = nullptr;
    std::map<std::string, IDispatch*> m_objects; // one reference each, held until the end
};

} // namespace cadhost
