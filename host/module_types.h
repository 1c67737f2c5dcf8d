// The names of the module's record types, as the module's routines and the
// host's services take them. The host never defines them: it reads every
// record at its byte offsets (layout.h). A call through a function pointer
// must reach a function of exactly the pointer's type, and a pointer to
// `ElementHeader` is not a pointer to `std::byte`; so each service and each
// routine type here names the same global-namespace types as the module's
// table, incomplete, and converts to bytes inside.
#pragma once

#include <cstddef>
#include <cstdint>

struct ElementHeader;
struct GaugeHeader;
struct MouseArea;
struct ModuleVariable;

namespace vorlat::detail {

// The types of the service table's slots the module calls.
using ElementService = void (*)(ElementHeader* root);
using ElementServiceWithValue = void (*)(ElementHeader* root, std::uint32_t value);
using MouseAreasPrepareService = void (*)(MouseArea* areas, GaugeHeader* gauge, void* hostFieldPlus4);
using MouseAreasService = void (*)(MouseArea* areas, GaugeHeader* gauge);
using VariableService = void (*)(ModuleVariable* variable);

// The record's bytes, for the byte-offset readers.
template <class Record>
std::byte* bytesOf(Record* record) {
    return reinterpret_cast<std::byte*>(record);
}
template <class Record>
Record* recordOf(std::byte* bytes) {
    return reinterpret_cast<Record*>(bytes);
}

}  // namespace vorlat::detail
