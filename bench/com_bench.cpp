// One 2D Start_ACAD run over COM against the COM stand-in host in its own process, next to the
// same number of bare late-bound calls (GetIDsOfNames + Invoke on the raw IDispatch, no layer of
// ours) with the same look-up of the running object. The ratio is the cost of the transport's
// wrapping: value conversion, RAII owners and error mapping. Runs under Wine or on Windows.
#include "cad/com/com_running_objects.h"
#include "com_host_process.h"
#include "worked_run.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::wstring callLogPath()
{
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(GetTempPathW(MAX_PATH, folder.data()));
    return folder + L"quorvel-com-bench-" + std::to_wstring(GetCurrentProcessId()) + L".log";
}

std::size_t lineCount(const std::wstring& file)
{
    std::ifstream in{std::filesystem::path(file)};
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);) {
        ++count;
    }
    return count;
}

const std::wstring callLog = callLogPath();
// Invokes of one 2D run once the layers exist (every run after the first); set in main.
std::size_t callsPerRun = 0;

void StartAcad2DOverCom(benchmark::State& state)
{
    ComRunningObjects objects;
    timeWorkedRuns(state, objects);
    state.SetLabel("look-up + " + std::to_string(callsPerRun) + " calls");
}
// Real time: the work is mostly in the host process and in COM, not on this thread.
BENCHMARK(StartAcad2DOverCom)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same look-up, then ActiveDocument and GetVariable("OSMODE") up to the same call count.
void BareInvokeCalls(benchmark::State& state)
{
    ComRunningObjects apartment; // COM on this thread, as for the run
    BSTR variableName = SysAllocString(L"OSMODE");
    for (auto _ : state) {
        CLSID classId{};
        IUnknown* unknown = nullptr;
        IDispatch* application = nullptr;
        if (FAILED(CLSIDFromProgID(L"AutoCAD.Application", &classId)) ||
            FAILED(GetActiveObject(classId, nullptr, &unknown)) ||
            FAILED(
                unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&application)))) {
            state.SkipWithError("no host");
            break;
        }
        unknown->Release();
        const auto call = [](IDispatch* object, const wchar_t* member, WORD flags,
                             DISPPARAMS& parameters, VARIANT& result) {
            LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
            DISPID id = 0;
            object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
            return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, &result,
                                  nullptr, nullptr);
        };
        DISPPARAMS none{};
        VARIANT document;
        VariantInit(&document);
        call(application, L"ActiveDocument", DISPATCH_METHOD | DISPATCH_PROPERTYGET, none,
             document);
        VARIANT name;
        VariantInit(&name);
        name.vt = VT_BSTR;
        name.bstrVal = variableName;
        DISPPARAMS one{&name, nullptr, 1, 0};
        for (std::size_t i = 1; i < callsPerRun; ++i) {
            VARIANT value;
            VariantInit(&value);
            call(document.pdispVal, L"GetVariable", DISPATCH_METHOD, one, value);
            VariantClear(&value);
        }
        VariantClear(&document);
        application->Release();
    }
    SysFreeString(variableName);
    state.SetLabel("look-up + " + std::to_string(callsPerRun) + " calls");
}
BENCHMARK(BareInvokeCalls)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    ComRunningObjects objects;
    ComHostProcess host({L"--points", L"0,0", L"--repeat-points", L"--log", callLog});
    if (!ComHostProcess::running()) {
        std::fprintf(stderr, "com_bench: the COM stand-in host did not start\n");
        return 1;
    }
    {
        // Two runs: the first makes the layers; the second shows what every later run costs.
        SilentReporter reporter;
        LayerNames layers;
        QuorvelDraw draw(objects, reporter, layers);
        startWorked2D(draw);
        const std::size_t afterFirst = lineCount(callLog);
        startWorked2D(draw);
        callsPerRun = lineCount(callLog) - afterFirst;
    }
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    host.stop();
    DeleteFileW(callLog.c_str());
    return 0;
}
