#include "display/presentation_choice.h"

#include <array>
#include <cctype>
#include <optional>

namespace {
enum class WordKind { Mode, Scale, Filter };

struct Word {
    const char* text;
    WordKind kind;
    uint8_t value;
};

constexpr std::array<Word, 9> kWords{{
    {"fullscreen", WordKind::Mode, uint8_t(PresentationMode::FullScreen)},
    {"window", WordKind::Mode, uint8_t(PresentationMode::Window)},
    {"borderless", WordKind::Mode, uint8_t(PresentationMode::Borderless)},
    {"x1", WordKind::Scale, uint8_t(PictureScale::Single)},
    {"x2", WordKind::Scale, uint8_t(PictureScale::Double)},
    {"fit", WordKind::Scale, uint8_t(PictureScale::Fit)},
    {"integer", WordKind::Scale, uint8_t(PictureScale::Integer)},
    {"nearest", WordKind::Filter, uint8_t(ScaleFilter::Nearest)},
    {"smooth", WordKind::Filter, uint8_t(ScaleFilter::Smooth)},
}};

constexpr const char* kAccepted =
    "Accepted words, separated by blanks: fullscreen, window or borderless; then x1, x2, fit or "
    "integer; then nearest or smooth (for example \"borderless integer nearest\"). "
    "The default is used instead: fullscreen.";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool SameWord(std::string_view given, const char* known) {
    std::string_view k(known);
    if (given.size() != k.size()) return false;
    for (size_t i = 0; i < given.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(given[i])) != k[i]) return false;
    return true;
}

std::optional<Word> Find(std::string_view given) {
    for (const Word& w : kWords)
        if (SameWord(given, w.text)) return w;
    return std::nullopt;
}

PresentationSetting Refuse(std::string_view text, const std::string& why) {
    PresentationSetting refused;
    refused.refusal =
        "The display setting \"" + std::string(text) + "\" is not understood: " + why + ". " + kAccepted;
    return refused;
}
}  // namespace

PresentationSetting ReadPresentationSetting(std::string_view text) {
    PresentationSetting setting;
    std::array<std::optional<std::string_view>, 3> seen;  // the word given for each kind
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at]))
            ++at;
        size_t end = at;
        while (end < text.size() && !IsBlank(text[end]))
            ++end;
        if (end == at) break;
        std::string_view given = text.substr(at, end - at);
        at = end;
        std::optional<Word> word = Find(given);
        if (!word) return Refuse(text, "\"" + std::string(given) + "\" is not one of its words");
        std::optional<std::string_view>& earlier = seen[size_t(word->kind)];
        if (earlier)
            return Refuse(text, "\"" + std::string(*earlier) + "\" and \"" + std::string(given) +
                                    "\" choose the same thing");
        earlier = given;
        switch (word->kind) {
        case WordKind::Mode:
            setting.choice.mode = PresentationMode(word->value);
            break;
        case WordKind::Scale:
            setting.choice.scaleGiven = true;
            setting.choice.scale = PictureScale(word->value);
            break;
        case WordKind::Filter:
            setting.choice.filter = ScaleFilter(word->value);
            break;
        }
    }
    return setting;
}
