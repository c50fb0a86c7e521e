// Owners of the Windows resources the program acquires: each closes its
// resource exactly once, is movable and not copyable, and keeps the thread's
// last error intact across the close so that a caller can still report it.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

// Generic owner; Traits gives the invalid value and the close call.
template <typename Traits>
class Owner {
public:
    using Type = typename Traits::Type;
    Owner() = default;
    explicit Owner(Type value) : value_(value) {}
    ~Owner() { reset(); }
    Owner(Owner&& other) noexcept : value_(other.release()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    bool valid() const { return value_ != Traits::invalid(); }
    Type get() const { return value_; }
    Type release() {
        Type value = value_;
        value_ = Traits::invalid();
        return value;
    }
    void reset(Type value = Traits::invalid()) {
        if (valid()) {
            DWORD error = GetLastError();
            Traits::close(value_);
            SetLastError(error);
        }
        value_ = value;
    }

private:
    Type value_ = Traits::invalid();
};

struct FileHandleTraits {  // CreateFile and friends: INVALID_HANDLE_VALUE
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { CloseHandle(h); }
};
struct KernelHandleTraits {  // processes, threads, events: NULL
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { FindClose(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type invalid() { return nullptr; }
    static void close(Type h) { RegCloseKey(h); }
};
struct GlobalAtomTraits {
    using Type = ATOM;
    static Type invalid() { return 0; }
    static void close(Type a) { GlobalDeleteAtom(a); }
};
struct WindowTraits {
    using Type = HWND;
    static Type invalid() { return nullptr; }
    static void close(Type w) { DestroyWindow(w); }
};
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type invalid() { return nullptr; }
    static void close(Type o) { DeleteObject(o); }
};
struct LibraryTraits {
    using Type = HMODULE;
    static Type invalid() { return nullptr; }
    static void close(Type m) { FreeLibrary(m); }
};

using FileHandle = Owner<FileHandleTraits>;
using KernelHandle = Owner<KernelHandleTraits>;
using FindHandle = Owner<FindHandleTraits>;
using RegKey = Owner<RegKeyTraits>;
using GlobalAtom = Owner<GlobalAtomTraits>;
using Window = Owner<WindowTraits>;
using GdiObject = Owner<GdiObjectTraits>;
using Library = Owner<LibraryTraits>;

// A registered window class, unregistered when the owner goes.
class WindowClass {
public:
    WindowClass() = default;
    WindowClass(HINSTANCE instance, ATOM atom) : instance_(instance), atom_(atom) {}
    ~WindowClass() { reset(); }
    WindowClass(WindowClass&& other) noexcept { *this = std::move(other); }
    WindowClass& operator=(WindowClass&& other) noexcept {
        if (this != &other) {
            reset();
            std::swap(instance_, other.instance_);
            std::swap(atom_, other.atom_);
        }
        return *this;
    }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;
    bool valid() const { return atom_ != 0; }
    void reset() {
        if (atom_ != 0) UnregisterClassA(MAKEINTATOM(atom_), instance_);
        atom_ = 0;
    }

private:
    HINSTANCE instance_ = nullptr;
    ATOM atom_ = 0;
};

// A critical section and its scoped lock.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void lock() { EnterCriticalSection(&cs_); }
    void unlock() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class Lock {
public:
    explicit Lock(CriticalSection& cs) : cs_(cs) { cs_.lock(); }
    ~Lock() { cs_.unlock(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CriticalSection& cs_;
};

}  // namespace win
