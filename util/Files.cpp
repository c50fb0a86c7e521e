// File operations shared by the modules.
#include "util/Files.h"

#include <windows.h>

#include "util/Handles.h"

namespace {

bool SetDosDate(HANDLE file, uint32_t dosDateTime) {
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local)) return false;
    if (!LocalFileTimeToFileTime(&local, &utc)) return false;
    return SetFileTime(file, &utc, &utc, &utc) != 0;
}

}  // namespace

bool AppendTextToFile(const Text& path, const Text& text, uint32_t dosDateTime) {
    win::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Only a missing file is created: any other failure to open must not
    // truncate what is there.
    if (!file.valid() && GetLastError() == ERROR_FILE_NOT_FOUND) {
        file.reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    if (!file.valid()) return false;
    DWORD written = 0;
    LARGE_INTEGER zero{};
    bool ok = SetFilePointerEx(file.get(), zero, nullptr, FILE_END) &&
              WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    if (dosDateTime != 0) SetDosDate(file.get(), dosDateTime);
    return ok;
}
