// A comma-decimal locale in the host process must not reach the panel texts.
#include <clocale>
#include <cstdio>
#include <string>

#include "tests/readouts/readout_fixture.h"

namespace readout_test {
namespace {

class CommaLocale {
public:
    CommaLocale() : previous_(std::setlocale(LC_ALL, nullptr)) { active_ = std::setlocale(LC_ALL, "de_DE.UTF-8"); }
    ~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    bool active() const { return active_ != nullptr; }

private:
    std::string previous_;
    const char* active_ = nullptr;
};

TEST(Locale, EveryTextUsesAFullStop) {
    CommaLocale locale;
    if (!locale.active()) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/install-deps.sh generates it)";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale is active but does not use a decimal comma";

    Panel panel;
    panel.update({var(386, 12.34), var(385, 1.5), var(421, 60), var(312, 1000), var(310, 1000), var(80, 2.26),
                  var(78, 1.25), var(351, 700), var(349, 20000), var(411, 0.5), var(391, 2000), var(410, 1.25),
                  var(342, 10000), var(350, 0.25), var(71, 5e6), var(72, 1e13), dataWord(TAS_WORD, 20000),
                  dataWord(IAS_WORD, 18000)});
    int decimalTexts = 0;
    for (const auto& child : panel.host().children()) {
        if (child.kind != 2) continue;
        SCOPED_TRACE(child.child);
        EXPECT_EQ(child.text.find(','), std::string::npos) << child.text;
        if (child.text.find('.') != std::string::npos) ++decimalTexts;
    }
    EXPECT_GE(decimalTexts, 20) << "most boxes show a decimal text";
}

}  // namespace
}  // namespace readout_test
