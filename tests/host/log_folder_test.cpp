// The host's log folder: the module's relative log lands there, the process's
// own folder is back after every call, and a folder that cannot be entered or
// left is an error rather than a log written elsewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "host/folder_visit.h"
#include "host/host.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using vorlat::FolderVisit;
using vorlat::Host;
using vorlat::HostError;
using vorlat::HostOptions;
using vorlat::LoadError;
using vorlat::test::CurrentFolderScope;
using vorlat::test::ScratchFolder;

const fs::path LOG_NAME{std::string(vorlat::gauge::LOG_FILE_NAME)};
constexpr int RECORD_BUTTON_X = 51;
constexpr int BUTTON_Y = 4;

// A folder of that name inside the scratch folder, made when missing.
fs::path subfolder(const ScratchFolder& scratch, const char* name) {
    fs::create_directories(scratch / name);
    return scratch / name;
}

HostOptions inFolder(const fs::path& folder) {
    return {.modulePath = {}, .privateCopy = true, .resourceScript = {}, .logFolder = folder.string()};
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(HostLogFolder, TheModulesLogLandsThereAndTheProcessStaysPut) {
    const ScratchFolder scratch;
    const fs::path logFolder = subfolder(scratch, "simulator");
    const fs::path here = fs::current_path();
    const bool logHereBefore = fs::exists(LOG_NAME);
    Host host(inFolder(logFolder));
    host.setup();
    host.start();
    ASSERT_TRUE(host.press(RECORD_BUTTON_X, BUTTON_Y));
    host.update();
    ASSERT_TRUE(host.press(RECORD_BUTTON_X, BUTTON_Y));
    host.final();
    host.unload();
    EXPECT_EQ(fs::current_path(), here);
    const std::string log = contents(logFolder / LOG_NAME);
    EXPECT_TRUE(log.starts_with("Recording Enabled\r\n")) << log;
    EXPECT_TRUE(log.ends_with("End recording\r\n")) << log;
    EXPECT_EQ(fs::exists(LOG_NAME), logHereBefore);
    EXPECT_TRUE(host.violations().empty());
}

TEST(HostLogFolder, AMissingFolderOrAFileIsALoadErrorNamingIt) {
    const ScratchFolder scratch;
    std::ofstream(scratch.path() / "log.txt") << "not a folder";
    for (const char* name : {"gone", "log.txt"}) {
        const fs::path folder = scratch.path() / name;
        try {
            Host host(inFolder(folder));
            ADD_FAILURE() << "loaded with log folder " << folder;
        } catch (const LoadError& error) {
            EXPECT_NE(std::string(error.what()).find(folder.string()), std::string::npos) << error.what();
        }
    }
}

TEST(HostLogFolder, GoneBeforeARoutineRunsIsAHostErrorAndTheRoutineDoesNotRun) {
    const ScratchFolder scratch;
    const fs::path logFolder = subfolder(scratch, "simulator");
    const fs::path here = fs::current_path();
    Host host(inFolder(logFolder));
    host.clearCalls();
    fs::remove(logFolder);
    try {
        host.setup();
        FAIL() << "setup ran without its log folder";
    } catch (const HostError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("setupRoutine"), std::string::npos) << message;
        EXPECT_NE(message.find(logFolder.string()), std::string::npos) << message;
    }
    EXPECT_TRUE(host.calls().empty());
    EXPECT_EQ(fs::current_path(), here);
}

// The folder to return to vanishes while the visit lasts.
TEST(FolderVisitReturn, FailingIsAHostErrorOrAReportWhileUnwinding) {
    const CurrentFolderScope keep(fs::current_path());  // back where the test began, whatever it did
    const ScratchFolder scratch;
    const fs::path target = subfolder(scratch, "target");
    const auto visitWhileRemoving = [&](const char* start, bool failInside) {
        fs::current_path(subfolder(scratch, start));
        const FolderVisit visit(target, "the test's call");
        EXPECT_EQ(fs::current_path(), target);
        fs::remove(scratch.path() / start);
        if (failInside) throw std::runtime_error("fault inside the visit");
    };
    try {
        visitWhileRemoving("first", false);
        FAIL() << "returned to a removed folder";
    } catch (const HostError& error) {
        EXPECT_NE(std::string(error.what()).find("the test's call: cannot return"), std::string::npos) << error.what();
    }
    testing::internal::CaptureStderr();
    EXPECT_THROW(visitWhileRemoving("second", true), std::runtime_error);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot return from the log folder"), std::string::npos);
    EXPECT_EQ(fs::current_path(), target);
}

}  // namespace
