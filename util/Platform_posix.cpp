// POSIX side of the platform seam, for the native build of the core.
#include "util/Platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <memory>

#include "util/Dates.h"

namespace platform {

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = kInvalid;
    }
    return *this;
}

void File::Close() {
    if (valid()) ::close(static_cast<int>(handle_));
    handle_ = kInvalid;
}

File File::OpenRead(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return File();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return File();
    }
    return File(fd);
}

File File::Create(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd < 0 ? File() : File(fd);
}

File File::OpenAppend(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    return fd < 0 ? File() : File(fd);
}

bool File::Size(uint64_t& size) const {
    struct stat st {};
    if (!valid() || ::fstat(static_cast<int>(handle_), &st) != 0) return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

size_t File::ReadAt(uint64_t offset, void* buffer, size_t n) const {
    if (!valid()) return 0;
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < n) {
        ssize_t got = ::pread(static_cast<int>(handle_), out + done, n - done,
                              static_cast<off_t>(offset + done));
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

size_t File::Read(void* buffer, size_t n) {
    if (!valid()) return 0;
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < n) {
        ssize_t got = ::read(static_cast<int>(handle_), out + done, n - done);
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

bool File::Seek(uint64_t offset) {
    return valid() && ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool File::SeekEnd() { return valid() && ::lseek(static_cast<int>(handle_), 0, SEEK_END) >= 0; }

bool File::Write(const void* data, size_t n) {
    if (!valid()) return false;
    const auto* in = static_cast<const char*>(data);
    size_t done = 0;
    while (done < n) {
        ssize_t put = ::write(static_cast<int>(handle_), in + done, n - done);
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

bool File::SetDosTime(uint32_t dosDateTime) {
    if (!valid()) return false;
    CivilTime c = CivilFromDosDateTime(dosDateTime);
    struct tm t {};
    t.tm_year = c.year - 1900;
    t.tm_mon = c.month - 1;
    t.tm_mday = c.day;
    t.tm_hour = c.hour;
    t.tm_min = c.minute;
    t.tm_sec = c.second;
    t.tm_isdst = -1;  // DOS times are local time
    time_t when = ::mktime(&t);
    if (when == static_cast<time_t>(-1)) return false;
    struct timespec times[2] = {{when, 0}, {when, 0}};
    return ::futimens(static_cast<int>(handle_), times) == 0;
}

bool File::ModifiedDosTime(uint32_t& dosDateTime) const {
    struct stat st {};
    struct tm t {};
    if (!valid() || ::fstat(static_cast<int>(handle_), &st) != 0 || !::localtime_r(&st.st_mtime, &t)) {
        return false;
    }
    dosDateTime = DosDateTimeFromCivil(
        CivilTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 0});
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), ::closedir);
    if (!dir) return false;
    entries.clear();
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        entries.push_back(FolderEntry{name, FolderExists(path + "/" + name)});
    }
    return true;
}

bool IsLeadByte(unsigned char) { return false; }

std::string UpperText(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

uint32_t ClusterSizeOf(const std::string&) { return 0; }

uint32_t ThreadLocaleId() { return 0; }

}  // namespace platform
