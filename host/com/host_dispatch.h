#pragma once
// One object of the stand-in host's model (by its path) as a COM IDispatch.

#include <oaidl.h>

#include <string>

namespace cadhost {

class ComHost;

// Asked with QueryInterface, this host's objects answer with themselves, so that an object the
// caller hands back (ActiveLayer := layer) is known by its path.
extern const IID IID_IHostObject;

class HostDispatch : public IDispatch {
  public:
    HostDispatch(ComHost& host, std::string path);
    virtual ~HostDispatch() = default;
    HostDispatch(const HostDispatch&) = delete;
    HostDispatch& operator=(const HostDispatch&) = delete;

    const std::string& path() const { return m_path; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    // Member names as the object's kind has them, ignoring case as COM names are.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

  private:
    ComHost& m_host;
    std::string m_path;
    ULONG m_references = 1;
};

} // namespace cadhost
