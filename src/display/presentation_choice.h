#pragma once
// How the player wants the game's picture shown: full screen in the game's own display mode (the
// default), or one of two window forms that leave the desktop's mode alone and scale the picture:
// a framed window, or a window without frame over the whole desktop. The game itself always sees
// full screen; only the host's present and pointer know the difference.
//
// The choice is a line of words separated by blanks, for example "borderless integer nearest":
// at most one mode word, one scale word and one filter word, in any order, any case.
#include <cstdint>
#include <string>
#include <string_view>

enum class PresentationMode : uint8_t { FullScreen, Window, Borderless };

// x1 and x2: the picture at its own size or twice it; fit: as large as the space allows with its
// aspect kept; integer: the largest whole multiple that fits.
enum class PictureScale : uint8_t { Single, Double, Fit, Integer };

// nearest: every picture pixel becomes a block of screen pixels; smooth: blended in between.
enum class ScaleFilter : uint8_t { Nearest, Smooth };

struct PresentationChoice {
    PresentationMode mode = PresentationMode::FullScreen;
    bool scaleGiven = false;
    PictureScale scale = PictureScale::Single;
    ScaleFilter filter = ScaleFilter::Nearest;

    // The window form the player switches to from full screen: the borderless one when it was
    // chosen, otherwise the framed window (also for a player who chose full screen).
    PresentationMode WindowForm() const {
        return mode == PresentationMode::Borderless ? PresentationMode::Borderless : PresentationMode::Window;
    }
    // The scale of a window form: the one given, or the picture at its own size in a framed
    // window and fitted to the desktop without frame.
    PictureScale ScaleFor(PresentationMode form) const {
        if (scaleGiven) return scale;
        return form == PresentationMode::Borderless ? PictureScale::Fit : PictureScale::Single;
    }
};

struct PresentationSetting {
    PresentationChoice choice;  // the default when refused
    // Empty when the text was accepted; otherwise what to tell the player: what was wrong, the
    // words that are accepted and the default that is used instead.
    std::string refusal;
};

// Reads the player's line. An empty line (or only blanks) is the default without a refusal.
PresentationSetting ReadPresentationSetting(std::string_view text);

// The name the setting is known by: the environment variable, and the registry value under the
// edition's key.
inline constexpr const char* kPresentationVariable = "TIDEMARCH_DISPLAY";
inline constexpr const char* kPresentationRegistryValue = "Display";
