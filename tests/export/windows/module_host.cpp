// A Windows host of the DLL, run under Wine by the module's tests. It loads the DLL as a
// host application would, crops real files through the export, and checks the export
// table, the version record and the type library through the system's own interfaces.
// Prints one line per failed check; exits 0 when every check passed.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <oleauto.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "export/bmp_crop.h"

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
    if (!ok) {
        std::printf("FAIL: %s\n", what.c_str());
        ++failures;
    }
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    return out;
}

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFileBytes(const std::wstring& path) {
    Bytes bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    std::uint8_t chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const Bytes& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD put = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
              put == bytes.size();
    return CloseHandle(file) && ok;
}

void PutLittleEndian(Bytes& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A 24-bit bottom-up BMP file; `rows` are given top row first, three bytes (blue, green,
// red) per pixel without padding.
Bytes Bmp24(std::int32_t width, const std::vector<Bytes>& rows, std::int32_t pelsPerMeter) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = stride * static_cast<std::uint32_t>(rows.size());
    Bytes bytes = {'B', 'M'};
    PutLittleEndian(bytes, 54 + pixelBytes, 4);
    PutLittleEndian(bytes, 0, 4);
    PutLittleEndian(bytes, 54, 4);
    PutLittleEndian(bytes, 40, 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(width), 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(rows.size()), 4);
    PutLittleEndian(bytes, 1, 2);
    PutLittleEndian(bytes, 24, 2);
    PutLittleEndian(bytes, 0, 4);
    PutLittleEndian(bytes, pixelBytes, 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(pelsPerMeter), 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(pelsPerMeter), 4);
    PutLittleEndian(bytes, 0, 4);
    PutLittleEndian(bytes, 0, 4);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        Bytes padded = *row;
        padded.resize(stride, 0);
        bytes.insert(bytes.end(), padded.begin(), padded.end());
    }
    return bytes;
}

using CropFunction = decltype(&BMPCrop);

// A 3 x 2 source, cropped 2 x 2 from column 1: the right two columns, the output written
// at 3780 pixels per metre whatever the source says.
void CheckCrop(CropFunction crop, const std::wstring& sourceName,
               const std::wstring& destinationName) {
    const Bytes source =
        Bmp24(3, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}}, 2835);
    const Bytes expected = Bmp24(2, {{4, 5, 6, 7, 8, 9}, {13, 14, 15, 16, 17, 18}}, 3780);
    const std::string name = Narrow(destinationName);
    Check(WriteFileBytes(sourceName, source), "writing the source for " + name);
    DeleteFileW(destinationName.c_str());
    Check(crop(sourceName.c_str(), destinationName.c_str(), 2, 2, 1, 0) == 999,
          "BMPCrop returns 999 for " + name);
    Check(ReadFileBytes(destinationName) == expected, "cropped bytes of " + name);
}

void CheckCrops(CropFunction crop) {
    CheckCrop(crop, L"source.bmp", L"crop.bmp");

    // A name outside ASCII reaches the file system whole when the ANSI code page holds it.
    const std::wstring accented = L"r\u00e9sum\u00e9";
    BOOL lossy = FALSE;
    char narrow[64];
    int converted = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, accented.c_str(), -1, narrow,
                                        sizeof narrow, nullptr, &lossy);
    if (converted > 0 && !lossy) {
        CheckCrop(crop, accented + L"-source.bmp", accented + L"-crop.bmp");
    } else {
        std::printf("note: the ANSI code page %u cannot hold the accented name\n", GetACP());
    }

    // A source that does not exist crops to white.
    DeleteFileW(L"white.bmp");
    Check(crop(L"missing.bmp", L"white.bmp", 2, 1, 0, 0) == 999, "BMPCrop returns 999");
    Check(ReadFileBytes(L"white.bmp") == Bmp24(2, {{255, 255, 255, 255, 255, 255}}, 3780),
          "a missing source gives a white rectangle");
    Check(crop(L"source.bmp", nullptr, 1, 1, 0, 0) == 999, "a null destination is refused");
}

