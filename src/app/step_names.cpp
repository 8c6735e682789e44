#include "app/step_names.h"

#include <array>
#include <cctype>
#include <utility>

namespace zef {
namespace {

// Path words that read otherwise in the editor; every other word stays as it is.
constexpr std::array<std::pair<std::string_view, std::string_view>, 24> kWords = {{
    {"eq", "EQ"},          {"blockb", "block B"},     {"freq", "frequency"},     {"q", "Q"},
    {"gate", "noise gate"}, {"timea", "time A"},      {"timeb", "time B"},       {"hp", "high-pass"},
    {"lp", "low-pass"},    {"route", "routing"},      {"inL", "input L"},        {"inR", "input R"},
    {"comp", "compressor"}, {"dynfilter", "dynamic filter"}, {"value1", "value 1"}, {"value2", "value 2"},
    {"fir", "FIR"},        {"out1", "Out 1"},         {"out2", "Out 2"},         {"bridge", "bridge mode"},
    {"delayunit", "delay unit"}, {"eqmode", "EQ mode"}, {"enable", "on"},        {"auto", "automatic"},
}};

std::string Word(std::string_view token) {
    for (const auto& [path, words] : kWords)
        if (path == token) return std::string(words);
    return std::string(token);
}

}  // namespace

std::string ChannelLabel(ParamChannel channel) {
    switch (channel) {
        case ParamChannel::InL: return "Input L";
        case ParamChannel::InR: return "Input R";
        case ParamChannel::Out1: return "Out 1";
        case ParamChannel::Out2: return "Out 2";
        case ParamChannel::Sm: return "SM";
        case ParamChannel::Device: return "";
    }
    return "";
}

std::string StepName(const Parameter& p) {
    std::string words;
    std::string_view path = p.description->path;
    while (!path.empty()) {
        const auto dot = path.find('.');
        const std::string_view token = path.substr(0, dot);
        if (!words.empty()) words += ' ';
        words += token == "#" ? std::to_string(p.target.band) : Word(token);
        if (token == "eq" && p.description->banded()) words += " band";
        path = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
    }
    const std::string channel = ChannelLabel(p.target.channel);
    if (channel.empty()) {
        if (!words.empty() && std::islower(static_cast<unsigned char>(words[0])))
            words[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(words[0])));
        return words;
    }
    return channel + " " + words;
}

std::string BandStepName(int bandIndex) {
    const ParamTarget t = BandTarget(bandIndex);
    return ChannelLabel(t.channel) + " EQ band " + std::to_string(t.band);
}

}  // namespace zef
