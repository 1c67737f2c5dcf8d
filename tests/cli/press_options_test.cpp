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
        {"1:0,84", {1, Press::Target::Point, 0, 84}},
        {"1:30:record", {90, Press::Target::Record, 0, 0}},
        {"1:02:03:pause", {3723, Press::Target::Pause, 0, 0}},
        {"2:20:30,40", {140, Press::Target::Point, 30, 40}},
    };
    for (const auto& c : cases) EXPECT_EQ(parsePress(c.argument), c.press) << c.argument;
}

TEST(PressSpec, RejectsWhatItCannotRead) {
    const struct {
        const char* argument;
        const char* message;
    } cases[] = {
        {"record", "\"record\": no colon; expected TIME:record, TIME:pause or TIME:X,Y, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"x:record", "\"x:record\": the time \"x\" has a field that is not a whole number; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"-1:record", "\"-1:record\": the time \"-1\" is negative; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"inf:pause", "\"inf:pause\": the time \"inf\" has a field that is not a whole number; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"1e2:pause", "\"1e2:pause\": the time \"1e2\" has a field that is not a whole number; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"3:stop", "\"3:stop\": after the time, expected record, pause or X,Y"},
        {"3:5", "\"3:5\": after the time, expected record, pause or X,Y"},
        {"3:5.5,2", "\"3:5.5,2\": \"5.5\" is not a whole pixel coordinate"},
        {"3:5,", "\"3:5,\": \"\" is not a whole pixel coordinate"},
        // No press has a colon: the digits before one belong to a time that does not read.
        {"1:3:record", "\"1:3:record\": the time \"1:3\" needs two digits after each colon, and \"3:record\" is no press; expected TIME:record, TIME:pause or TIME:X,Y, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"2:60:pause", "\"2:60:pause\": the time \"2:60\" has minutes or seconds of 60 or more, and \"60:pause\" is no press; expected TIME:record, TIME:pause or TIME:X,Y, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"1:02:03:04:pause", "\"1:02:03:04:pause\": the time \"1:02:03:04\" has more than three fields, and \"04:pause\" is no press; expected TIME:record, TIME:pause or TIME:X,Y, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"5:x:1,2", "\"5:x:1,2\": the time \"5:x\" has a field that is not a whole number, and \"x:1,2\" is no press; expected TIME:record, TIME:pause or TIME:X,Y, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
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
}

// The time is the longest part before a colon that reads as a time.
TEST(TimedPictureSpec, TakesTheLongestTimeBeforeAColon) {
    const struct {
        const char* argument;
        double time;
        const char* file;
    } cases[] = {
        {.argument = "140.5:shots/stall:1.png", .time = 140.5, .file = "shots/stall:1.png"},
        {.argument = "2:20:x.png", .time = 140, .file = "x.png"},
        {.argument = "1:02:20:x.png", .time = 3740, .file = "x.png"},
        {.argument = "1:02:20:30:x.png", .time = 3740, .file = "30:x.png"},  // three fields at most
        {.argument = "2:./20:x.png", .time = 2, .file = "./20:x.png"},       // a file named 20:x.png at 2 s
        {.argument = "2.0:20:x.png", .time = 2, .file = "20:x.png"},         // a fraction ends the time
        {.argument = "2:2:x.png", .time = 2, .file = "2:x.png"},             // one digit is no minute field
        {.argument = "2:60:x.png", .time = 2, .file = "60:x.png"},
    };
    for (const auto& c : cases) {
        const TimedPicture picture = parseTimedPicture(c.argument);
        EXPECT_EQ(picture.time, c.time) << c.argument;
        EXPECT_EQ(picture.file, c.file) << c.argument;
    }
}

// fly and `log replay` share these messages; the replay names its file OUT.png.
TEST(TimedPictureSpec, RejectsWhatItCannotRead) {
    const struct {
        const char* argument;
        const char* fileForm;
        const char* message;
    } cases[] = {
        {"140.png", "seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)ILE", "\"140.png\": no colon; expected TIME:seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)ILE, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"140:", "OUT.png", "\"140:\": nothing after the time; expected TIME:OUT.png, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"2:20:", "OUT.png", "\"2:20:\": nothing after the time; expected TIME:OUT.png, TIME as seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"later:a.png", "seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)ILE", "\"later:a.png\": the time \"later\" has a field that is not a whole number; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {":a.png", "seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)ILE", "\":a.png\": the time \"\" is empty; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"-1:a.png", "seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)ILE", "\"-1:a.png\": the time \"-1\" is negative; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
        {"nan:a.png", "OUT.png", "\"nan:a.png\": the time \"nan\" has a field that is not a whole number; expected seconds (140, 140.5), m:ss (2:20) or h:mm:ss (1:02:20)"},
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
