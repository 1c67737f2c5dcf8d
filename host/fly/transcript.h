// A per-update record of what the panel shows: every text with its colour and
// the image each icon shows. Tab-separated, one line per update.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/output_files.h"
#include "host/flight/run.h"
#include "host/host.h"

namespace vorlat::cli {

// The name of a child element by its place on the panel: the box's label
// ("Ft", "TAS"), "row" for the row counter, "pressure" and "temperature" for the
// unlabelled boxes, "latitude"/"longitude", or the icon's role.
std::string elementLabel(const ElementView& element);

// "green", "yellow", "red", or the colour as 0x00BBGGRR in hex.
std::string colourName(std::uint32_t bgr);

// Written through a temporary file: `file` appears only when close() succeeds.
class Transcript {
public:
    // Writes the header line to `file`, which messages call `name` (the path as
    // the user gave it); throws files::OutputError on failure.
    Transcript(const std::filesystem::path& file, std::string name, const Host& host);
    void write(const Host& host, const flight::UpdateInfo& info);
    void close();  // throws files::OutputError when the file could not be written

private:
    files::AtomicFile file_;
};

}  // namespace vorlat::cli
