// The fly command's option values: presses and timed pictures.
#include <gtest/gtest.h>

#include "host/cli/press_options.h"

namespace vorlat::cli {
namespace {

using flight::Press;

TEST(PressSpec, ReadsEveryForm) {
    const struct {
        const char* argument;
        Press press;
    } cases[] = {
        {"38:record", {38, Press::Target::Record, 0, 0}},
        {"0:pause", {0, Press::Target::Pause, 0, 0}},
        {"12.5:56,10", {12.5, Press::Target::Point, 56, 10}},
        {"+1:0,84", {1, Press::Target::Point, 0, 84}},
    };
    for (const auto& c : cases) EXPECT_EQ(parsePress(c.argument), c.press) << c.argument;
}

TEST(PressSpec, RejectsWhatItCannotRead) {
    const struct {
        const char* argument;
        const char* message;
    } cases[] = {
        {"record", "\"record\": expected TIME:record, TIME:pause or TIME:X,Y"},
        {"x:record", "\"x:record\": the time \"x\" is not a number of seconds"},
        {"-1:record", "\"-1:record\": the time must be a finite number of seconds, 0 or more"},
        {"inf:pause", "\"inf:pause\": the time must be a finite number of seconds, 0 or more"},
        {"3:stop", "\"3:stop\": after the time, expected record, pause or X,Y"},
        {"3:5", "\"3:5\": after the time, expected record, pause or X,Y"},
        {"3:5.5,2", "\"3:5.5,2\": \"5.5\" is not a whole pixel coordinate"},
        {"3:5,", "\"3:5,\": \"\" is not a whole pixel coordinate"},
    };
    for (const auto& c : cases) {
        try {
            parsePress(c.argument);
            ADD_FAILURE() << c.argument << " accepted";
        } catch (const UsageError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(TimedPictureSpec, SplitsAtTheFirstColon) {
    const TimedPicture picture = parseTimedPicture("140.5:shots/stall:1.png");
    EXPECT_EQ(picture.time, 140.5);
    EXPECT_EQ(picture.file, "shots/stall:1.png");
    EXPECT_THROW(parseTimedPicture("140.png"), UsageError);
    EXPECT_THROW(parseTimedPicture("140:"), UsageError);
    EXPECT_THROW(parseTimedPicture("later:a.png"), UsageError);
}

}  // namespace
}  // namespace vorlat::cli
