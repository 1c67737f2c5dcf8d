// Safe outputs on Windows: identities by volume serial number and file index,
// a temporary file created beside the target and moved over it with
// MoveFileExW, and the console handler that removes live temporary files on
// Ctrl-C, Ctrl-Break or a closed console. Every name goes to the wide (UTF-16)
// functions, so a UTF-8 name works whatever the code page.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "common/output_files.h"
#include "common/output_platform.h"

namespace vorlat::files {

namespace {
UINT consoleCodePageBefore = 0;
void restoreConsoleCodePage() { SetConsoleOutputCP(consoleCodePageBefore); }
}  // namespace

// Bytes in and out exactly as on Linux (no CR added before LF, no Ctrl-Z as an
// end), and a console that shows UTF-8 messages; its code page is given back at exit.
void prepareStandardStreams() {
    for (int descriptor : {0, 1, 2}) _setmode(descriptor, _O_BINARY);
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) || GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
        consoleCodePageBefore = GetConsoleOutputCP();
        if (consoleCodePageBefore != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) std::atexit(restoreConsoleCodePage);
    }
}

namespace platform {

namespace fs = std::filesystem;

namespace {

// --- Live temporary files, removed by the console handler --------------------
constexpr int MAX_LIVE_TEMPORARIES = 256;  // a replay may hold one per picture asked for
constexpr std::size_t MAX_PATH_UNITS = 2048;
constexpr int SLOT_FREE = 0, SLOT_FILLING = 1, SLOT_LIVE = 2;

struct LiveTemporary {
    std::atomic<int> state{SLOT_FREE};
    bool folder = false;  // removed after every file, when empty
    wchar_t path[MAX_PATH_UNITS] = {};
};
LiveTemporary liveTemporaries[MAX_LIVE_TEMPORARIES];

constexpr UINT STOPPED_BY_CONTROL_C = 0xC000013A;  // STATUS_CONTROL_C_EXIT, as the system's own handler ends

// Runs on a thread of its own; the files are opened with FILE_SHARE_DELETE, so
// one still being written goes when its last handle closes. Ctrl-C and
// Ctrl-Break then end the process at once, as SIGINT does on Linux, with the
// code the system's handler gives (Wine's gives 0); on a closed console,
// logoff or shutdown the system ends it when the handler returns.
BOOL WINAPI removeTemporariesOnStop(DWORD event) {
    const bool interrupted = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (!interrupted && event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    for (LiveTemporary& temporary : liveTemporaries)
        if (temporary.state.load() == SLOT_LIVE && !temporary.folder) DeleteFileW(temporary.path);
    for (LiveTemporary& temporary : liveTemporaries)
        if (temporary.state.load() == SLOT_LIVE && temporary.folder) RemoveDirectoryW(temporary.path);
    if (consoleCodePageBefore != 0) SetConsoleOutputCP(consoleCodePageBefore);
    if (interrupted) TerminateProcess(GetCurrentProcess(), STOPPED_BY_CONTROL_C);
    return FALSE;
}

void installStopHandler() {
    static const bool installed = SetConsoleCtrlHandler(removeTemporariesOnStop, TRUE) != 0;
    (void)installed;
}

// The C library's words for the usual failures, so a message reads as on Linux.
struct ErrorMeaning {
    DWORD windowsError;
    int errnoValue;
};
constexpr ErrorMeaning ERROR_MEANINGS[] = {
    {.windowsError = ERROR_FILE_NOT_FOUND, .errnoValue = ENOENT},
    {.windowsError = ERROR_PATH_NOT_FOUND, .errnoValue = ENOENT},
    {.windowsError = ERROR_INVALID_DRIVE, .errnoValue = ENOENT},
    {.windowsError = ERROR_ACCESS_DENIED, .errnoValue = EACCES},
    {.windowsError = ERROR_SHARING_VIOLATION, .errnoValue = EACCES},
    {.windowsError = ERROR_LOCK_VIOLATION, .errnoValue = EACCES},
    {.windowsError = ERROR_WRITE_PROTECT, .errnoValue = EROFS},
    {.windowsError = ERROR_FILE_EXISTS, .errnoValue = EEXIST},
    {.windowsError = ERROR_ALREADY_EXISTS, .errnoValue = EEXIST},
    {.windowsError = ERROR_DISK_FULL, .errnoValue = ENOSPC},
    {.windowsError = ERROR_HANDLE_DISK_FULL, .errnoValue = ENOSPC},
    {.windowsError = ERROR_INVALID_NAME, .errnoValue = EINVAL},
    {.windowsError = ERROR_DIRECTORY, .errnoValue = ENOTDIR},
    {.windowsError = ERROR_FILENAME_EXCED_RANGE, .errnoValue = ENAMETOOLONG},
};

std::string systemMessage(DWORD code) {
    wchar_t message[256] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        message, sizeof message / sizeof message[0], nullptr);
    std::wstring text(message, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty()) return "Windows error " + std::to_string(code);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A handle for questions only (no reading or writing); FILE_FLAG_BACKUP_SEMANTICS opens folders too.
HANDLE openForQuestions(const fs::path& path) {
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

FileIdentity identityOf(HANDLE handle) {
    const DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) return {.exists = true, .deviceOrPipe = true};
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle, &info)) return {.exists = true, .deviceOrPipe = true};
    return {.exists = true,
            .deviceOrPipe = false,
            .folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
            .volume = info.dwVolumeSerialNumber,
            .fileHigh = info.nFileIndexHigh,
            .fileLow = info.nFileIndexLow};
}

// Six characters that make a fresh name; CREATE_NEW catches the rare repeat.
std::wstring freshSuffix(unsigned attempt) {
    static constexpr wchar_t LETTERS[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    unsigned long long seed = static_cast<unsigned long long>(counter.QuadPart) ^
                              (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^ (attempt * 0x9E3779B97F4A7C15ull);
    std::wstring suffix;
    for (int i = 0; i < 6; ++i, seed /= 36) suffix += LETTERS[seed % 36];
    return suffix;
}

fs::path comparable(fs::path path) {
    path.make_preferred();
    return path.lexically_normal();
}

}  // namespace

int registerTemporary(const fs::path& absolutePath, bool folder) {
    const std::wstring& text = absolutePath.native();
    if (text.size() >= MAX_PATH_UNITS) return -1;
    installStopHandler();
    for (int slot = 0; slot < MAX_LIVE_TEMPORARIES; ++slot) {
        int expected = SLOT_FREE;
        if (!liveTemporaries[slot].state.compare_exchange_strong(expected, SLOT_FILLING)) continue;
        std::wmemcpy(liveTemporaries[slot].path, text.c_str(), text.size() + 1);
        liveTemporaries[slot].folder = folder;
        liveTemporaries[slot].state.store(SLOT_LIVE);
        return slot;
    }
    return -1;
}

void releaseTemporary(int& slot) noexcept {
    if (slot >= 0) liveTemporaries[slot].state.store(SLOT_FREE);
    slot = -1;
}

FileIdentity identify(const fs::path& path) {
    const HANDLE handle = openForQuestions(path);
    if (handle == INVALID_HANDLE_VALUE) return {};
    const FileIdentity identity = identityOf(handle);
    CloseHandle(handle);
    return identity;
}

FileIdentity identifyStandardInput() {
    const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return {.deviceOrPipe = true};
    return identityOf(handle);
}

// NTFS and FAT take names without regard to case.
bool sameResolvedPath(const fs::path& a, const fs::path& b) {
    const std::wstring left = comparable(a).native(), right = comparable(b).native();
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

std::FILE* createTemporaryBeside(const fs::path& target, bool /*targetExists*/, fs::path& temporary,
                                 std::string& reason) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = target.parent_path() / (L"." + target.filename().native() + L"." + freshSuffix(attempt));
        const HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_WRITE, SHARE_ALL,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            reason = lastErrorReason();
            return nullptr;
        }
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
        std::FILE* stream = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
        if (stream == nullptr) {
            reason = errorReason(errno);
            if (descriptor >= 0) _close(descriptor);
            else CloseHandle(handle);
            removeFile(candidate);
            return nullptr;
        }
        temporary = candidate;
        return stream;
    }
    reason = errorReason(EEXIST);
    return nullptr;
}

