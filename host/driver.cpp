// Driving the gauge: its lifecycle routines, one panel update, presses and help
// ids, the host variables, and what tests and tools read back.
#include <cstdint>

#include "host/host_state.h"

namespace vorlat {

using detail::boxContains;
using detail::ChildResult;
using detail::ModuleCall;
using detail::pointerAt;
using detail::R;
using detail::readAt;
using detail::word;

namespace {

constexpr const char* ROUTINE_NAMES[layout::ROUTINE_COUNT] = {
    "relayRoutine1", "setupRoutine", "startRoutine", "relayRoutine4", "relayRoutine5", "relayRoutine6", "finalRoutine"};
enum RoutineIndex { RELAY1, SETUP, START, RELAY4, RELAY5, RELAY6, FINAL };

std::uintptr_t routineAddress(const Host::State& state, int index) {
    return pointerAt(state.header, R.gaugeHeader.routines + std::size_t(index) * R.pointerSize);
}

void callRoutine(Host::State& state, int index, const std::uint32_t* value) {
    state.requireLoaded(ROUTINE_NAMES[index]);
    const std::uintptr_t address = routineAddress(state, index);
    if (address == 0) {
        state.violation(std::string("the gauge header's ") + ROUTINE_NAMES[index] + " is null");
        return;
    }
    {
        ModuleCall call(state, ROUTINE_NAMES[index]);
        if (value != nullptr) {
            reinterpret_cast<detail::RoutineWithValue>(address)(*value);
        } else {
            reinterpret_cast<detail::Routine>(address)();
        }
    }
    state.checkTexts();
}

// An icon's callback picks the image from its refreshed slot.
void updateIcon(Host::State& s, std::byte* child, ChildResult& result) {
    std::byte* slot = child + R.icon.var;
    s.fillSlot(slot);
    const auto callback = reinterpret_cast<detail::IconCallback>(pointerAt(child, R.icon.callback));
    if (callback == nullptr) return;
    const double shown = callback(detail::recordOf<ModuleVariable>(slot));
    const auto imageCount = readAt<std::uint32_t>(child, R.icon.imageCount);
    result.lastResult = shown;
    result.called = true;
    // The comparisons are false for NaN: no image.
    const bool inRange = shown >= 0 && shown < double(imageCount) && shown <= double(INT32_MAX);
    result.shownImage = inRange ? static_cast<int>(shown) : -1;
}

// A text's callback gets its first slot's value and writes the host's buffer.
void updateText(Host::State& s, std::size_t i) {
    std::byte* child = s.children[i];
    for (int slot = 0; slot < layout::TEXT_VARIABLE_SLOTS; ++slot) {
        s.fillSlot(child + R.text.vars + std::size_t(slot) * R.variable.size);
    }
    const auto callback = reinterpret_cast<detail::ReadoutCallback>(pointerAt(child, R.text.callback));
    if (callback == nullptr) return;
    s.results[i].lastResult = callback(readAt<double>(child, R.text.vars + R.variable.value));
    s.results[i].called = true;
    s.checkText(i);  // the callback's own buffer at once, so a fault names its element
}

void requireElementsReady(Host::State& s, const char* what) {
    s.requireLoaded(what);
    if (!s.elementsReady) {
        throw std::logic_error(std::string(what) +
                               ": the elements are not set up (call setup first, and not after final)");
    }
}

// One child's part of an update: its variable slots refreshed, its callback called.
void updateChild(Host::State& s, std::size_t index) {
    const int kind = s.kindOf(s.children[index]);
    if (kind == gauge::ICON_KIND) {
        updateIcon(s, s.children[index], s.results[index]);
    } else if (kind == gauge::TEXT_KIND) {
        updateText(s, index);
    }
}

}  // namespace

void Host::setup(std::uint32_t value) { callRoutine(*state_, SETUP, &value); }
void Host::start() { callRoutine(*state_, START, nullptr); }
void Host::final() { callRoutine(*state_, FINAL, nullptr); }
void Host::relay1() { callRoutine(*state_, RELAY1, nullptr); }
void Host::relay4() { callRoutine(*state_, RELAY4, nullptr); }
void Host::relay5(std::uint32_t value) { callRoutine(*state_, RELAY5, &value); }
void Host::relay6() { callRoutine(*state_, RELAY6, nullptr); }

void Host::update() {
    State& s = *state_;
    requireElementsReady(s, "update");
    {
        ModuleCall call(s, "update");
        for (std::size_t i = 0; i < s.children.size(); ++i) updateChild(s, i);
    }
    s.checkTexts();  // and any buffer a callback wrote that was not its own
}

void Host::advanceClock(std::size_t index, std::uint32_t tick, double ticksPerUpdate, std::size_t updates) {
    State& s = *state_;
    requireElementsReady(s, "advanceClock");
    (void)s.children.at(index);  // std::out_of_range for a child that is not there
    {
        ModuleCall call(s, "advanceClock");
        for (std::size_t n = 0; n < updates; ++n) {
            s.variables[tick] += ticksPerUpdate;
            updateChild(s, index);
        }
    }
    s.checkTexts();
}

void Host::setVariable(std::uint32_t id, double value) { state_->variables[id] = value; }
double Host::variable(std::uint32_t id) const {
    const auto found = state_->variables.find(id);
    return found == state_->variables.end() ? 0.0 : found->second;
}
void Host::setThrottleWord(std::int16_t value) { state_->throttleWord = value; }
void Host::setDataWord(std::size_t index, std::int32_t value) { state_->data.at(index) = value; }

ElementView Host::background() const {
    state_->requireLoaded("background");
    return state_->view(state_->root, 0);
}

ElementView Host::child(std::size_t index) const {
    const State& s = *state_;
    s.requireLoaded("child");
    ElementView v = s.view(s.children.at(index), index);
    const ChildResult& result = s.results[index];
    v.shownImage = result.shownImage;
    v.lastResult = result.lastResult;
    v.called = result.called;
    if (s.texts[index]) v.text = s.texts[index]->text();
    return v;
}

std::vector<ElementView> Host::children() const {
    std::vector<ElementView> views;
    for (std::size_t i = 0; i < childCount(); ++i) views.push_back(child(i));
    return views;
}

std::optional<std::size_t> Host::textChildAt(int x, int y) const {
    const State& s = *state_;
    s.requireLoaded("textChildAt");
    for (std::size_t i = 0; i < s.children.size(); ++i) {
        const std::byte* c = s.children[i];
        if (s.kindOf(c) == gauge::TEXT_KIND &&
            boxContains(readAt<std::int32_t>(c, R.element.x), readAt<std::int32_t>(c, R.element.y),
                        readAt<std::int32_t>(c, R.text.width), readAt<std::int32_t>(c, R.text.height), x, y)) {
            return i;
        }
    }
    return std::nullopt;
}

bool Host::press(int x, int y) {
    State& s = *state_;
    s.requireLoaded("press");
    if (s.mouseAreas == nullptr) return false;
    const auto areas = s.readAreas(s.mouseAreas, nullptr);
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const MouseAreaView& a = areas[i];
        const bool pressable = a.kind == gauge::AREA_ACTIVE && (a.eventMask & gauge::PRESS_EVENT) != 0;
        if (!pressable || !boxContains(a.x, a.y, a.width, a.height, x, y)) {
            continue;
        }
        const std::byte* area = s.mouseAreas + i * R.mouseArea.size;
        const auto handler = reinterpret_cast<detail::MouseHandler>(pointerAt(area, R.mouseArea.handler));
        if (handler == nullptr) continue;
        {
            ModuleCall call(s, "press");
            handler(0, gauge::PRESS_EVENT);
        }
        s.checkTexts();
        return true;
    }
    return false;
}