// The export table lists BMPCrop alone, by name and as ordinal 1.
void CheckExports(HMODULE module) {
    auto* base = reinterpret_cast<const std::uint8_t*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    Check(entry.VirtualAddress != 0, "the DLL has an export table");
    if (entry.VirtualAddress == 0) {
        return;
    }
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    Check(exports->Base == 1 && exports->NumberOfFunctions == 1 && exports->NumberOfNames == 1,
          "exactly one export, ordinal 1");
    if (exports->NumberOfNames == 1) {
        auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
        const char* name = reinterpret_cast<const char*>(base + names[0]);
        Check(std::string(name) == "BMPCrop" && ordinals[0] == 0,
              "the export is BMPCrop at ordinal 1");
    }
    for (const char* entryPoint :
         {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow"}) {
        Check(GetProcAddress(module, entryPoint) == nullptr,
              std::string("no ") + entryPoint + " entry point");
    }
}

// Every resource, by type, name and language: the version record and the type library,
// each id 1 in US English, and nothing else.
std::vector<std::wstring> resourceList;

BOOL CALLBACK ListLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR) {
    auto label = [](LPCWSTR text) {
        return IS_INTRESOURCE(text) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(text))
                                    : std::wstring(text);
    };
    resourceList.push_back(label(type) + L"/" + label(name) + L"/" + std::to_wstring(language));
    return TRUE;
}

BOOL CALLBACK ListName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR) {
    EnumResourceLanguagesW(module, type, name, ListLanguage, 0);
    return TRUE;
}

BOOL CALLBACK ListType(HMODULE module, LPWSTR type, LONG_PTR) {
    EnumResourceNamesW(module, type, ListName, 0);
    return TRUE;
}

void CheckResourceList(HMODULE module) {
    EnumResourceTypesW(module, ListType, 0);
    std::sort(resourceList.begin(), resourceList.end());
    std::wstring all;
    for (const std::wstring& entry : resourceList) {
        all += entry + L" ";
    }
    Check(all == L"#16/#1/1033 TYPELIB/#1/1033 ", "resources are " + Narrow(all));
}

// The version record, read through the version interface, and its string table walked
// entry by entry so that no key is missing, added or out of order.
struct VersionString {
    const wchar_t* key;
    const wchar_t* value;
};

const VersionString kVersionStrings[] = {
    {L"CompanyName", L""},
    {L"FileDescription", L"ZororazORADode DLL"},
    {L"FileVersion", L"1, 0, 0, 1"},
    {L"InternalName", L"ZororazORADode"},
    {L"LegalTrademarks", L""},
    {L"OriginalFilename", L"ZororazORADode.DLL"},
    {L"ProductName", L"ZororazORADode Dynamic Link Library"},
    {L"ProductVersion", L"1, 0, 0, 1"},
    {L"OLESelfRegister", L""},
};

// One node of a version record: its key, value and children.
struct VersionNode {
    std::wstring key;
    const std::uint8_t* value = nullptr;
    WORD valueLength = 0;
    const std::uint8_t* children = nullptr;
    const std::uint8_t* end = nullptr;
};

const std::uint8_t* AlignFour(const std::uint8_t* at, const std::uint8_t* origin) {
    return origin + ((at - origin + 3) & ~std::ptrdiff_t{3});
}

VersionNode ParseNode(const std::uint8_t* at, const std::uint8_t* origin) {
    VersionNode node;
    WORD length = 0;
    std::memcpy(&length, at, 2);
    std::memcpy(&node.valueLength, at + 2, 2);
    node.end = at + length;
    const std::uint8_t* key = at + 6;
    while (key[0] != 0 || key[1] != 0) {
        node.key += static_cast<wchar_t>(key[0] | (key[1] << 8));
        key += 2;
    }
    node.value = AlignFour(key + 2, origin);
    WORD type = 0;
    std::memcpy(&type, at + 4, 2);
    const std::size_t valueBytes = type == 1 ? node.valueLength * 2u : node.valueLength;
    node.children = AlignFour(node.value + valueBytes, origin);
    return node;
}

std::vector<VersionNode> Children(const VersionNode& parent, const std::uint8_t* origin) {
    std::vector<VersionNode> nodes;
    for (const std::uint8_t* at = parent.children; at < parent.end;) {
        nodes.push_back(ParseNode(at, origin));
        at = AlignFour(nodes.back().end, origin);
    }
    return nodes;
}

