#pragma once
// Whether an object of a class name is in the running object table (the calling thread has COM):
// how the tests see that a COM host serves that name.

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <string>

inline bool comObjectRunning(const std::wstring& className)
{
    CLSID classId{};
    IUnknown* object = nullptr;
    if (FAILED(CLSIDFromProgID(className.c_str(), &classId)) ||
        FAILED(GetActiveObject(classId, nullptr, &object))) {
        return false;
    }
    object->Release();
    return true;
}
