// The COM transport against an IDispatch in this process: what it sends to Invoke, how it reads
// each kind of result, how each failure status maps to the three error kinds, and that it gives
// back every reference it takes.
#include "cad/com/com_apartment.h"
#include "cad/com/com_dispatch_object.h"
#include "cad/com/com_running_objects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// Records the calls it gets and answers with what the test sets.
class FakeDispatch : public IDispatch {
  public:
    ~FakeDispatch() { clearArguments(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; } // owned by the test
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                            DISPID* ids) override
    {
        name = names[0];
        *ids = 7;
        return nameStatus;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD wFlags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override
    {
        flags = wFlags;
        clearArguments();
        for (UINT i = 0; i < parameters->cArgs; ++i) {
            VARIANT copy;
            VariantInit(&copy);
            VariantCopy(&copy, &parameters->rgvarg[i]);
            arguments.push_back(copy);
        }
        namedArguments.assign(parameters->rgdispidNamedArgs,
                              parameters->rgdispidNamedArgs + parameters->cNamedArgs);
        if (FAILED(invokeStatus)) {
            if (fillException) {
                fillException(*exception);
            }
            return invokeStatus;
        }
        if (result != nullptr) {
            VariantCopy(result, &answer);
        }
        return S_OK;
    }

    void clearArguments()
    {
        for (VARIANT& argument : arguments) {
            VariantClear(&argument);
        }
        arguments.clear();
    }

    ULONG references = 1;
    std::wstring name;
    WORD flags = 0;
    std::vector<VARIANT> arguments; // as COM passes them: last to first
    std::vector<DISPID> namedArguments;
    HRESULT nameStatus = S_OK;
    HRESULT invokeStatus = S_OK;
    std::function<void(EXCEPINFO&)> fillException;
    VARIANT answer{};
};

class ComTransport : public ::testing::Test {
  protected:
    ComTransport() : apartment(ComApartment::ofThisThread())
    {
        fake.AddRef();
        object = OleObject(
            std::make_shared<ComDispatchObject>(ComPtr<IDispatch>::adopt(&fake), apartment));
    }
    ~ComTransport() override { VariantClear(&fake.answer); }

    std::shared_ptr<ComApartment> apartment;
    FakeDispatch fake;
    OleObject object;
};

std::wstring textOf(const VARIANT& value)
{
    return value.vt == VT_BSTR ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal))
                               : L"<not a BSTR>";
}

SAFEARRAY* arrayOf(VARTYPE type, LONG lowerBound, const std::vector<double>& numbers)
{
    SAFEARRAYBOUND bound{static_cast<ULONG>(numbers.size()), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(type, 1, &bound);
    for (LONG i = 0; i < static_cast<LONG>(numbers.size()); ++i) {
        LONG index = lowerBound + i;
        if (type == VT_R8) {
            double number = numbers[static_cast<std::size_t>(i)];
            SafeArrayPutElement(array, &index, &number);
        } else {
            VARIANT item;
            VariantInit(&item);
            item.vt = VT_I4;
            item.lVal = static_cast<LONG>(numbers[static_cast<std::size_t>(i)]);
            SafeArrayPutElement(array, &index, &item);
        }
    }
    return array;
}

} // namespace