void CheckStringTable(const std::uint8_t* record) {
    const VersionNode root = ParseNode(record, record);
    std::vector<std::wstring> blocks;
    for (const VersionNode& block : Children(root, record)) {
        blocks.push_back(block.key);
        if (block.key != L"StringFileInfo") {
            continue;
        }
        std::vector<VersionNode> tables = Children(block, record);
        Check(tables.size() == 1 && tables[0].key == L"040904B0", "one string block, 040904B0");
        if (tables.empty()) {
            continue;
        }
        std::vector<VersionNode> strings = Children(tables[0], record);
        Check(strings.size() == std::size(kVersionStrings), "nine version strings");
        for (std::size_t i = 0; i < strings.size() && i < std::size(kVersionStrings); ++i) {
            Check(strings[i].key == kVersionStrings[i].key,
                  "version string " + std::to_string(i) + " is " + Narrow(kVersionStrings[i].key));
        }
    }
    Check(blocks == std::vector<std::wstring>{L"StringFileInfo", L"VarFileInfo"},
          "the record holds a string block and a translation block");
}

void CheckVersion(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    Check(size > 0, "the DLL has a version record");
    if (size == 0) {
        return;
    }
    std::vector<std::uint8_t> record(size);
    Check(GetFileVersionInfoW(path.c_str(), 0, size, record.data()) != 0,
          "the version record can be read");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    Check(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
              length == sizeof(VS_FIXEDFILEINFO),
          "the fixed part is present");
    if (fixed != nullptr) {
        Check(fixed->dwSignature == 0xFEEF04BD, "fixed part signature");
        Check(fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0x00000001,
              "file version 1.0.0.1");
        Check(fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0x00000001,
              "product version 1.0.0.1");
        Check(fixed->dwFileType == VFT_DLL, "file type DLL");
        Check((fixed->dwFileFlags & fixed->dwFileFlagsMask) == 0, "no file flags");
    }

    WORD* translation = nullptr;
    Check(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation",
                         reinterpret_cast<void**>(&translation), &length) &&
              length == 4 && translation[0] == 0x0409 && translation[1] == 0x04B0,
          "one translation entry, US English and Unicode");

    for (const VersionString& entry : kVersionStrings) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + entry.key;
        wchar_t* value = nullptr;
        bool found = VerQueryValueW(record.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                    &length) != 0;
        Check(found && value != nullptr && std::wstring(value) == entry.value,
              Narrow(entry.key) + " is \"" + Narrow(entry.value) + "\"");
    }
}

void CheckVersionTable(HMODULE module) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    if (loaded != nullptr) {
        CheckStringTable(static_cast<const std::uint8_t*>(LockResource(loaded)));
    }
}

void CheckTypeLibrary(const std::wstring& path) {
    ITypeLib* library = nullptr;
    HRESULT result = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    Check(SUCCEEDED(result) && library != nullptr, "the type library loads");
    if (library == nullptr) {
        return;
    }
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) {
        Check(attributes->wMajorVerNum == 1 && attributes->wMinorVerNum == 0,
              "type library version 1.0");
        library->ReleaseTLibAttr(attributes);
    }
    BSTR name = nullptr;
    Check(SUCCEEDED(library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr)) &&
              name != nullptr && std::wstring(name) == L"ZororazORADode",
          "type library name ZororazORADode");
    SysFreeString(name);
    Check(library->GetTypeInfoCount() == 0, "the type library describes no types");
    library->Release();
}

}  // namespace

int wmain() {
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    const std::wstring path = folder + L"ZororazORADode.dll";

    HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        std::printf("FAIL: cannot load %s (error %lu)\n", Narrow(path).c_str(), GetLastError());
        return 1;
    }
    FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(1));
    FARPROC byName = GetProcAddress(module, "BMPCrop");
    Check(byOrdinal != nullptr, "BMPCrop resolves by ordinal 1");
    Check(byName == byOrdinal, "BMPCrop resolves by name to the same function");
    if (byName != nullptr) {
        CheckCrops(reinterpret_cast<CropFunction>(reinterpret_cast<void*>(byName)));
    }
    CheckExports(module);
    CheckResourceList(module);
    CheckVersion(path);
    CheckVersionTable(module);
    CheckTypeLibrary(path);
    FreeLibrary(module);

    std::printf("%s\n", failures == 0 ? "all checks passed" : "some checks failed");
    return failures == 0 ? 0 : 1;
}
