#include "host/com/host_dispatch.h"

#include "host/com/com_host.h"
#include "host/com/host_variant.h"
#include "cad/com/com_value.h"

#include <windows.h>

#include <oleauto.h>

#include <array>
#include <cwctype>
#include <span>
#include <string_view>
#include <vector>

namespace cadhost {

// {293D7378-EE9A-4B10-93DE-C42ECFD6F012}
const IID IID_IHostObject = {
    0x293d7378, 0xee9a, 0x4b10, {0x93, 0xde, 0xc4, 0x2e, 0xcf, 0xd6, 0xf0, 0x12}};

namespace {

constexpr std::array<std::string_view, 2> applicationMembers{"ActiveDocument", "Visible"};
constexpr std::array<std::string_view, 14> documentMembers{
    "GetVariable",    "SetVariable", "SendCommand",
    "Utility",        "Layers",      "ActiveLayer",
    "ModelSpace",     "Blocks",      "RegisteredApplications",
    "HandleToObject", "Name",        "Path",
    "SelectionSets",  "CopyObjects"};
constexpr std::array<std::string_view, 3> utilityMembers{"GetPoint", "PolarPoint", "GetEntity"};
constexpr std::array<std::string_view, 3> layersMembers{"Count", "Item", "Add"};
constexpr std::array<std::string_view, 2> layerMembers{"name", "color"};
constexpr std::array<std::string_view, 8> modelSpaceMembers{"AddLightWeightPolyline",
                                                            "AddRegion",
                                                            "AddRevolvedSolid",
                                                            "InsertBlock",
                                                            "AddLine",
                                                            "AddText",
                                                            "Count",
                                                            "Item"};
// Every entity's members, a block reference's and a text's among them (the model refuses what a
// kind lacks).
constexpr std::array<std::string_view, 15> entityMembers{
    "Closed",   "Layer",    "Delete",    "InsertionPoint", "Name",       "Handle", "GetAttributes",
    "SetXData", "GetXData", "TagString", "ObjectName",     "TextString", "Height", "Rotation",
    "Volume"};
constexpr std::array<std::string_view, 3> blocksMembers{"Count", "Item", "Add"};
constexpr std::array<std::string_view, 10> blockMembers{
    "Name",    "AddLine", "AddAttribute", "Delete",          "AddLightWeightPolyline",
    "AddText", "Count",   "Item",         "AddRegion",       "AddRevolvedSolid"};
constexpr std::array<std::string_view, 2> attributeMembers{"TagString", "TextString"};
constexpr std::array<std::string_view, 3> applicationsMembers{"Count", "Item", "Add"};
constexpr std::array<std::string_view, 3> selectionSetsMembers{"Count", "Item", "Add"};
constexpr std::array<std::string_view, 6> selectionSetMembers{"Name",   "Count", "Item",
                                                              "Select", "Clear", "Delete"};

// The members whose results come back through by-reference arguments (docs/design-notes.md).
bool hasOutParameters(std::string_view member)
{
    return member == "GetEntity" || member == "GetXData";
}

// The members an object of that path has; DISPIDs are their positions from 1.
std::span<const std::string_view> membersOf(const std::string& path)
{
    if (path == "/Application") {
        return applicationMembers;
    }
    if (path == "/Document") {
        return documentMembers;
    }
    if (path == "/Utility") {
        return utilityMembers;
    }
    if (path == "/Layers") {
        return layersMembers;
    }
    if (path == "/ModelSpace") {
        return modelSpaceMembers;
    }
    if (path.rfind("/Entities/", 0) == 0) {
        return entityMembers;
    }
    if (path == "/Blocks") {
        return blocksMembers;
    }
    if (path.rfind("/Blocks/", 0) == 0) {
        return blockMembers;
    }
    if (path.rfind("/Attributes/", 0) == 0) {
        return attributeMembers;
    }
    if (path == "/RegisteredApplications") {
        return applicationsMembers;
    }
    if (path == "/SelectionSets") {
        return selectionSetsMembers;
    }
    if (path.rfind("/SelectionSets/", 0) == 0) {
        return selectionSetMembers;
    }
    return layerMembers; // "/Layers/<n>"
}

bool sameNameIgnoringCase(const wchar_t* wide, std::string_view name)
{
    std::size_t i = 0;
    for (; wide[i] != L'\0'; ++i) {
        if (i == name.size() ||
            std::towlower(wide[i]) != std::towlower(static_cast<wchar_t>(name[i]))) {
            return false;
        }
    }
    return i == name.size();
}

HRESULT statusOf(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::Exception:
        return DISP_E_EXCEPTION;
    case ErrorKind::UnknownName:
        return DISP_E_UNKNOWNNAME;
    case ErrorKind::MemberNotFound:
        return DISP_E_MEMBERNOTFOUND;
    case ErrorKind::BadParamCount:
        return DISP_E_BADPARAMCOUNT;
    case ErrorKind::TypeMismatch:
        return DISP_E_TYPEMISMATCH;
    case ErrorKind::Failed:
        break;
    }
    return E_FAIL;
}

// Fills in nothing more: the fields are set before the call returns. A caller in another process
// must never run this pointer; one that does crashes there, which the tests would show.
HRESULT STDMETHODCALLTYPE deferredFillIn(EXCEPINFO*)
{
    return S_OK;
}

void fillException(EXCEPINFO* exception, const std::string& text, bool withDeferredFillIn)
{
    if (exception == nullptr) {
        return;
    }
    *exception = EXCEPINFO{};
    exception->bstrDescription = bstrOf(text);
    exception->bstrSource = SysAllocString(L"AutoCAD.Application");
    exception->scode = E_FAIL;
    if (withDeferredFillIn) {
        exception->pfnDeferredFillIn = deferredFillIn;
    }
}

} // namespace

