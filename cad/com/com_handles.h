#pragma once
// Owners for the COM resources the transport handles: interface pointers, BSTRs, VARIANTs and
// SAFEARRAYs. Each frees its resource exactly once, on every path, exceptions included.

#include <oaidl.h>
#include <oleauto.h>
#include <unknwn.h>

#include <utility>

// An owned reference to a COM interface (one AddRef'd count, released by the destructor).
template <class Interface> class ComPtr {
  public:
    ComPtr() = default;
    // Takes over a count the caller already owns (as returned by a COM call's out parameter).
    static ComPtr adopt(Interface* pointer)
    {
        ComPtr result;
        result.m_pointer = pointer;
        return result;
    }
    // Adds a count of its own to a pointer the caller only borrows.
    static ComPtr share(Interface* pointer)
    {
        if (pointer != nullptr) {
            pointer->AddRef();
        }
        return adopt(pointer);
    }
    ComPtr(const ComPtr& other) : m_pointer(other.m_pointer)
    {
        if (m_pointer != nullptr) {
            m_pointer->AddRef();
        }
    }
    ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_pointer, other.m_pointer);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset()
    {
        if (Interface* pointer = std::exchange(m_pointer, nullptr)) {
            pointer->Release();
        }
    }
    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }
    // For an out parameter: the old reference is released first.
    Interface** put()
    {
        reset();
        return &m_pointer;
    }
    // Gives the count away (for a VARIANT or an out parameter of our own).
    Interface* detach() { return std::exchange(m_pointer, nullptr); }

  private:
    Interface* m_pointer = nullptr;
};

// An owned BSTR.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(BSTR owned) : m_text(owned) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : m_text(std::exchange(other.m_text, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept
    {
        std::swap(m_text, other.m_text);
        return *this;
    }
    ~Bstr() { SysFreeString(m_text); }

    BSTR get() const { return m_text; }
    BSTR* put()
    {
        SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }
    BSTR detach() { return std::exchange(m_text, nullptr); }

  private:
    BSTR m_text = nullptr;
};

// An owned VARIANT, cleared (with whatever it holds) by the destructor.
class VariantValue {
  public:
    VariantValue() { VariantInit(&m_value); }
    VariantValue(const VariantValue&) = delete;
    VariantValue& operator=(const VariantValue&) = delete;
    VariantValue(VariantValue&& other) noexcept : m_value(other.m_value)
    {
        VariantInit(&other.m_value);
    }
    VariantValue& operator=(VariantValue&& other) noexcept
    {
        std::swap(m_value, other.m_value);
        return *this;
    }
    ~VariantValue() { VariantClear(&m_value); }

    VARIANT& get() { return m_value; }
    const VARIANT& get() const { return m_value; }
    // For an out parameter: the old value is cleared first.
    VARIANT* put()
    {
        VariantClear(&m_value);
        return &m_value;
    }

  private:
    VARIANT m_value;
};

// An owned SAFEARRAY, destroyed with its elements by the destructor.
class SafeArray {
  public:
    SafeArray() = default;
    explicit SafeArray(SAFEARRAY* owned) : m_array(owned) {}
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    SafeArray(SafeArray&& other) noexcept : m_array(std::exchange(other.m_array, nullptr)) {}
    ~SafeArray()
    {
        if (m_array != nullptr) {
            SafeArrayDestroy(m_array);
        }
    }

    SAFEARRAY* get() const { return m_array; }
    SAFEARRAY* detach() { return std::exchange(m_array, nullptr); }

  private:
    SAFEARRAY* m_array = nullptr;
};