TEST_F(ComTransport, SendsKindsAndArgumentsAsCOMWantsThem)
{
    object.get("ActiveDocument");
    EXPECT_EQ(fake.name, L"ActiveDocument");
    EXPECT_EQ(fake.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_TRUE(fake.arguments.empty());
    EXPECT_TRUE(fake.namedArguments.empty());

    object.call("GetPoint", {Variant(), "Точка: "});
    EXPECT_EQ(fake.flags, DISPATCH_METHOD);
    ASSERT_EQ(fake.arguments.size(), 2u);
    EXPECT_EQ(textOf(fake.arguments[0]), L"Точка: "); // the last argument comes first
    EXPECT_EQ(fake.arguments[1].vt, VT_ERROR);        // left out
    EXPECT_EQ(fake.arguments[1].scode, DISP_E_PARAMNOTFOUND);

    object.call("PolarPoint", {Point{1.5, -2, 3}, 1.25, std::int32_t{7}});
    ASSERT_EQ(fake.arguments.size(), 3u);
    EXPECT_EQ(fake.arguments[0].vt, VT_I4);
    EXPECT_EQ(fake.arguments[0].lVal, 7);
    EXPECT_EQ(fake.arguments[1].vt, VT_R8);
    EXPECT_EQ(fake.arguments[1].dblVal, 1.25);
    ASSERT_EQ(fake.arguments[2].vt, VT_ARRAY | VT_R8);
    LONG lower = -1, upper = -1;
    SafeArrayGetLBound(fake.arguments[2].parray, 1, &lower);
    SafeArrayGetUBound(fake.arguments[2].parray, 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 2);
    for (LONG i = 0; i < 3; ++i) {
        double element = 0;
        SafeArrayGetElement(fake.arguments[2].parray, &i, &element);
        EXPECT_EQ(element, (Point{1.5, -2, 3})[static_cast<std::size_t>(i)]);
    }

    object.put("Visible", true);
    EXPECT_EQ(fake.flags, DISPATCH_PROPERTYPUT);
    ASSERT_EQ(fake.arguments.size(), 1u);
    EXPECT_EQ(fake.arguments[0].vt, VT_BOOL);
    EXPECT_EQ(fake.arguments[0].boolVal, VARIANT_TRUE);
    EXPECT_EQ(fake.namedArguments, std::vector<DISPID>{DISPID_PROPERTYPUT});
}

TEST_F(ComTransport, ReadsEveryKindOfResult)
{
    const auto answer = [&](VARTYPE type, auto set) {
        VariantClear(&fake.answer);
        fake.answer.vt = type;
        set(fake.answer);
        return object.get("X");
    };
    EXPECT_TRUE(answer(VT_EMPTY, [](VARIANT&) {}).isEmpty());
    EXPECT_EQ(answer(VT_I2, [](VARIANT& v) { v.iVal = -4133; }).toInt32(), -4133);
    EXPECT_EQ(answer(VT_UI1, [](VARIANT& v) { v.bVal = 200; }).toInt32(), 200);
    EXPECT_EQ(answer(VT_I8, [](VARIANT& v) { v.llVal = 70000; }).toInt32(), 70000);
    EXPECT_EQ(answer(VT_UI4, [](VARIANT& v) { v.ulVal = 4000000000u; }).toDouble(), 4e9);
    EXPECT_EQ(answer(VT_R8, [](VARIANT& v) { v.dblVal = 4133.0; }).toInt32(), 4133);
    const Variant flag = answer(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; });
    ASSERT_TRUE(std::holds_alternative<bool>(flag.value()));
    EXPECT_TRUE(std::get<bool>(flag.value()));
    EXPECT_EQ(answer(VT_BSTR, [](VARIANT& v) { v.bstrVal = SysAllocString(L"Слой 0"); }).toString(),
              "Слой 0");
    EXPECT_EQ(answer(VT_BSTR, [](VARIANT& v) { v.bstrVal = nullptr; }).toString(), "");
    EXPECT_EQ(answer(VT_ARRAY | VT_R8,
                     [](VARIANT& v) {
                         v.parray = arrayOf(VT_R8, 0, {0.5, 0.25, -1});
                     })
                  .toPoint(),
              (Point{0.5, 0.25, -1}));
    EXPECT_EQ(answer(VT_ARRAY | VT_VARIANT,
                     [](VARIANT& v) {
                         v.parray = arrayOf(VT_VARIANT, 1, {10, 20, 30});
                     })
                  .toPoint(),
              (Point{10, 20, 30}));

    const struct {
        const char* label;
        VARTYPE type;
        std::function<void(VARIANT&)> set;
    } refused[] = {
        {"a date", VT_DATE, [](VARIANT& v) { v.date = 1.0; }},
        {"two elements", VT_ARRAY | VT_R8,
         [](VARIANT& v) {
             v.parray = arrayOf(VT_R8, 0, {1, 2});
         }},
        {"an error value", VT_ERROR, [](VARIANT& v) { v.scode = E_FAIL; }},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.label);
        try {
            answer(row.type, row.set);
            ADD_FAILURE() << "accepted";
        } catch (const EOleSysError& error) {
            EXPECT_EQ(error.status(), static_cast<std::int32_t>(DISP_E_TYPEMISMATCH));
        }
    }
}

