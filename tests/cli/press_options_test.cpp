// The command-line TIME:WHAT arguments: presses and timed pictures.
#include <gtest/gtest.h>

#include "host/fly/press_options.h"

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

// Messages name a press by its time: hundredths when they say it exactly, else
// the shortest text that reads back as the same time, whatever its size.
TEST(PressSpec, DescribesAnyTimeExactly) {
    const struct {
        Press press;
        const char* text;
    } cases[] = {
        {{11, Press::Target::Record, 0, 0}, "11.00 s record"},
        {{12.345, Press::Target::Point, 56, 10}, "12.345 s (56,10)"},
        {{1e-7, Press::Target::Record, 0, 0}, "1e-07 s record"},
        {{5e8, Press::Target::Record, 0, 0}, "500000000.00 s record"},
        {{2e9, Press::Target::Record, 0, 0}, "2e+09 s record"},
        {{1e300, Press::Target::Record, 0, 0}, "1e+300 s record"},
    };
    for (const auto& c : cases) EXPECT_EQ(describePress(c.press), c.text);
    EXPECT_EQ(describePress(parsePress("1e300:record")), "1e+300 s record");
}

TEST(TimedPictureSpec, SplitsAtTheFirstColon) {
    const TimedPicture picture = parseTimedPicture("140.5:shots/stall:1.png");
    EXPECT_EQ(picture.time, 140.5);
    EXPECT_EQ(picture.file, "shots/stall:1.png");
    EXPECT_EQ(parseTimedPicture("+2:a.png").time, 2);
}

// fly and `log replay` share these messages; the replay names its file OUT.png.
TEST(TimedPictureSpec, RejectsWhatItCannotRead) {
    const struct {
        const char* argument;
        const char* fileForm;
        const char* message;
    } cases[] = {
        {"140.png", "FILE", "\"140.png\": expected TIME:FILE"},
        {"140:", "OUT.png", "\"140:\": expected TIME:OUT.png"},
        {"later:a.png", "FILE", "\"later:a.png\": the time \"later\" is not a number of seconds"},
        {":a.png", "FILE", "\":a.png\": the time \"\" is not a number of seconds"},
        {"-1:a.png", "FILE", "\"-1:a.png\": the time must be a finite number of seconds, 0 or more"},
        {"nan:a.png", "OUT.png", "\"nan:a.png\": the time must be a finite number of seconds, 0 or more"},
    };
    for (const auto& c : cases) {
        try {
            parseTimedPicture(c.argument, c.fileForm);
            ADD_FAILURE() << c.argument << " accepted";
        } catch (const UsageError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

}  // namespace
}  // namespace vorlat::cli