std::optional<std::uint32_t> Host::helpIdAt(int x, int y) const {
    std::optional<std::uint32_t> found;
    int foundDepth = -1;
    for (const MouseAreaView& a : mouseAreas()) {
        if (a.kind == gauge::AREA_BEGIN_GROUP && a.helpId != 0 && a.depth > foundDepth &&
            boxContains(a.x, a.y, a.width, a.height, x, y)) {
            found = a.helpId;
            foundDepth = a.depth;
        }
    }
    return found;
}

std::vector<MouseAreaView> Host::mouseAreas() const {
    state_->requireLoaded("mouseAreas");
    if (state_->mouseAreas == nullptr) return {};
    return state_->readAreas(state_->mouseAreas, nullptr);
}

const std::vector<ServiceCall>& Host::calls() const { return state_->calls; }
void Host::clearCalls() { state_->calls.clear(); }
const std::vector<std::string>& Host::violations() const { return state_->violations; }

Bitmap Host::bitmap(int resourceId) const {
    state_->requireLoaded("bitmap");
    return decodeBitmap(state_->library->bitmap(resourceId, state_->options.resourceScript));
}

const std::byte* Host::linkageRecord() const {
    state_->requireLoaded("linkageRecord");
    return state_->linkage;
}
const std::byte* Host::gaugeHeaderRecord() const {
    state_->requireLoaded("gaugeHeaderRecord");
    return state_->header;
}
const std::byte* Host::rootRecord() const {
    state_->requireLoaded("rootRecord");
    return state_->root;
}
const std::byte* Host::childRecord(std::size_t index) const {
    state_->requireLoaded("childRecord");
    return state_->children.at(index);
}
std::size_t Host::childCount() const {
    state_->requireLoaded("childCount");
    return state_->children.size();
}

}  // namespace vorlat
