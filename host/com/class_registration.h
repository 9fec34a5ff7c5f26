#pragma once
// Makes the stand-in host reachable by class name while it runs: the class name registered for
// the host's class id (machine-wide where allowed, else for the user), and the Application object
// in the running object table. Both are
// undone when the registration ends, and a class name that was registered before (the real CAD
// program installed on the same machine) gets its own class id back.

#include <windows.h>

#include <oaidl.h>

#include <optional>
#include <string>

namespace cadhost {

// The class id the stand-in host serves under className: its own fixed one for
// AutoCAD.Application, and one made from the name (ignoring case, as class names are looked up)
// for any other, so that hosts under two class names are two classes, as two CAD programs are,
// and a look-up by one name never finds the other.
CLSID hostClassIdFor(const std::string& className);
std::wstring classIdText(const CLSID& classId);

class ClassRegistration {
  public:
    // Registers and publishes application (the table takes its own reference). On failure says
    // why in error() and leaves nothing registered.
    ClassRegistration(const std::string& className, IDispatch* application);
    ~ClassRegistration();
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;

    bool registered() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }

    // True when an object of that class name is in the running object table now.
    static bool running(const std::string& className);

  private:
    bool registerIn(HKEY root);
    void undoClassName();

    std::wstring m_className;
    CLSID m_classId;
    HKEY m_root = nullptr;
    std::optional<std::wstring> m_previousClassId; // the value replaced, if any
    bool m_createdKey = false;
    unsigned long m_cookie = 0;
    std::string m_error;
};

} // namespace cadhost
