#pragma once
// Which client process a call comes from, for the window host. Its calls are served on its one
// apartment thread, where the RPC runtime cannot tell the caller; it tells it only on the thread
// that receives a call in the multithreaded apartment. So an object whose calls must know their
// client (the Utility, whose GetPoint waits for the user) is handed out as a front in that
// apartment: the front records the client process of each call under the call's logical thread
// (COM's causality id, which a call forwarded to another apartment keeps) and forwards the call to
// the object itself.

#include <windows.h>

#include <oaidl.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct IGlobalInterfaceTable;

namespace cadhost {

class ClientFronts {
  public:
    // Keeps the multithreaded apartment for the fronts; call it from the host's apartment thread.
    ClientFronts();
    // Disconnects the fronts; a client still holding one gets RPC_E_DISCONNECTED from it.
    ~ClientFronts();
    ClientFronts(const ClientFronts&) = delete;
    ClientFronts& operator=(const ClientFronts&) = delete;

    // A front for object to hand to clients in its place, AddRef'd for the caller, usable in the
    // calling thread's apartment; null when none can be made.
    IDispatch* frontFor(IDispatch* object);

    // The process of the client whose call this thread serves, when the call came through a front
    // from another process.
    std::optional<DWORD> clientOfCurrentCall() const;

    // For the fronts: the call on this thread comes from process client until the scope ends.
    class CallScope {
      public:
        CallScope(ClientFronts& fronts, DWORD client);
        ~CallScope();
        CallScope(const CallScope&) = delete;
        CallScope& operator=(const CallScope&) = delete;

      private:
        ClientFronts& m_fronts;
        GUID m_call{};
        bool m_recorded = false;
    };
    // Where the fronts find the objects they stand for.
    IGlobalInterfaceTable* table() const { return m_table; }

  private:
    struct GuidLess {
        bool operator()(const GUID& a, const GUID& b) const;
    };

    IGlobalInterfaceTable* m_table = nullptr;
    std::vector<DWORD> m_cookies; // in the table: the objects and their fronts
    std::thread m_apartment;      // keeps the multithreaded apartment while the fronts live
    std::mutex m_stateMutex;
    std::condition_variable m_state;
    bool m_joined = false; // the thread is in the apartment
    bool m_stop = false;
    mutable std::mutex m_mutex;
    std::map<GUID, DWORD, GuidLess> m_clients; // by the calls' logical threads
};

} // namespace cadhost