std::FILE* openForWriting(const fs::path& file, std::string& reason) {
    std::FILE* stream = _wfopen(file.c_str(), L"wb");
    if (stream == nullptr) reason = errorReason(errno);
    return stream;
}

bool replaceWith(const fs::path& temporary, const fs::path& target, std::string& reason) {
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    reason = lastErrorReason();
    return false;
}

void removeFile(const fs::path& file) noexcept { DeleteFileW(file.c_str()); }

std::string firstBytesOfRegularFile(const fs::path& file, std::size_t count) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    constexpr DWORD NOT_A_PLAIN_FILE = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & NOT_A_PLAIN_FILE) != 0) return {};
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    std::string start(count, '\0');
    DWORD got = 0;
    if (GetFileType(handle) != FILE_TYPE_DISK || !ReadFile(handle, start.data(), static_cast<DWORD>(count), &got, nullptr))
        got = 0;
    CloseHandle(handle);
    start.resize(got);
    return start;
}

std::string lastErrorReason() {
    const DWORD code = GetLastError();
    for (const ErrorMeaning& meaning : ERROR_MEANINGS)
        if (meaning.windowsError == code) return errorReason(meaning.errnoValue);
    return systemMessage(code);
}

std::string errorReason(int errnoValue) { return std::strerror(errnoValue); }

}  // namespace platform
}  // namespace vorlat::files
