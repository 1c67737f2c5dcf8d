// What the readouts publish for the recorder, seen where the host can see it:
// in a row of the log.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/readouts/readout_fixture.h"
#include "tests/support/scratch_folder.h"

namespace readout_test {
namespace {

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream row(line);
    for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
    return fields;
}

// The last line of the log that is a row of values (not a header or a message).
std::vector<std::string> lastRowOf(const std::filesystem::path& log) {
    std::ifstream in(log, std::ios::binary);
    std::vector<std::string> last;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto fields = fieldsOf(line);
        if (fields.size() > 1 && fields[0] != "index") last = std::move(fields);
    }
    return last;
}

TEST(Publishing, TheRecorderWritesEachReadoutsConvertedValue) {
    const vorlat::test::ScratchFolder scratch;
    const vorlat::test::CurrentFolderScope inScratch(scratch.path());  // the log is written to the current folder
    Panel panel;
    constexpr int RECORD_BUTTON_X = 53, BUTTON_Y = 8;
    constexpr std::uint32_t TICK = 1;
    ASSERT_TRUE(panel.host().press(RECORD_BUTTON_X, BUTTON_Y));

    // The same values twice, so that readouts drawn after the recorder's
    // sample clock have published them too; the second update takes the row.
    // clang-format off
    const std::vector<Input> flight = {
        dataWord(TAS_WORD, 20000), dataWord(IAS_WORD, 18000), var(73, 1000),  var(78, 2.5),
        var(65, 100),              var(351, 599),             var(84, 90.7),  var(80, 12.34),
        var(411, 0.5),             var(402, 100000),          var(412, 1234.5), var(349, 16384),
        var(STALL_VARIABLE, 0),
    };
    // clang-format on
    panel.update(flight);
    panel.apply({var(TICK, 100)});
    panel.update(flight);

    ASSERT_TRUE(panel.host().press(RECORD_BUTTON_X, BUTTON_Y));  // ends the recording: the log is complete
    const auto row = lastRowOf("data_log.txt");
    const std::vector<std::string> expected = {
        "180.0",  // TAS
        "162.0",  // IAS
        " 3280",  // alt: 1000 m
        "-2.50",  // pitch, negated
        "   76",  // climb
        " 1.00",  // g load
        "   90",  // heading
        "    0",  // turn: no window completed
        " 12.3",  // bank
        "    0",  // roll
        " 28.6",  // prop, in degrees
        "  181",  // hp, converted
        " 1234",  // thrust
        "77.00",  // AoA
        "0",      // stall
    };
    ASSERT_EQ(row.size(), expected.size() + 1) << "index and 15 values";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(row[i + 1], expected[i]) << "column " << i + 1;
    }
}

}  // namespace
}  // namespace readout_test
