// Private to the host's own files: Host::State, the byte-level record readers and
// the scope every call into module code runs in.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/printable.h"
#include "common/utf8_path.h"
#include "host/folder_visit.h"
#include "host/gauge_facts.h"
#include "host/host.h"
#include "host/layout.h"
#include "host/loader.h"
#include "host/module_types.h"

namespace vorlat::detail {

inline constexpr const layout::Records& R = layout::RECORDS;
static_assert(sizeof(std::uintptr_t) == sizeof(void*));

// How the module's routines are called: the platform's default C convention.
using Routine = void (*)();
using RoutineWithValue = void (*)(std::uint32_t value);
using ReadoutCallback = double (*)(double value);
using IconCallback = double (*)(ModuleVariable* slot);
using MouseHandler = std::int32_t (*)(std::uint32_t hostValue, std::uint32_t eventWord);

inline constexpr std::size_t SERVICE_SLOTS = 64;  // the module may use 41; the rest trap as well
inline constexpr std::size_t HOST_FIELD_SIZE = 16;
inline constexpr std::size_t TEXT_GUARD_SIZE = 32;
inline constexpr std::uint8_t TEXT_GUARD_BYTE = 0xA5;

template <class T>
T readAt(const std::byte* record, std::size_t offset) {
    T value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}
template <class T>
void writeAt(std::byte* record, std::size_t offset, T value) {
    std::memcpy(record + offset, &value, sizeof value);
}
inline std::uintptr_t pointerAt(const std::byte* record, std::size_t offset) {
    return readAt<std::uintptr_t>(record, offset);
}
inline std::byte* recordAt(const std::byte* record, std::size_t offset) {
    return reinterpret_cast<std::byte*>(pointerAt(record, offset));
}
inline std::uintptr_t word(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

inline std::string hex(std::uintptr_t value) {
    char text[2 + 2 * sizeof value + 1];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

inline bool boxContains(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height, int x, int y) {
    return std::int64_t(x) >= left && std::int64_t(x) < std::int64_t(left) + width && std::int64_t(y) >= top &&
           std::int64_t(y) < std::int64_t(top) + height;
}

// The host's text buffer of one element, with guard bytes behind it.
struct GuardedText {
    std::array<char, TEXT_BUFFER_SIZE + TEXT_GUARD_SIZE> bytes{};
    GuardedText() { restoreGuard(); }
    void restoreGuard() { std::memset(bytes.data() + TEXT_BUFFER_SIZE, TEXT_GUARD_BYTE, TEXT_GUARD_SIZE); }
    bool guardIntact() const {
        for (std::size_t i = TEXT_BUFFER_SIZE; i < bytes.size(); ++i) {
            if (static_cast<std::uint8_t>(bytes[i]) != TEXT_GUARD_BYTE) {
                return false;
            }
        }
        return true;
    }
    std::string text() const { return {bytes.data(), strnlen(bytes.data(), TEXT_BUFFER_SIZE)}; }
};

struct ChildResult {
    int shownImage = -1;
    double lastResult = std::numeric_limits<double>::quiet_NaN();
    bool called = false;
};

// The service table the host lends through ImportTable (host/services.cpp).
std::array<std::uintptr_t, SERVICE_SLOTS> serviceTable();

}  // namespace vorlat::detail

namespace vorlat {

struct Host::State {
    HostOptions options;             // logFolder made absolute at construction
    std::filesystem::path copyPath;  // the private copy still to delete, if any
    std::unique_ptr<ModuleLibrary> library;

    std::byte* linkage = nullptr;
    std::byte* importTable = nullptr;
    std::byte* header = nullptr;
    std::byte* root = nullptr;
    std::vector<std::byte*> children;

    std::array<std::uintptr_t, detail::SERVICE_SLOTS> services{};
    std::array<std::int32_t, gauge::DATA_BLOCK_WORDS> data{};
    std::map<std::uint32_t, double> variables;  // map nodes stay put: their addresses are lent out
    std::int16_t throttleWord = 0;
    std::set<const std::byte*> registered;
    alignas(8) std::array<std::byte, detail::HOST_FIELD_SIZE> hostFieldStorage{};
    std::vector<std::unique_ptr<detail::GuardedText>> texts;  // per child; null for icons
    std::vector<detail::ChildResult> results;
    bool elementsReady = false;
    std::byte* mouseAreas = nullptr;

    std::vector<ServiceCall> calls;
    std::vector<std::string> violations;

    void violation(const std::string& what) {
        std::fprintf(stderr, "vorlat host: contract violation: %s\n", vorlat::terminalText(what).c_str());
        violations.push_back(what);
    }
    void requireLoaded(const char* what) const {
        if (!library) {
            throw std::logic_error(std::string(what) + ": the module is not loaded");
        }
    }
    int kindOf(const std::byte* element) const { return detail::readAt<std::int32_t>(element, detail::R.element.type); }

    // Host checks around the module's calls (host/services.cpp).
    void fillSlot(std::byte* slot);
    void checkRoot(const char* service, std::uintptr_t element);
    void checkGauge(const char* service, std::uintptr_t gauge);
    void checkText(std::size_t i);
    void checkTexts();

    // Finding, checking and reading the records (host/records.cpp).
    void load();
    std::vector<MouseAreaView> readAreas(const std::byte* list, std::vector<std::string>* problems) const;
    ElementView view(const std::byte* element, std::size_t childIndex) const;

private:
    [[noreturn]] void refuse(const std::string& why) const;
    void findExports();
    void checkGaugeHeader();
    void readElementTree();
    void readChildList(const std::byte* childList);
    void fillImportTable();
    void lendTextBuffers();
};

namespace detail {

// Lends the services their host for the life of the object: services are plain
// function pointers and reach the host whose call is under way through this.
class ActiveHost {
public:
    explicit ActiveHost(Host::State& state);
    ~ActiveHost();
    ActiveHost(const ActiveHost&) = delete;
    ActiveHost& operator=(const ActiveHost&) = delete;

private:
    Host::State* previous_;
};

// The scope of every call into module code: the process stands in the log folder
// (when there is one) and the services reach this host until the module returns.
// `what` names the call in errors. Throws HostError as FolderVisit does.
class ModuleCall {
public:
    ModuleCall(Host::State& state, const char* what)
        : folder_(pathFromUtf8(state.options.logFolder), what), active_(state) {}

private:
    FolderVisit folder_;  // entered first, left last
    ActiveHost active_;
};

}  // namespace detail

}  // namespace vorlat