TEST_F(ComTransport, EachFailureStatusHasItsKind)
{
    fake.nameStatus = DISP_E_UNKNOWNNAME;
    try {
        object.get("Nope");
        ADD_FAILURE() << "no failure";
    } catch (const EOleSysError&) {
        ADD_FAILURE() << "an unknown name is EOleError, not EOleSysError";
    } catch (const EOleError&) {
    }

    fake.nameStatus = E_OUTOFMEMORY;
    try {
        object.get("X");
        ADD_FAILURE() << "no failure";
    } catch (const EOleException&) {
        ADD_FAILURE() << "not the host's exception";
    } catch (const EOleSysError& error) {
        EXPECT_EQ(error.status(), static_cast<std::int32_t>(E_OUTOFMEMORY));
    }

    fake.nameStatus = S_OK;
    fake.invokeStatus = RPC_E_DISCONNECTED;
    try {
        object.call("SendCommand", {"x"});
        ADD_FAILURE() << "no failure";
    } catch (const EOleException&) {
        ADD_FAILURE() << "not the host's exception";
    } catch (const EOleSysError& error) {
        EXPECT_EQ(error.status(), static_cast<std::int32_t>(RPC_E_DISCONNECTED));
    }

    const struct {
        const char* label;
        std::function<void(EXCEPINFO&)> fill;
        std::string description;
        std::int32_t status;
    } exceptions[] = {
        {"fields at once",
         [](EXCEPINFO& e) {
             e.bstrDescription = SysAllocString(L"Неверная точка");
             e.bstrSource = SysAllocString(L"AutoCAD.Application");
             e.bstrHelpFile = SysAllocString(L"acad.hlp");
             e.dwHelpContext = 42;
             e.scode = E_INVALIDARG;
         },
         "Неверная точка", static_cast<std::int32_t>(E_INVALIDARG)},
        {"a 16-bit code", [](EXCEPINFO& e) { e.wCode = 1001; }, "", 1001},
        {"no code", [](EXCEPINFO&) {}, "", static_cast<std::int32_t>(DISP_E_EXCEPTION)},
        {"fields by a deferred fill-in in this process",
         [](EXCEPINFO& e) {
             e.pfnDeferredFillIn = [](EXCEPINFO* later) -> HRESULT {
                 later->bstrDescription = SysAllocString(L"later");
                 later->scode = E_ABORT;
                 return S_OK;
             };
         },
         "later", static_cast<std::int32_t>(E_ABORT)},
    };
    fake.invokeStatus = DISP_E_EXCEPTION;
    for (const auto& row : exceptions) {
        SCOPED_TRACE(row.label);
        fake.fillException = row.fill;
        try {
            object.call("GetPoint", {});
            ADD_FAILURE() << "no failure";
        } catch (const EOleException& error) {
            EXPECT_EQ(error.description(), row.description);
            EXPECT_EQ(error.status(), row.status);
            if (row.description == "Неверная точка") {
                EXPECT_EQ(error.source(), "AutoCAD.Application");
                EXPECT_EQ(error.helpFile(), "acad.hlp");
                EXPECT_EQ(error.helpContext(), 42);
            }
        }
    }
}

TEST_F(ComTransport, EveryReferenceTakenIsGivenBack)
{
    fake.answer.vt = VT_DISPATCH;
    fake.answer.pdispVal = &fake;
    fake.AddRef(); // held by the answer
    const ULONG before = fake.references;
    {
        const OleObject same = object.get("Self").toObject();
        same.put("ActiveLayer", same); // an object as an argument
        fake.clearArguments();
        same.call("Item", {std::int32_t{1}, "x", Point{1, 2, 3}});
        fake.invokeStatus = DISP_E_EXCEPTION;
        fake.fillException = [](EXCEPINFO& e) { e.bstrDescription = SysAllocString(L"x"); };
        EXPECT_THROW(same.call("Fail", {same}), EOleException);
        fake.invokeStatus = S_OK;
        fake.clearArguments();
    }
    EXPECT_EQ(fake.references, before);
    object.release();
    EXPECT_EQ(fake.references, before - 1);
}

