// The Windows side of the system routines: the message-pumping wait and the
// clock, the program's own file and the system folders, screen and shell
// helpers, INI files, the registry and who and what the machine is. Every
// routine is forgiving: a failure gives an empty text, a default or false,
// never an exception.
#include "util/Utils.h"

#include <shellapi.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "util/Dates.h"
#include "util/Handles.h"
#include "util/Numbers.h"
#include "util/VDebug.h"

namespace {

constexpr DWORD kFolderBuffer = 261;
constexpr DWORD kIniBuffer = 10241;
constexpr DWORD kRegBuffer = 10241;
constexpr int kWindowTextBuffer = 1024;
constexpr DWORD kNameBuffer = 256;

// Text of at most size characters, ending at the first zero: never relies on
// the platform's terminator.
Text BoundedText(const char* data, size_t size) { return Text(data, strnlen(data, size)); }

// A folder the platform wrote into a buffer of kFolderBuffer characters;
// empty when the call failed or the folder did not fit.
Text FolderResult(const char* buffer, DWORD length, bool withBackslash) {
    if (length == 0 || length >= kFolderBuffer) return Text();
    return SetBackslash(Text(buffer, length), withBackslash);
}

char LocaleSeparator(LCTYPE type, char fallback) {
    char buffer[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer) == 0 || buffer[0] == 0)
        return fallback;
    return buffer[0];
}

// Libraries are never freed: entry points handed out stay callable until
// the process ends.
HMODULE LoadKeptLibrary(const Text& name) {
    HMODULE module = LoadLibraryA(name.c_str());
    return reinterpret_cast<UINT_PTR>(module) <= 32 ? nullptr : module;
}

// The registry value's data as the program reads it (see RegReadString).
Text RegDataText(DWORD type, const char* data, DWORD size) {
    if (type == REG_DWORD && size == 4) {
        uint32_t number = 0;
        std::memcpy(&number, data, sizeof number);
        return IntText(number);
    }
    if (type == REG_MULTI_SZ && size > 2) {
        while (size > 0 && data[size - 1] == 0) --size;
        Text joined;
        for (DWORD i = 0; i < size; ++i) {
            if (data[i] == 0) {
                joined += "<0>";
            } else {
                joined += data[i];
            }
        }
        return joined;
    }
    return BoundedText(data, size);
}

}  // namespace

// --- time and waiting -------------------------------------------------------

int64_t NowMs() {
    static const double msPerTick = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart > 0 ? 1000.0 / static_cast<double>(frequency.QuadPart) : 0.0;
    }();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return llround(static_cast<double>(counter.QuadPart) * msPerTick);
}

void PumpMessages(DWORD milliseconds) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Sleep(milliseconds);
}

DWORD WaitSlice(DWORD slice, int64_t milliseconds) {
    if (slice != 0) return slice;
    return static_cast<DWORD>(Clamp64(milliseconds / 10, 1, 25));
}

void WaitPumping(DWORD slice, int64_t milliseconds) {
    DWORD step = WaitSlice(slice, milliseconds);
    int64_t deadline = NowMs() + milliseconds;
    do {
        PumpMessages(step);
    } while (NowMs() < deadline);
}

double LocalNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    CivilTime civil;
    civil.year = now.wYear;
    civil.month = now.wMonth;
    civil.day = now.wDay;
    civil.hour = now.wHour;
    civil.minute = now.wMinute;
    civil.second = now.wSecond;
    civil.millisecond = now.wMilliseconds;
    return DateTimeFromCivil(civil);
}

char DateSeparator() { return LocaleSeparator(LOCALE_SDATE, '/'); }

char TimeSeparator() { return LocaleSeparator(LOCALE_STIME, ':'); }

// --- the program's own file and folders ---------------------------------------

Text OwnExePath(bool baseName) {
    char buffer[kFolderBuffer];
    DWORD length = GetModuleFileNameA(nullptr, buffer, kFolderBuffer);
    // A path that filled the buffer was cut short.
    if (length == 0 || length >= kFolderBuffer) return Text();
    Text path(buffer, length);
    return baseName ? FileBaseName(path, false) : path;
}

