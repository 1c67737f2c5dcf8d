// Libraries that hold the two records only as raw words, for the module file
// check of hostile_module_test.cpp: "Linkage" exported as a function, an
// ImportTable with no end entry, start-up code that dies while the library
// loads, and (with no define) records with no gauge behind them. One variant
// per define. Test-only: never installed or shipped.
#include <array>
#include <cstdint>
#include <cstdlib>

#define RAW_EXPORT __attribute__((visibility("default")))

namespace {
[[maybe_unused]] constexpr std::uint32_t MODULE_TAG = 0x13;
constexpr std::uint32_t SERVICES_ID = 0x0F;
}  // namespace

extern "C" {

#ifdef RAW_LINKAGE_FUNCTION
RAW_EXPORT void Linkage() {}
#else
RAW_EXPORT constinit std::array<std::uint32_t, 12> Linkage = {MODULE_TAG};
#endif

#ifdef RAW_UNENDED_IMPORT_TABLE
// 70 wide entries, none of them the end: more than the host walks.
constexpr std::array<std::uint32_t, 3 * 70> unendedImportTable() {
    std::array<std::uint32_t, 3 * 70> words{};
    for (std::uint32_t& word : words) word = SERVICES_ID;
    return words;
}
RAW_EXPORT constinit std::array<std::uint32_t, 3 * 70> ImportTable = unendedImportTable();
#else
RAW_EXPORT constinit std::array<std::uint32_t, 9> ImportTable = {SERVICES_ID, 0, 0, 2};
#endif

}  // extern "C"

#ifdef RAW_CRASH_ON_LOAD
// Runs inside the platform loader, before the host sees any record.
__attribute__((constructor)) static void dieWhileLoading() { std::abort(); }
#endif
