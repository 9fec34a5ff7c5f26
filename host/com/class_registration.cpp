#include "host/com/class_registration.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace cadhost {

namespace {

// {AFF955DE-09D0-4C46-8E05-88F75FBF41E8}: the stand-in host's class.
const CLSID hostClassId = {
    0xaff955de, 0x09d0, 0x4c46, {0x8e, 0x05, 0x88, 0xf7, 0x5f, 0xbf, 0x41, 0xe8}};

std::wstring wideOf(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), size);
    return result;
}

} // namespace

CLSID hostClassIdFor(const std::string& className)
{
    std::string name = className;
    for (char& character : name) {
        character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    }
    CLSID classId = hostClassId;
    if (name == "autocad.application") {
        return classId;
    }
    // FNV-1a of the name, spread over the last eight bytes.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char character : name) {
        hash = (hash ^ static_cast<unsigned char>(character)) * 1099511628211ull;
    }
    for (unsigned char& byte : classId.Data4) {
        byte = static_cast<unsigned char>(byte ^ (hash & 0xff));
        hash >>= 8;
    }
    return classId;
}

std::wstring classIdText(const CLSID& classId)
{
    wchar_t text[40] = {};
    StringFromGUID2(classId, text, 40);
    return text;
}

namespace {

std::wstring keyOf(const std::wstring& className)
{
    return L"Software\\Classes\\" + className;
}

std::optional<std::wstring> readDefault(HKEY root, const std::wstring& key)
{
    wchar_t value[256] = {};
    DWORD bytes = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(value);
}

bool writeDefault(HKEY root, const std::wstring& key, const std::wstring& value)
{
    return RegSetKeyValueW(root, key.c_str(), nullptr, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

} // namespace

ClassRegistration::ClassRegistration(const std::string& className, IDispatch* application)
    : m_className(wideOf(className)), m_classId(hostClassIdFor(className))
{
    // Machine-wide where the user may (other processes under some COM implementations see only
    // that), else for the user alone, as Windows lets any user do.
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        if (registerIn(root)) {
            break;
        }
    }
    if (m_root == nullptr) {
        m_error = "cannot register " + className;
        return;
    }
    DWORD cookie = 0;
    const HRESULT status =
        RegisterActiveObject(application, m_classId, ACTIVEOBJECT_STRONG, &cookie);
    if (FAILED(status)) {
        char text[64];
        std::snprintf(text, sizeof(text), "RegisterActiveObject failed (0x%08lX)",
                      static_cast<unsigned long>(status));
        m_error = text;
        undoClassName();
        return;
    }
    m_cookie = cookie;
}

ClassRegistration::~ClassRegistration()
{
    if (!registered()) {
        return;
    }
    RevokeActiveObject(m_cookie, nullptr);
    undoClassName();
}

bool ClassRegistration::registerIn(HKEY root)
{
    const std::wstring classKey = keyOf(m_className);
    HKEY existing = nullptr;
    const bool created =
        RegOpenKeyExW(root, classKey.c_str(), 0, KEY_READ, &existing) != ERROR_SUCCESS;
    if (existing != nullptr) {
        RegCloseKey(existing);
    }
    const auto previous = readDefault(root, classKey + L"\\CLSID");
    if (!writeDefault(root, classKey + L"\\CLSID", classIdText(m_classId))) {
        return false;
    }
    m_root = root;
    m_createdKey = created;
    m_previousClassId = previous;
    return true;
}

void ClassRegistration::undoClassName()
{
    const std::wstring classKey = keyOf(m_className);
    if (m_createdKey) {
        RegDeleteTreeW(m_root, classKey.c_str());
        RegDeleteKeyW(m_root, classKey.c_str());
    } else if (m_previousClassId) {
        writeDefault(m_root, classKey + L"\\CLSID", *m_previousClassId);
    } else {
        RegDeleteKeyW(m_root, (classKey + L"\\CLSID").c_str());
    }
}

bool ClassRegistration::running(const std::string& className)
{
    CLSID registered{};
    IUnknown* object = nullptr;
    if (SUCCEEDED(CLSIDFromProgID(wideOf(className).c_str(), &registered)) &&
        SUCCEEDED(GetActiveObject(registered, nullptr, &object))) {
        object->Release();
        return true;
    }
    return false;
}

} // namespace cadhost
