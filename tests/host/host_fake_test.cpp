// The host's own behaviour, driven through a small fake module: what it refuses
// to load, the contract breaches it reports, how it maps results and presses,
// and what a private copy buys.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <ostream>

#include "host/host.h"
#include "module/linkage.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using vorlat::Host;
using vorlat::HostOptions;
using vorlat::LoadError;
using vorlat::Service;
using vorlat::test::ScratchFolder;

// The breaches fake_module.cpp commits when relayRoutine5 is given these values.
constexpr std::uint32_t CALL_UNUSED_SLOT = 0xB001;
constexpr std::uint32_t REFRESH_UNREGISTERED = 0xB002;
constexpr std::uint32_t WRITE_40_CHARS = 0xB003;
constexpr std::uint32_t WRITE_31_CHARS = 0xB004;
constexpr std::uint32_t WRITE_32_CHARS = 0xB005;
constexpr std::uint32_t MOVE_TEXT_POINTER = 0xB006;

constexpr std::size_t FAKE_ICON = 0;
constexpr std::size_t FAKE_TEXT = 1;
constexpr std::size_t SILENT_TEXT = 2;
constexpr std::uint32_t ICON_VAR = 11;
constexpr std::uint32_t TEXT_VAR = 12;
constexpr std::uint32_t PROBE_VAR = 127;

// Packed records: read a field by value, never bind a reference to it.
template <class T>
T copied(T value) {
    return value;
}

std::string fakeModule(const std::string& variant = "fake_gauge") {
    return std::string(FAKE_MODULE_DIR) + "/" + variant + ".gau";
}

HostOptions fakeOptions(const std::string& variant = "fake_gauge") {
    return {.modulePath = fakeModule(variant), .privateCopy = true, .resourceScript = {}};
}

int privateCopiesOf(const std::string& fileName) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("vorlat-") && name.ends_with("-" + fileName)) ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------
// Loading

struct RefusalCase {
    const char* name;
    std::string modulePath;
    const char* reason;
};

void PrintTo(const RefusalCase& row, std::ostream* out) { *out << row.name; }

class LoadRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(LoadRefusal, NamesTheFileAndTheFailedCheck) {
    const RefusalCase& row = GetParam();
    try {
        Host host({.modulePath = row.modulePath, .privateCopy = true, .resourceScript = {}});
        FAIL() << "loaded " << row.modulePath;
    } catch (const LoadError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(row.modulePath), std::string::npos) << message;
        EXPECT_NE(message.find(row.reason), std::string::npos) << message;
    }
    // A refused module leaves no private copy behind.
    EXPECT_EQ(privateCopiesOf(fs::path(row.modulePath).filename().string()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Host, LoadRefusal,
    testing::Values(
        RefusalCase{"MissingFile", fakeModule("no_such_module"), "no such module file"},
        RefusalCase{"NotALibrary", std::string(HOST_TEST_SOURCE_DIR) + "/fake_module.cpp", "not a loadable library"},
        RefusalCase{"NoLinkage", fakeModule("fake_gauge_no_linkage"), "exports no record \"Linkage\""},
        RefusalCase{"WrongModuleTag", fakeModule("fake_gauge_module_tag"), "Linkage moduleTag is 0x14, expected 0x13"},
        RefusalCase{"WrongHeaderTag", fakeModule("fake_gauge_header_tag"),
                    "GaugeHeader headerTag is 0x263, expected 0x262"},
        RefusalCase{"WrongGaugeName", fakeModule("fake_gauge_name"),
                    "gauge name is \"ZEK.other\", expected \"ZEK.vorlat\""},
        RefusalCase{"NoServicesEntry", fakeModule("fake_gauge_no_services"), "ImportTable has no entry 0x0F"}),
    [](const auto& testRow) { return testRow.param.name; });

void setModuleVariable(const char* value) {
#if defined(_WIN32)
    ASSERT_EQ(_putenv_s("VORLAT_MODULE", value), 0);
#else
    ASSERT_EQ(*value ? setenv("VORLAT_MODULE", value, 1) : unsetenv("VORLAT_MODULE"), 0);
#endif
}

TEST(HostLoading, VorlatModuleVariableOverridesTheBuiltInDefault) {
    const char* before = std::getenv("VORLAT_MODULE");
    const std::string saved = before ? before : "";
    setModuleVariable("/elsewhere/ZEK.vorlat.gau");
    EXPECT_EQ(vorlat::defaultModulePath(), "/elsewhere/ZEK.vorlat.gau");
    setModuleVariable("");
    EXPECT_NE(vorlat::defaultModulePath(), "/elsewhere/ZEK.vorlat.gau");
    EXPECT_TRUE(vorlat::defaultModulePath().ends_with("ZEK.vorlat.gau"));
    setModuleVariable(saved.c_str());
}

TEST(HostLoading, FillsBothImportEntriesBeforeAnyRoutine) {
    Host host(fakeOptions());
    host.setup();
    host.start();
    // The probe's refresh reached the host: the services pointer was in place.
    ASSERT_FALSE(host.calls().empty());
    EXPECT_EQ(host.calls().back().slot, static_cast<int>(Service::RefreshVariable));
    EXPECT_EQ(host.calls().back().variableId, PROBE_VAR);
    EXPECT_TRUE(host.violations().empty());
}

// ---------------------------------------------------------------------------
// Contract breaches

struct BreachCase {
    const char* name;
    std::uint32_t relayValue;
    const char* violation;  // empty: none expected
};

class ContractBreach : public testing::TestWithParam<BreachCase> {};

TEST_P(ContractBreach, IsReportedOnceAndRepaired) {
    const BreachCase& row = GetParam();
    Host host(fakeOptions());
    host.setup();
    host.start();
    ASSERT_TRUE(host.violations().empty());
    host.relay5(row.relayValue);
    if (std::strlen(row.violation) == 0) {
        EXPECT_TRUE(host.violations().empty()) << host.violations().front();
    } else {
        ASSERT_EQ(host.violations().size(), 1u);
        EXPECT_NE(host.violations()[0].find(row.violation), std::string::npos) << host.violations()[0];
    }
    // The host repairs what it can: later updates write into its own buffer again.
    host.update();
    EXPECT_EQ(host.violations().size(), std::strlen(row.violation) == 0 ? 0u : 1u);
    EXPECT_EQ(host.child(FAKE_TEXT).text, "n=0");
}

INSTANTIATE_TEST_SUITE_P(
    Host, ContractBreach,
    testing::Values(BreachCase{"UnusedServiceSlot", CALL_UNUSED_SLOT, "module called unused host service slot 7"},
                    BreachCase{"RefreshOfUnregisteredVariable", REFRESH_UNREGISTERED, "refreshVariable on variable 9"},
                    BreachCase{"TextOf40Chars", WRITE_40_CHARS, "text element 1 wrote past its 32-byte text buffer"},
                    BreachCase{"TextOf31CharsFits", WRITE_31_CHARS, ""},
                    BreachCase{"TextOf32CharsPutsItsEndPastTheBuffer", WRITE_32_CHARS,
                               "text element 1 wrote past its 32-byte text buffer"},
                    BreachCase{"TextPointerMoved", MOVE_TEXT_POINTER, "text element 1 had its text pointer changed"},
                    BreachCase{"PlainRelay", 0x1234, ""}),
    [](const auto& testRow) { return testRow.param.name; });

TEST(HostContract, ChildrenBeforeSetupOrAfterFinalAreAHostBug) {
    Host host(fakeOptions());
    EXPECT_THROW(host.update(), std::logic_error);
    host.setup();
    host.update();
    host.final();
    EXPECT_THROW(host.update(), std::logic_error);
    host.setup();  // a second cycle sets the elements up again
    EXPECT_NO_THROW(host.update());
    host.unload();
    EXPECT_THROW(host.update(), std::logic_error);
    EXPECT_THROW(host.setup(), std::logic_error);
    EXPECT_THROW(host.children(), std::logic_error);
}

// ---------------------------------------------------------------------------
// Update: variable slots, results, shown images

struct IconResultCase {
    const char* name;
    double result;  // the fake icon returns its variable's value
    int shownImage;
};

class IconResult : public testing::TestWithParam<IconResultCase> {};

TEST_P(IconResult, SelectsAnImageOnlyInsideTheImageCount) {
    const IconResultCase& row = GetParam();
    Host host(fakeOptions());
    host.setup();
    host.start();
    host.setVariable(ICON_VAR, row.result);
    host.update();
    const vorlat::ElementView icon = host.child(FAKE_ICON);
    EXPECT_TRUE(icon.called);
    EXPECT_EQ(icon.shownImage, row.shownImage);
    if (std::isnan(row.result)) {
        EXPECT_TRUE(std::isnan(icon.lastResult));
    } else {
        EXPECT_EQ(icon.lastResult, row.result);
    }
}

constexpr double INF = std::numeric_limits<double>::infinity();
INSTANTIATE_TEST_SUITE_P(Host, IconResult,
                         testing::Values(IconResultCase{"Zero", 0.0, 0}, IconResultCase{"Half", 0.5, 0},
                                         IconResultCase{"One", 1.0, 1}, IconResultCase{"JustBelowCount", 1.999, 1},
                                         IconResultCase{"Count", 2.0, -1}, IconResultCase{"MinusOne", -1.0, -1},
                                         IconResultCase{"SmallNegative", -0.25, -1}, IconResultCase{"Huge", 1e300, -1},
                                         IconResultCase{"Infinity", INF, -1},
                                         IconResultCase{"NaN", std::numeric_limits<double>::quiet_NaN(), -1}),
                         [](const auto& testRow) { return testRow.param.name; });

TEST(HostUpdate, RefreshesEverySlotAndCallsOnlyPresentCallbacks) {
    Host host(fakeOptions());
    host.setup();
    host.start();
    host.setVariable(TEXT_VAR, 21.25);
    host.update();

    const vorlat::ElementView text = host.child(FAKE_TEXT);
    EXPECT_TRUE(text.called);
    EXPECT_EQ(text.lastResult, 42.5);  // the fake doubles its argument
    EXPECT_EQ(text.text, "n=0");

    // The silent element has no callback, yet its slot is kept current.
    const vorlat::ElementView silent = host.child(SILENT_TEXT);
    EXPECT_FALSE(silent.called);
    EXPECT_TRUE(std::isnan(silent.lastResult));
    const auto* record = reinterpret_cast<const TextElement*>(host.childRecord(SILENT_TEXT));
    EXPECT_EQ(copied(record->vars[0].value), 21.25);
    ASSERT_NE(copied(record->vars[0].hostAddress), nullptr);
    EXPECT_EQ(*static_cast<const double*>(copied(record->vars[0].hostAddress)), 21.25);
    EXPECT_EQ(copied(record->vars[1].hostAddress), nullptr);  // empty slots are left alone
    EXPECT_EQ(copied(record->vars[1].value), 0.0);
}

TEST(HostUpdate, ThrottleVariableLendsItsSixteenBitWord) {
    // The fake binds identifier 127 and refreshes it at start.
    Host host(fakeOptions());
    host.setup();
    host.setVariable(PROBE_VAR, 0.75);
    host.setThrottleWord(-1234);
    host.start();
    const vorlat::ServiceCall& refresh = host.calls().back();
    ASSERT_EQ(refresh.slot, static_cast<int>(Service::RefreshVariable));
    const auto* probe = reinterpret_cast<const ModuleVariable*>(refresh.args.at(0));
    EXPECT_EQ(probe->id, PROBE_VAR);
    EXPECT_EQ(copied(probe->value), 0.75);
    ASSERT_NE(copied(probe->hostAddress), nullptr);
    std::int16_t word = 0;
    std::memcpy(&word, copied(probe->hostAddress), sizeof word);
    EXPECT_EQ(word, -1234);
}

// ---------------------------------------------------------------------------
// Mouse

struct PressCase {
    const char* name;
    int x, y;
    bool handled;
};

class FakePress : public testing::TestWithParam<PressCase> {};

TEST_P(FakePress, ReachesOnlyAPressAreaWithAHandler) {
    const PressCase& row = GetParam();
    Host host(fakeOptions());
    host.setup();
    host.start();
    EXPECT_EQ(host.press(row.x, row.y), row.handled);
    host.update();
    EXPECT_EQ(host.child(FAKE_TEXT).text, row.handled ? "n=1" : "n=0");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Host, FakePress,
                         testing::Values(PressCase{"TopLeftCorner", 40, 0, true},
                                         PressCase{"BottomRightCorner", 49, 9, true},
                                         PressCase{"RightOfTheBox", 50, 0, false},
                                         PressCase{"BelowTheBox", 40, 10, false},
                                         PressCase{"LeftOfTheBox", 39, 5, false},
                                         PressCase{"AreaWithoutThePressBit", 60, 0, false},
                                         PressCase{"AreaWithoutAHandler", 80, 0, false},
                                         PressCase{"HelpGroup", 13, 13, false}),
                         [](const auto& testRow) { return testRow.param.name; });
// clang-format on

TEST(HostMouse, HelpComesFromTheInnermostGroupAndGroupsNest) {
    Host host(fakeOptions());
    EXPECT_TRUE(host.mouseAreas().empty());
    host.setup();
    EXPECT_EQ(host.helpIdAt(13, 13), 0x200u);
    EXPECT_EQ(host.helpIdAt(10, 10), 0x100u);
    EXPECT_EQ(host.helpIdAt(29, 19), 0x100u);
    EXPECT_EQ(host.helpIdAt(30, 10), std::nullopt);
    EXPECT_EQ(host.helpIdAt(0, 0), std::nullopt);

    std::vector<int> depths;
    for (const auto& area : host.mouseAreas()) depths.push_back(area.depth);
    EXPECT_EQ(depths, (std::vector<int>{0, 1, 2, 2, 1, 1, 1, 1, 0, 0}));

    host.final();
    EXPECT_TRUE(host.mouseAreas().empty());
    EXPECT_FALSE(host.press(40, 0));
    EXPECT_EQ(host.helpIdAt(13, 13), std::nullopt);
    EXPECT_TRUE(host.violations().empty());
}

// ---------------------------------------------------------------------------
// Private copies

TEST(HostPrivateCopy, GivesEachHostFreshModuleStateAndLeavesNoFileBehind) {
    const ScratchFolder scratch;
    const std::string uniqueName = "fake_" + scratch.path().filename().string() + ".gau";
    fs::copy_file(fakeModule(), scratch.path() / uniqueName);
    const HostOptions options{
        .modulePath = (scratch.path() / uniqueName).string(), .privateCopy = true, .resourceScript = {}};
    {
        Host first(options);
        Host second(options);
#if defined(_WIN32)
        EXPECT_EQ(privateCopiesOf(uniqueName), 2);  // a loaded library cannot be removed
#else
        EXPECT_EQ(privateCopiesOf(uniqueName), 0);  // removed once loaded: a crash leaves none
#endif
        first.setup();
        second.setup();
        EXPECT_TRUE(first.press(40, 0));
        first.update();
        second.update();
        EXPECT_EQ(first.child(FAKE_TEXT).text, "n=1");
        EXPECT_EQ(second.child(FAKE_TEXT).text, "n=0");
        first.unload();
#if defined(_WIN32)
        EXPECT_EQ(privateCopiesOf(uniqueName), 1);
#endif
    }
    EXPECT_EQ(privateCopiesOf(uniqueName), 0);
}

TEST(HostPrivateCopy, WithoutItHostsShareTheModuleState) {
    const ScratchFolder scratch;
    const auto path = scratch.path() / "shared_fake.gau";
    fs::copy_file(fakeModule(), path);
    const HostOptions options{.modulePath = path.string(), .privateCopy = false, .resourceScript = {}};
    Host first(options);
    Host second(options);
    first.setup();
    EXPECT_TRUE(first.press(40, 0));
    second.setup();  // after the press: the second setup takes the shared records' text pointers
    second.update();
    EXPECT_EQ(second.child(FAKE_TEXT).text, "n=1");
}

}  // namespace
