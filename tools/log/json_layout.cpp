#include "tools/log/json_layout.h"

#include <cmath>

#include "tools/log/number_text.h"

namespace vorlat::flightlog {

namespace {

class LayoutWriter {
public:
    LayoutWriter(std::string& out, const JsonLayout& layout) : out_(out), layout_(layout) {}

    void write(const Json& value) {
        switch (value.type()) {
            case Json::value_t::object:
            case Json::value_t::array: container(value); break;
            case Json::value_t::number_float: number(value.get<double>()); break;
            default: escaped(value);  // strings, whole numbers, true, false, null: as the library writes them
        }
    }

private:
    void escaped(const Json& value) { out_ += value.dump(-1, ' ', false, Json::error_handler_t::replace); }

    void number(double value) {
        if (std::isfinite(value)) appendNumber(out_, value, -1);
        else out_ += "null";
    }

    const JsonLines* linesHere() const {
        for (const JsonBreaks& breaks : layout_.breaks)
            if (breaks.path == path_) return &breaks.lines;
        return nullptr;
    }

    void container(const Json& value) {
        const bool object = value.is_object();
        out_ += object ? '{' : '[';
        if (value.empty()) {
            out_ += object ? '}' : ']';
            return;
        }
        const JsonLines* breaks = linesHere();
        out_ += breaks ? breaks->open : "";
        const std::string_view separator = breaks ? breaks->separator : layout_.separator;
        bool first = true;
        for (auto member = value.begin(); member != value.end(); ++member) {
            if (!first) out_ += separator;
            first = false;
            const std::size_t pathSize = path_.size();
            if (object) {
                escaped(Json(member.key()));
                out_ += layout_.nameSeparator;
                path_ += '/';
                path_ += member.key();
            } else {
                path_ += "/*";
            }
            write(*member);
            path_.resize(pathSize);
        }
        out_ += breaks ? breaks->close : "";
        out_ += object ? '}' : ']';
    }

    std::string& out_;
    const JsonLayout& layout_;
    std::string path_;  // of the value being written
};

}  // namespace

void appendJson(std::string& out, const Json& value, const JsonLayout& layout) { LayoutWriter(out, layout).write(value); }

std::string jsonText(const Json& value, const JsonLayout& layout) {
    std::string out;
    appendJson(out, value, layout);
    return out;
}

Json jsonNumber(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }
Json jsonNumberIf(bool exists, double value) { return exists ? jsonNumber(value) : Json(nullptr); }

}  // namespace vorlat::flightlog
