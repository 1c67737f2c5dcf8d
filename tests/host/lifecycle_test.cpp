// The real module's lifecycle as a host sees it: which services each routine
// calls, in which order, with which arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "host/host.h"
#include "host/layout.h"

namespace {

using vorlat::Host;
using vorlat::Service;
using vorlat::ServiceCall;

Host loadGauge() { return Host({.modulePath = {}, .privateCopy = true, .resourceScript = {}}); }

struct Expected {
    Service service;
    std::uint32_t variableId = 0;
};

void expectCalls(const std::vector<ServiceCall>& calls, const std::vector<Expected>& expected) {
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].slot, static_cast<int>(expected[i].service))
            << "call " << i << ": " << vorlat::serviceName(calls[i].slot);
        EXPECT_EQ(calls[i].variableId, expected[i].variableId) << "call " << i;
    }
}

std::uintptr_t rootWord(const Host& host) { return reinterpret_cast<std::uintptr_t>(host.rootRecord()); }
std::uintptr_t headerWord(const Host& host) { return reinterpret_cast<std::uintptr_t>(host.gaugeHeaderRecord()); }

class Lifecycle : public testing::TestWithParam<std::uint32_t> {};

TEST_P(Lifecycle, SetupStartFinalCallTheirServicesInOrder) {
    const std::uint32_t value = GetParam();
    Host host = loadGauge();

    host.setup(value);
    const std::vector<ServiceCall> setup = host.calls();
    expectCalls(setup, {{Service::ElementsSetup},
                        {Service::RegisterVariable, 127},
                        {Service::RegisterVariable, 1},
                        {Service::RegisterVariable, 61},
                        {Service::RegisterVariable, 80},
                        {Service::RegisterVariable, 84},
                        {Service::MouseAreasPrepare},
                        {Service::MouseAreasRegister}});
    ASSERT_EQ(setup.size(), 8u);
    EXPECT_EQ(setup[0].args, (std::vector<std::uintptr_t>{rootWord(host), value}));
    // The five stand-alone records lie 32 bytes apart, in registration order.
    for (std::size_t i = 2; i <= 5; ++i) {
        EXPECT_EQ(setup[i].args.at(0) - setup[i - 1].args.at(0), 32u) << i;
    }
    std::uintptr_t hostField = 0;
    std::memcpy(&hostField, host.rootRecord() + vorlat::layout::RECORDS.image.hostField, sizeof hostField);
    ASSERT_NE(hostField, 0u);
    ASSERT_EQ(setup[6].args.size(), 3u);
    EXPECT_EQ(setup[6].args[1], headerWord(host));
    EXPECT_EQ(setup[6].args[2], hostField + 4);
    EXPECT_EQ(setup[7].args, (std::vector<std::uintptr_t>{setup[6].args[0], headerWord(host)}));

    host.clearCalls();
    host.start();
    expectCalls(host.calls(), {{Service::ElementsStart},
                               {Service::RefreshVariable, 1},
                               {Service::RefreshVariable, 61},
                               {Service::RefreshVariable, 80},
                               {Service::RefreshVariable, 84}});
    EXPECT_EQ(host.calls()[0].args, std::vector<std::uintptr_t>{rootWord(host)});
    // Refreshes go to the records that were registered.
    for (std::size_t i = 1; i < 5; ++i) EXPECT_EQ(host.calls()[i].args, setup[i + 1].args) << i;

    host.clearCalls();
    host.relay5(value);
    expectCalls(host.calls(), {{Service::ElementsRelay5}});
    EXPECT_EQ(host.calls()[0].args, (std::vector<std::uintptr_t>{rootWord(host), value}));

    host.clearCalls();
    host.final();
    expectCalls(host.calls(), {{Service::MouseAreasRelease}, {Service::ElementsFinal}});
    EXPECT_EQ(host.calls()[0].args, (std::vector<std::uintptr_t>{setup[6].args[0], headerWord(host)}));
    EXPECT_EQ(host.calls()[1].args, std::vector<std::uintptr_t>{rootWord(host)});

    EXPECT_TRUE(host.violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Host, Lifecycle, testing::Values(0u, 0xFFFFFFFFu, 0x80000001u));

struct RelayCase {
    const char* name;
    void (Host::*relay)();
    Service service;
};

class Relay : public testing::TestWithParam<RelayCase> {};

TEST_P(Relay, HandsTheRootToItsService) {
    Host host = loadGauge();
    host.setup();
    host.clearCalls();
    (host.*GetParam().relay)();
    expectCalls(host.calls(), {{GetParam().service}});
    EXPECT_EQ(host.calls()[0].args, std::vector<std::uintptr_t>{rootWord(host)});
    EXPECT_TRUE(host.violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Host, Relay,
                         testing::Values(RelayCase{"Relay1", &Host::relay1, Service::ElementsRelay1},
                                         RelayCase{"Relay4", &Host::relay4, Service::ElementsRelay4},
                                         RelayCase{"Relay6", &Host::relay6, Service::ElementsRelay6}),
                         [](const auto& testRow) { return testRow.param.name; });

// A whole session with lively values: every readout runs, nothing breaks the contract.
TEST(HostSession, RunsTwoCyclesWithoutViolations) {
    Host host = loadGauge();
    for (int cycle = 0; cycle < 2; ++cycle) {
        host.setup();
        host.start();
        for (int tick = 0; tick < 40; ++tick) {
            for (std::uint32_t id : {1u,   2u,   61u,  65u,  67u,  71u,  72u,  73u,  78u,  80u,  84u,  127u,
                                     310u, 312u, 342u, 349u, 350u, 351u, 385u, 386u, 390u, 391u, 402u, 403u,
                                     409u, 410u, 411u, 412u, 415u, 416u, 417u, 418u, 421u, 425u}) {
                host.setVariable(id, std::sin(tick * 0.37 + id) * 1000.0 + tick * 3.0);
            }
            host.setThrottleWord(static_cast<std::int16_t>(tick * 800 - 16000));
            host.setDataWord(174, tick * 1000);
            host.setDataWord(175, -tick * 999);
            host.update();
        }
        host.final();
    }
    for (const auto& child : host.children()) {
        EXPECT_TRUE(child.called) << child.child;
        if (child.kind == 2) {
            EXPECT_FALSE(child.text.empty()) << child.child;
        }
    }
    host.unload();
    EXPECT_TRUE(host.violations().empty()) << host.violations().front();
}

TEST(HostSession, ExtremeValuesKeepEveryTextInsideItsBuffer) {
    Host host = loadGauge();
    host.setup();
    host.start();
    const double extremes[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, 2147483648.0, -2147483649.0, 0.0};
    for (double value : extremes) {
        for (std::uint32_t id = 0; id < 512; ++id) host.setVariable(id, value);
        host.setThrottleWord(-32768);
        host.setDataWord(174, INT32_MIN);
        host.setDataWord(175, INT32_MAX);
        host.update();
    }
    host.final();
    EXPECT_TRUE(host.violations().empty()) << host.violations().front();
}

}  // namespace
