// The version resource, the icon and the application manifest of each Windows program of the
// build, read back the way a file's properties, Explorer and the program loader read them. The
// programs lie in the working folder; their names come from the build (RESOURCE_PROGRAMS,
// separated by commas). With the setup built (SETUP_PROGRAM), its version resource too.
#include "cad/com/wide_text.h"
#include "ui/quorvel_version.h"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct VersionResource {
    std::map<std::wstring, std::wstring> texts; // StringFileInfo of the first translation
    DWORD fileVersionMS = 0;
    DWORD fileVersionLS = 0;
    DWORD productVersionMS = 0;
    DWORD productVersionLS = 0;
};

std::optional<VersionResource> readVersionResource(const std::wstring& file)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) {
        return std::nullopt;
    }
    VersionResource resource;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    resource.fileVersionMS = fixed->dwFileVersionMS;
    resource.fileVersionLS = fixed->dwFileVersionLS;
    resource.productVersionMS = fixed->dwProductVersionMS;
    resource.productVersionLS = fixed->dwProductVersionLS;

    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof(Translation)) {
        return resource;
    }
    wchar_t block[64];
    std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
                  translation->codePage);
    for (const wchar_t* name :
         {L"ProductName", L"ProductVersion", L"FileVersion", L"FileDescription",
          L"OriginalFilename", L"CompanyName", L"LegalCopyright"}) {
        wchar_t* value = nullptr;
        if (VerQueryValueW(data.data(), (block + std::wstring(name)).c_str(),
                           reinterpret_cast<void**>(&value), &length) &&
            value != nullptr) {
            resource.texts[name] = value;
        }
    }
    return resource;
}

// A program's resources, loaded as data.
class Resources {
  public:
    explicit Resources(const std::wstring& file)
        : m_module(LoadLibraryExW(file.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ~Resources()
    {
        if (m_module != nullptr) {
            FreeLibrary(m_module);
        }
    }
    Resources(const Resources&) = delete;
    Resources& operator=(const Resources&) = delete;

    // The bytes of resource 1 of type, empty when missing.
    std::string first(LPCWSTR type) const
    {
        HRSRC found = m_module ? FindResourceW(m_module, MAKEINTRESOURCEW(1), type) : nullptr;
        HGLOBAL loaded = found ? LoadResource(m_module, found) : nullptr;
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (data == nullptr) {
            return {};
        }
        return std::string(static_cast<const char*>(data), SizeofResource(m_module, found));
    }

  private:
    HMODULE m_module;
};

// The sizes of the icon's layers in pixels (a 256-pixel layer is stored as width 0).
std::vector<int> iconSizes(const Resources& resources)
{
    const std::string group = resources.first(MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    std::vector<int> sizes;
    if (group.size() < 6) {
        return sizes;
    }
    // GRPICONDIR: reserved, type, count (16 bits each), then 14 bytes per layer, width first.
    const int count = static_cast<unsigned char>(group[4]) | static_cast<unsigned char>(group[5])
                                                                 << 8;
    for (int entry = 0; entry < count && 6 + 14 * (entry + 1) <= static_cast<int>(group.size());
         ++entry) {
        const int width = static_cast<unsigned char>(group[6 + 14 * entry]);
        sizes.push_back(width == 0 ? 256 : width);
    }
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

std::vector<std::string> resourcePrograms()
{
    std::vector<std::string> names;
    std::istringstream list(RESOURCE_PROGRAMS);
    for (std::string name; std::getline(list, name, ',');) {
        names.push_back(name);
    }
    return names;
}

// The four numbers of the fixed part as text.
std::wstring numbers(DWORD high, DWORD low)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low));
    return text;
}

} // namespace

TEST(VersionResource, EachProgramCarriesTheProjectsVersionItsDescriptionAndTheIcon)
{
    const std::map<std::string, std::wstring> descriptions = {
        {"quorvel", L"Шпильки резьбовые"},
        {"quorvel-cadhost", L"Quorvel stand-in CAD host"},
        {"quorvel-cadhost-com", L"Quorvel stand-in CAD host for tests (console)"},
        {"quorvel-export", L"Quorvel stud library exporter"},
    };
    const std::wstring version = toWide(quorvelVersion);
    std::wstring fourNumbers = version; // the fixed part's numbers: the missing ones are 0
    while (std::count(fourNumbers.begin(), fourNumbers.end(), L'.') < 3) {
        fourNumbers += L".0";
    }
    const std::vector<std::string> programs = resourcePrograms();
    ASSERT_FALSE(programs.empty());
    for (const std::string& program : programs) {
        SCOPED_TRACE(program);
        const std::wstring file = toWide(program) + L".exe";
        auto resource = readVersionResource(file);
        ASSERT_TRUE(resource) << "no version resource";
        EXPECT_EQ(resource->texts[L"ProductName"], L"Quorvel");
        EXPECT_EQ(resource->texts[L"CompanyName"], L"Quorvel developers");
        EXPECT_EQ(resource->texts[L"LegalCopyright"], L"© Quorvel developers");
        EXPECT_EQ(resource->texts[L"ProductVersion"], version);
        EXPECT_EQ(resource->texts[L"FileVersion"], version);
        ASSERT_EQ(descriptions.count(program), 1u) << "no description expected";
        EXPECT_EQ(resource->texts[L"FileDescription"], descriptions.at(program));
        EXPECT_EQ(resource->texts[L"OriginalFilename"], file);
        EXPECT_EQ(numbers(resource->fileVersionMS, resource->fileVersionLS), fourNumbers);
        EXPECT_EQ(numbers(resource->productVersionMS, resource->productVersionLS), fourNumbers);
        // The icon Explorer shows, in its large and its small size.
        EXPECT_EQ(ExtractIconExW(file.c_str(), -1, nullptr, nullptr, 0), 1u) << "no icon";
        HICON large = nullptr;
        HICON small = nullptr;
        ExtractIconExW(file.c_str(), 0, &large, &small, 1);
        EXPECT_NE(large, nullptr);
        EXPECT_NE(small, nullptr);
        for (HICON icon : {large, small}) {
            if (icon != nullptr) {
                DestroyIcon(icon);
            }
        }
        const Resources resources(file);
        EXPECT_EQ(iconSizes(resources), (std::vector<int>{16, 32, 48, 256}));
        // The manifest: the user's rights, sharp at any monitor's scale, long paths, and the
        // Windows versions the program was made for (10 and 11 share one).
        const std::string manifest = resources.first(MAKEINTRESOURCEW(24)); // RT_MANIFEST
        for (const char* part :
             {"<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
              ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true</longPathAware>",
              "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
              "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>"}) {
            EXPECT_NE(manifest.find(part), std::string::npos) << part;
        }
    }
}

#ifdef SETUP_PROGRAM
TEST(VersionResource, TheSetupCarriesTheProjectsVersionAndItsMaker)
{
    const std::wstring version = toWide(quorvelVersion);
    const auto resource = readVersionResource(toWide(SETUP_PROGRAM));
    ASSERT_TRUE(resource) << "no version resource: build the target windows_installer first";
    auto texts = resource->texts;
    EXPECT_EQ(texts[L"ProductName"], L"Quorvel");
    EXPECT_EQ(texts[L"ProductVersion"], version);
    EXPECT_EQ(texts[L"FileDescription"], L"Quorvel " + version + L" setup");
    EXPECT_EQ(texts[L"CompanyName"], L"Quorvel developers");
    EXPECT_EQ(texts[L"LegalCopyright"], L"© Quorvel developers");
}
#endif
