// The module file check on mutated modules: checkModuleImage is what the host
// runs on a --module file's bytes (through checkModuleFile) before the platform
// loader may map it. Each input is checked as every format and class the check
// knows, so the ELF and PE readers are both reached whatever this host loads.
// Nothing is ever loaded: a mutated module's code must never run.
#include <cstdint>
#include <span>

#include "host/load_error.h"
#include "host/module_check.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (const vorlat::ModuleTarget* target :
         {&vorlat::ELF_X86_64, &vorlat::ELF_I386, &vorlat::PE_I386, &vorlat::PE_X86_64}) {
        try {
            vorlat::checkModuleImage(bytes, "fuzz.gau", *target);
        } catch (const vorlat::LoadError& error) {
            vorlat::fuzz::requireSafeMessage(error.what());
        }
    }
    return 0;
}
