#include "device/sim_options.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>

namespace tilt::device {

namespace {
double parseNumber(std::string_view text, std::string_view what) {
    double value = 0;
    const auto* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != end) {
        throw std::invalid_argument("'" + std::string(text) + "' is not a number for " +
                                    std::string(what));
    }
    return value;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

double parseProbability(std::string_view text, std::string_view what) {
    const double p = parseNumber(text, what);
    if (p < 0.0 || p > 1.0) {
        throw std::invalid_argument(std::string(what) + " must lie between 0 and 1, not " +
                                    std::string(text));
    }
    return p;
}
}  // namespace

Preload parsePreload(std::string_view text) {
    if (text == "empty")
        return Preload::Empty;
    if (text == "bin")
        return Preload::Bin;
    if (text == "linear1")
        return Preload::Linear1;
    if (text == "linear2")
        return Preload::Linear2;
    if (text == "linear3")
        return Preload::Linear3;
    throw std::invalid_argument("unknown recording '" + std::string(text) +
                                "': use bin, linear1, linear2, linear3 or empty");
}

std::string_view preloadName(Preload preload) {
    switch (preload) {
        case Preload::Bin:
            return "bin";
        case Preload::Linear1:
            return "linear1";
        case Preload::Linear2:
            return "linear2";
        case Preload::Linear3:
            return "linear3";
        case Preload::Empty:
            break;
    }
    return "empty";
}

Nanos parseDuration(std::string_view text) {
    double scale = 1e9;
    std::string_view number = text;
    if (text.ends_with("ms")) {
        scale = 1e6;
        number.remove_suffix(2);
    } else if (text.ends_with("s")) {
        number.remove_suffix(1);
    }
    const double value = parseNumber(number, "a duration");
    if (value < 0) {
        throw std::invalid_argument("a duration cannot be negative: " + std::string(text));
    }
    return Nanos(std::llround(value * scale));  // 1.001 s is 1001000000 ns, not one less
}

Nanos parseReplyDelay(std::string_view text, std::string_view option) {
    const double ms = parseNumber(trimmed(text), std::string(option) + " (milliseconds)");
    if (ms < 0 || ms > 10000) {
        throw std::invalid_argument(
            std::string(option) + " takes milliseconds from 0 to 10000, not " + std::string(text));
    }
    return Nanos(std::llround(ms * 1e6));
}

SimOptions::DelayChange parseReplyDelayChange(std::string_view text) {
    const auto at = text.find('@');
    if (at == std::string_view::npos) {
        throw std::invalid_argument("--reply-delay-change takes MS@TIME (e.g. 150@5s), not " +
                                    std::string(text));
    }
    return {parseReplyDelay(text.substr(0, at), "--reply-delay-change"),
            parseDuration(text.substr(at + 1))};
}

bool parseOnOff(std::string_view text) {
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    throw std::invalid_argument("expected on or off, not '" + std::string(text) + "'");
}

FixedAttitude parseAttitude(std::string_view text) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) {
        throw std::invalid_argument("--attitude takes X,Y in degrees, e.g. 30,-20; not '" +
                                    std::string(text) + "'");
    }
    const std::string_view xText = trimmed(text.substr(0, comma));
    const std::string_view yText = trimmed(text.substr(comma + 1));
    const FixedAttitude attitude{parseNumber(xText, "the X angle"),
                                 parseNumber(yText, "the Y angle")};
    // Written so that a NaN fails too.
    if (!(attitude.x >= -180.0 && attitude.x <= 180.0)) {
        throw std::invalid_argument("the X angle must lie between -180 and 180 degrees, not " +
                                    std::string(xText));
    }
    if (!(attitude.y >= -90.0 && attitude.y <= 90.0)) {
        throw std::invalid_argument("the Y angle must lie between -90 and 90 degrees, not " +
                                    std::string(yText));
    }
    return attitude;
}

FaultPlan parseFaultList(std::string_view text) {
    FaultPlan plan;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (item.empty()) {
            continue;
        }
        const auto equals = item.find('=');
        if (equals == std::string_view::npos) {
            throw std::invalid_argument("fault '" + std::string(item) +
                                        "' needs a value, e.g. lose=0.01");
        }
        const std::string_view key = item.substr(0, equals);
        const std::string_view value = item.substr(equals + 1);
        if (key == "lose") {
            plan.lose = parseProbability(value, "lose");
        } else if (key == "extra") {
            plan.extra = parseProbability(value, "extra");
        } else if (key == "garble") {
            plan.garble = parseProbability(value, "garble");
        } else if (key == "short") {
            plan.shortReply = parseProbability(value, "short");
        } else if (key == "silence") {
            const auto at = value.find("@every");
            if (at == std::string_view::npos) {
                throw std::invalid_argument(
                    "silence takes LENGTH@everyPERIOD, e.g. silence=3s@every20s");
            }
            plan.silenceLength = parseDuration(value.substr(0, at));
            plan.silenceEvery = parseDuration(value.substr(at + 6));
            if (plan.silenceEvery <= plan.silenceLength) {
                throw std::invalid_argument("a silence must be shorter than its period");
            }
        } else {
            throw std::invalid_argument("unknown fault '" + std::string(key) +
                                        "': use lose, extra, garble, short or silence");
        }
    }
    return plan;
}

}  // namespace tilt::device