HostDispatch::HostDispatch(ComHost& host, std::string path) : m_host(host), m_path(std::move(path))
{
}

HRESULT STDMETHODCALLTYPE HostDispatch::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID_IHostObject)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE HostDispatch::AddRef()
{
    return ++m_references;
}

ULONG STDMETHODCALLTYPE HostDispatch::Release()
{
    const ULONG left = --m_references;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT STDMETHODCALLTYPE HostDispatch::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE HostDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info != nullptr) {
        *info = nullptr;
    }
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE HostDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                      DISPID* ids)
{
    if (names == nullptr || ids == nullptr || count == 0) {
        return E_INVALIDARG;
    }
    if (m_host.beginCall()) {
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT status = S_OK;
    const auto members = membersOf(m_path);
    ids[0] = DISPID_UNKNOWN;
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (sameNameIgnoringCase(names[0], members[i])) {
            ids[0] = static_cast<DISPID>(i + 1);
        }
    }
    if (ids[0] == DISPID_UNKNOWN) {
        status = DISP_E_UNKNOWNNAME;
    }
    for (UINT i = 1; i < count; ++i) { // no member takes named arguments
        ids[i] = DISPID_UNKNOWN;
        status = DISP_E_UNKNOWNNAME;
    }
    return status;
}

HRESULT STDMETHODCALLTYPE HostDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags,
                                               DISPPARAMS* parameters, VARIANT* result,
                                               EXCEPINFO* exception, UINT*)
{
    const auto members = membersOf(m_path);
    if (id < 1 || static_cast<std::size_t>(id) > members.size()) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (parameters == nullptr) {
        return E_INVALIDARG;
    }
    m_host.crashIfDue();
    // A property put names its value DISPID_PROPERTYPUT; no member takes other named arguments.
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (parameters->cNamedArgs > 1 ||
        (parameters->cNamedArgs == 1 &&
         (!put || parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))) {
        return DISP_E_NONAMEDARGS;
    }
    std::vector<HostValue> args;
    for (UINT i = parameters->cArgs; i > 0; --i) { // COM passes them last to first
        args.push_back(fromVariant(parameters->rgvarg[i - 1]));
    }
    const std::int32_t kind = put ? DISPATCH_PROPERTYPUT : (flags & 3);
    const std::string_view member = members[static_cast<std::size_t>(id - 1)];
    InvokeResult outcome = m_host.model().invoke(m_path, std::string(member), kind, args);
    if (outcome.status == InvokeResult::Status::AwaitingPick) {
        outcome = m_host.awaitPick(outcome.prompt);
    }
    m_host.called();
    if (outcome.status == InvokeResult::Status::Failed) {
        const HRESULT status = statusOf(outcome.error.kind);
        if (status == DISP_E_EXCEPTION) {
            fillException(exception, outcome.error.text, m_host.faults().deferredFillIn);
        }
        return status;
    }
    if (hasOutParameters(member)) {
        // The model gives the out values as its result, in the order of their places; COM hands
        // them back through the caller's by-reference arguments.
        const auto* items = std::get_if<std::vector<HostItem>>(&outcome.value);
        std::size_t next = 0;
        for (UINT i = parameters->cArgs; i > 0; --i) {
            VARIANT& place = parameters->rgvarg[i - 1];
            if ((place.vt & VT_BYREF) == 0 || items == nullptr || next == items->size()) {
                continue;
            }
            VARIANT value;
            const HRESULT status = toVariant(itemValue((*items)[next++]), m_host, value);
            if (FAILED(status)) {
                return status;
            }
            if (place.vt == (VT_BYREF | VT_VARIANT)) {
                VariantClear(place.pvarVal);
                *place.pvarVal = value; // the caller owns it now
            } else {
                VariantClear(&value);
                return DISP_E_TYPEMISMATCH;
            }
        }
        return S_OK;
    }
    if (result == nullptr) {
        return S_OK;
    }
    return toVariant(outcome.value, m_host, *result);
}

} // namespace cadhost
