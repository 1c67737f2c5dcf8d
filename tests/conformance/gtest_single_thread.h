// GoogleTest for the Windows conformance suite, built single-threaded
// (GTEST_IS_THREADSAFE=0): its thread-safe Windows build starts a watcher
// thread for every thread-local value, and a second thread in 32-bit Wine
// under qemu-user aborts the process. MinGW's default thread model also lacks
// the std::mutex that build needs. The single-threaded build still compiles
// Windows death tests, which use this handle wrapper that GoogleTest defines
// only in its thread-safe build. Force-included into GoogleTest's own sources.
#pragma once
#ifdef __cplusplus
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace testing::internal {
class AutoHandle {
public:
    typedef void* Handle;
    AutoHandle() : handle_(INVALID_HANDLE_VALUE) {}
    explicit AutoHandle(Handle handle) : handle_(handle) {}
    ~AutoHandle() { Reset(); }
    AutoHandle(const AutoHandle&) = delete;
    AutoHandle& operator=(const AutoHandle&) = delete;
    Handle Get() const { return handle_; }
    void Reset() { Reset(INVALID_HANDLE_VALUE); }
    void Reset(Handle handle) {
        if (handle_ != handle) {
            if (IsCloseable()) ::CloseHandle(handle_);
            handle_ = handle;
        }
    }

private:
    bool IsCloseable() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    Handle handle_;
};
}  // namespace testing::internal
#endif