// The object model's arrays: objects go as a SAFEARRAY of VARIANTs holding IDispatch, doubles as
// one of VT_R8; an array of objects comes back either as VARIANTs or as IDispatch, as hosts differ;
// every reference the arrays took is given back.
TEST_F(ComTransport, ArraysOfObjectsAndOfDoublesTravelAsTheObjectModelHasThem)
{
    const ULONG before = fake.references;
    {
        object.call("AddRegion", {Objects{object, object}});
        ASSERT_EQ(fake.arguments.size(), 1u);
        const VARIANT& sent = fake.arguments[0];
        ASSERT_EQ(sent.vt, VT_ARRAY | VT_VARIANT);
        LONG upper = -1;
        SafeArrayGetUBound(sent.parray, 1, &upper);
        EXPECT_EQ(upper, 1);
        for (LONG i = 0; i <= upper; ++i) {
            VARIANT item;
            VariantInit(&item);
            SafeArrayGetElement(sent.parray, &i, &item);
            EXPECT_EQ(item.vt, VT_DISPATCH);
            EXPECT_EQ(item.pdispVal, static_cast<IDispatch*>(&fake));
            VariantClear(&item);
        }
        object.call("AddLightWeightPolyline", {Doubles{0, 0, 4, 0.5}});
        ASSERT_EQ(fake.arguments.size(), 1u);
        ASSERT_EQ(fake.arguments[0].vt, VT_ARRAY | VT_R8);
        LONG last = 3;
        double number = 0;
        SafeArrayGetElement(fake.arguments[0].parray, &last, &number);
        EXPECT_EQ(number, 0.5);
        fake.clearArguments();

        for (const VARTYPE type : {VARTYPE(VT_VARIANT), VARTYPE(VT_DISPATCH)}) {
            SCOPED_TRACE(type == VT_VARIANT ? "VARIANTs" : "IDispatch");
            VariantClear(&fake.answer);
            SAFEARRAYBOUND bound{2, 1};
            SAFEARRAY* array = SafeArrayCreate(type, 1, &bound);
            for (LONG index = 1; index <= 2; ++index) {
                if (type == VT_VARIANT) {
                    VARIANT item;
                    VariantInit(&item);
                    item.vt = VT_DISPATCH;
                    item.pdispVal = &fake; // borrowed: the array takes a reference of its own
                    SafeArrayPutElement(array, &index, &item);
                } else {
                    SafeArrayPutElement(array, &index, static_cast<IDispatch*>(&fake));
                }
            }
            fake.answer.vt = VT_ARRAY | type;
            fake.answer.parray = array;
            const Objects regions = object.call("AddRegion", {}).toObjects();
            ASSERT_EQ(regions.size(), 2u);
            fake.answer.vt = VT_I4; // the array is freed below; the name is answered with 7
            SafeArrayDestroy(array);
            fake.answer.lVal = 7;
            EXPECT_EQ(regions[1].get("Count").toInt32(), 7);
        }
    }
    EXPECT_EQ(fake.references, before);
}

// Extended data as the object model's reference has it: the type codes an array of VT_I2, the
// values VARIANTs with group 1070 as VT_I2 and an empty text as an empty BSTR, never a null one
// (AddAttribute's empty POS goes so too). Read back, the codes of any integer array are taken.
TEST_F(ComTransport, ExtendedDataTravelsInItsOwnTypes)
{
    object.call("SetXData", {Shorts{1001, 1070}, Variants{"QUORVEL", std::int16_t{1}, ""}});
    ASSERT_EQ(fake.arguments.size(), 2u);
    const VARIANT& codes = fake.arguments[1];
    ASSERT_EQ(codes.vt, VT_ARRAY | VT_I2);
    LONG second = 1;
    SHORT code = 0;
    SafeArrayGetElement(codes.parray, &second, &code);
    EXPECT_EQ(code, 1070);
    const VARIANT& values = fake.arguments[0];
    ASSERT_EQ(values.vt, VT_ARRAY | VT_VARIANT);
    VARIANT item;
    VariantInit(&item);
    SafeArrayGetElement(values.parray, &second, &item);
    EXPECT_EQ(item.vt, VT_I2);
    EXPECT_EQ(item.iVal, 1);
    VariantClear(&item);
    LONG third = 2;
    SafeArrayGetElement(values.parray, &third, &item);
    ASSERT_EQ(item.vt, VT_BSTR);
    EXPECT_NE(item.bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(item.bstrVal), 0u);
    VariantClear(&item);

    VariantClear(&fake.answer);
    fake.answer.vt = VT_ARRAY | VT_I4;
    fake.answer.parray = SafeArrayCreateVector(VT_I4, 0, 2);
    for (LONG index = 0; index < 2; ++index) {
        LONG number = index == 0 ? 1001 : 1070;
        SafeArrayPutElement(fake.answer.parray, &index, &number);
    }
    const Variants read = object.call("GetXData", {}).toVariants();
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].toInt32(), 1070);
    VariantClear(&fake.answer);
    fake.answer.vt = VT_I2;
    fake.answer.iVal = 1;
    EXPECT_TRUE(std::holds_alternative<std::int16_t>(object.call("GetXData", {}).value()));
}

TEST(ComApartment, InitialisedOnceForAllTransportsOfTheThread)
{
    const auto first = ComApartment::ofThisThread();
    ComRunningObjects objects;
    const auto second = ComApartment::ofThisThread();
    EXPECT_EQ(first, second);
    // COM is up on this thread: an apartment-threaded initialisation now only adds a count.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
}
