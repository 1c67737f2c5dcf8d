// The flight-log reader in its tolerant (default) mode on any bytes: a reading
// or a LogFormatError with a safe message, the same whether the bytes come in
// one piece or a few at a time.
#include <cstdint>

#include "tests/fuzz/log_digest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlat::fuzz;
    const std::string_view text = textOf(data, size);
    const Digest whole = readDigest(text, vorlat::flightlog::CHUNK_BYTES, false);
    if (!(readDigest(text, smallStep(data, size), false) == whole)) {
        finding("a log that reads otherwise in small pieces", whole.summary);
    }
    return 0;
}
