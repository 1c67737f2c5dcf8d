// The flight-log reader in its strict mode on any bytes: a reading or a
// LogFormatError with a safe message, the same in one piece or in small
// pieces; it accepts a log exactly when the tolerant mode reads it with no
// damage but a partial last line, and then reads it the same.
#include <cstdint>

#include "tests/fuzz/log_digest.h"

using vorlat::flightlog::DamageKind;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlat::fuzz;
    const std::string_view text = textOf(data, size);
    const Digest strict = readDigest(text, vorlat::flightlog::CHUNK_BYTES, true);
    if (!(readDigest(text, smallStep(data, size), true) == strict)) {
        finding("a log that reads otherwise in small pieces", strict.summary);
    }
    const Digest tolerant = readDigest(text, vorlat::flightlog::CHUNK_BYTES, false);
    if (tolerant.error) {
        if (!strict.error) finding("a log the strict mode accepts and the tolerant mode refuses", *tolerant.error);
        return 0;
    }
    const auto& damage = tolerant.damage;
    const bool sound = damage.total() == damage.count(DamageKind::PartialLastLine) && damage.trailingNulBytes == 0;
    if (sound && strict.error) finding("a sound log the strict mode refuses", *strict.error);
    if (!sound && !strict.error) finding("a damaged log the strict mode accepts", tolerant.summary);
    if (!strict.error && !(strict == tolerant)) finding("a log the two modes read differently", strict.summary);
    return 0;
}