Text OwnFolder(bool withBackslash) {
    Text folder = FolderPart(OwnExePath(false));
    return folder.empty() ? Text() : SetBackslash(folder, withBackslash);
}

Text WindowsFolder(bool withBackslash) {
    char buffer[kFolderBuffer];
    return FolderResult(buffer, GetWindowsDirectoryA(buffer, kFolderBuffer), withBackslash);
}

Text SystemFolder(bool withBackslash) {
    char buffer[kFolderBuffer];
    return FolderResult(buffer, GetSystemDirectoryA(buffer, kFolderBuffer), withBackslash);
}

Text TempFolder(bool withBackslash) {
    char buffer[kFolderBuffer];
    return FolderResult(buffer, GetTempPathA(kFolderBuffer, buffer), withBackslash);
}

void PreloadLibraries() {
    static const char* const kNames[] = {"shell32.dll", "USP10.dll", "MSLS31.dll", "RICHED32.DLL"};
    for (const char* name : kNames) {
        // A missing library is skipped without the system's error box.
        UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
        LoadKeptLibrary(name);
        SetErrorMode(previousMode);
    }
}

// --- screen and shell ----------------------------------------------------------

int ScreenDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        return pixelsPerInch;
    }();
    return dpi;
}

int PointsToPixels(int points) { return MulDiv(points, ScreenDpi(), 72); }

void CentreInWorkArea(int width, int height, int& left, int& top) {
    RECT area{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    left = area.left + (area.right - area.left - width) / 2;
    top = area.top + (area.bottom - area.top - height) / 2;
}

bool OpenDocument(const Text& file, const Text& parameters, int showMode) {
    HINSTANCE result = ShellExecuteA(GetDesktopWindow(), nullptr, file.c_str(),
                                     parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                                     showMode);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

FARPROC LoadProc(const Text& library, const Text& functionName, HMODULE* libraryHandle) {
    HMODULE module = LoadKeptLibrary(library);
    if (libraryHandle != nullptr) *libraryHandle = module;
    return module == nullptr ? nullptr : GetProcAddress(module, functionName.c_str());
}

Text WindowTextOf(HWND window) {
    if (window == nullptr) return Text();
    char buffer[kWindowTextBuffer];
    int length = GetWindowTextA(window, buffer, kWindowTextBuffer);
    return length > 0 ? BoundedText(buffer, static_cast<size_t>(length)) : Text();
}

// --- INI files -------------------------------------------------------------------

Text ReadIniString(const Text& file, const Text& section, const Text& key, const Text& dflt) {
    if (section.empty()) return dflt;
    try {
        std::vector<char> buffer(kIniBuffer);
        DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), dflt.c_str(),
                                                buffer.data(), kIniBuffer, file.c_str());
        // An empty value reads like a missing key: the default.
        return length > 0 ? BoundedText(buffer.data(), length) : dflt;
    } catch (...) {
        Trace() << "EXCEPTION --- Utils.ReadIniString()  " << LastErrorText() << trace::endl;
        return dflt;
    }
}

int64_t ReadIniInt(const Text& file, const Text& section, const Text& key, int64_t dflt) {
    return ParseInt64Or(ReadIniString(file, section, key, IntText(dflt)), dflt);
}

bool WriteIniString(const Text& file, const Text& section, const Text& key, const Text& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

bool WriteIniInt(const Text& file, const Text& section, const Text& key, int64_t value) {
    return WriteIniString(file, section, key, IntText(value));
}

// --- registry ----------------------------------------------------------------------

HKEY RegRootKey(const Text& rootName) {
    static const struct {
        const char* longName;
        const char* shortName;
        HKEY root;
    } kRoots[] = {
        {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
        {"HKEY_USERS", "HKU", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
        {"HKEY_DYN_DATA", "HKDD", HKEY_DYN_DATA},
    };
    for (const auto& entry : kRoots) {
        if (SameText(rootName, entry.longName) || SameText(rootName, entry.shortName)) return entry.root;
    }
    return HKEY_CURRENT_USER;
}

void SplitRegPath(const Text& path, HKEY& root, Text& subkey) {
    Text trimmed = Trim(path);
    size_t backslash = trimmed.find('\\');
    if (!StartsWith("HK", trimmed, true)) {
        root = HKEY_CURRENT_USER;
        subkey = trimmed;
    } else if (backslash == Text::npos) {
        root = RegRootKey(trimmed);
        subkey.clear();
    } else {
        root = RegRootKey(trimmed.substr(0, backslash));
        subkey = trimmed.substr(backslash + 1);
    }
}

Text RegReadString(const Text& path, const Text& valueName, const Text& dflt, bool view64) {
    HKEY root = HKEY_CURRENT_USER;
    Text subkey;
    SplitRegPath(path, root, subkey);
    HKEY opened = nullptr;
    REGSAM access = KEY_READ | (view64 ? KEY_WOW64_64KEY : 0);
    if (RegOpenKeyExA(root, subkey.c_str(), 0, access, &opened) != ERROR_SUCCESS) return dflt;
    win::RegKey key(opened);
    char data[kRegBuffer];
    DWORD type = REG_NONE;
    DWORD size = kRegBuffer;
    // A value larger than the buffer fails here and gives the default.
    if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                         &size) != ERROR_SUCCESS)
        return dflt;
    return RegDataText(type, data, size < kRegBuffer ? size : kRegBuffer);
}

// --- machine and user -------------------------------------------------------------

bool IsWinNT() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

Text CurrentVersionKey() {
    return Text("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\") + (IsWinNT() ? "Windows NT" : "Windows") +
           "\\CurrentVersion";
}

Text GetRegisteredOwner() {
    return Trim(RegReadString(CurrentVersionKey(), "RegisteredOwner", UserNameText()));
}

Text GetRegisteredOrganization() {
    return Trim(RegReadString(CurrentVersionKey(), "RegisteredOrganization", ""));
}

Text UserNameText() {
    char buffer[kNameBuffer];
    DWORD size = kNameBuffer;
    if (!GetUserNameA(buffer, &size)) return Text();
    return Trim(BoundedText(buffer, kNameBuffer));
}

Text ComputerNameText() {
    char buffer[kNameBuffer];
    DWORD size = kNameBuffer;
    if (!GetComputerNameA(buffer, &size)) return Text();
    return Trim(BoundedText(buffer, kNameBuffer));
}

Text UserDomainText() {
    Text user = UserNameText();
    DWORD sidSize = 0;
    DWORD domainSize = 0;
    SID_NAME_USE use;
    // The first lookup only tells the sizes.
    LookupAccountNameA(nullptr, user.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
    if (sidSize == 0 || domainSize == 0) return Text();
    std::vector<BYTE> sid(sidSize);
    std::vector<char> domain(domainSize);
    if (!LookupAccountNameA(nullptr, user.c_str(), sid.data(), &sidSize, domain.data(), &domainSize,
                            &use))
        return Text();
    return BoundedText(domain.data(), domain.size());
}

Text LastErrorText() {
    static const char kFallback[] = "Error Reading \"SysUtils.SysErrorMessage(GetLastError)\"";
    DWORD code = GetLastError();
    char buffer[1024];
    DWORD length = 0;
    if (code < 0x80000000u) {
        length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                0, buffer, sizeof buffer, nullptr);
    }
    // The caller may still want the code after asking for its text.
    SetLastError(code);
    if (length == 0) return kFallback;
    // The system's texts end in a line break, which would break the lines
    // they are put into.
    return TrimRight(BoundedText(buffer, length));
}

bool IsDeveloperMachine() {
    static const bool developer = [] {
        char value[8] = {};
        DWORD length = GetEnvironmentVariableA("DVX", value, sizeof value);
        return length < sizeof value && BoundedText(value, length) == "759";
    }();
    return developer;
}
