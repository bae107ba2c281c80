#pragma once
// Why a sprite file did not load: one text of at most 255 characters with the file or resource
// name in it. The loader's own texts are kept word for word, since the people who support the
// game know them; the others name faults that would otherwise go unnoticed.
#include <cstdint>

class SpriteLoadFailure {
  public:
    // Composes the text (printf rules; the name comes first where the text has one), cut to
    // 255 characters. The first failure of a load wins.
    void Compose(const char* format, ...) __attribute__((format(printf, 2, 3)));

    bool failed() const { return failed_; }
    const char* text() const { return text_; }

  private:
    bool failed_ = false;
    char text_[256] = {};
};

namespace load_text {
// The loader's own texts.
inline constexpr char kNotSpriteFile[] = "File %s : It is not VMK SPR file";
inline constexpr char kUnknownVersion[] = "Error Occur";
inline constexpr char kHeadCheckNumber[] = "%s : Sprite File Head Check Number is incorrect";
inline constexpr char kEffectData[] = "File %s : Out of Memory in EFFECT Data";
inline constexpr char kPlaceholderSound[] = "File %s : Memory Allocation Failure at Head of Sprite Bundle";
inline constexpr char kSpriteTable[] = "File %s : Out of Memory in SpriteData";
inline constexpr char kDataHead88[] = "File %s : Sprite File is Broken at Head of Sprite Data";
inline constexpr char kDataHead[] = "File %s : Can't Read file in SpriteDataHead";
inline constexpr char kDataCheckNumber[] = "File %s : Can't read file at SpriteDataCheckNumber";
inline constexpr char kDataMemory[] = "File %s : Out of Memory at SpriteData";
inline constexpr char kDataRead[] = "File %s : Can't read file at SpriteData";
inline constexpr char kBundleMemory[] = "File %s : Out of Memory at SpriteBundle";
inline constexpr char kBundleHead[] = "File %s : Can't read file at SpriteBundleHead";
inline constexpr char kBundleHeadCheckNumber[] = "File %s : Can't read file at SpriteBundleHeadCheckNumber";
inline constexpr char kBundleFrame[] = "File %s : Can't read file at SpriteBundle";
inline constexpr char kBundleFrameRecord[] = "File %s : Sprite File is Broken at Data of Sprite Bundle";
// The loader's own texts for resources of the program module.
inline constexpr char kResourceNotSpriteFile[] = "Resource %s : It is not VMK SPR file";
inline constexpr char kResourceVersion[] = "File %s : Version is different";
inline constexpr char kResourceHead[] = "File %s : File is broken(File Head)";
inline constexpr char kResourceDataHead[] = "File %s : File is broken at SpriteDataHead";
inline constexpr char kResourceBundleHead[] = "File %s : File is broken at SpriteBundleHead";
inline constexpr char kResourceBundle[] = "Resource %s : File is broken at SpriteBundle";
inline constexpr char kResourceFileTotal[] = "File %s : File is broken at SpriteFile";

// Faults that used to pass silently or unchecked.
inline constexpr char kNoDisplayFormat[] = "File %s : The display has no pixel format for sprites";
inline constexpr char kCannotOpen[] = "File %s : Can't open file";
inline constexpr char kHeadUnreadable[] = "File %s : Can't read the sprite file head";
inline constexpr char kUnknownSource[] = "%s : Unknown sprite source %d";
inline constexpr char kNoResource[] = "Resource %s : No SPR resource of this name";
inline constexpr char kResourcesUnavailable[] =
    "Resource %s : Sprite resources exist only in the Windows build";
inline constexpr char kNegativeSpriteCount[] = "File %s : Sprite count %d is negative";
inline constexpr char kNegativeEffectCount[] = "File %s : Effect count %d is negative";
inline constexpr char kEffectPastEnd[] =
    "File %s : Sound effect %d needs %u bytes that the file does not hold";
inline constexpr char kEffectRead[] = "File %s : Can't read the samples of sound effect %d";
inline constexpr char kUnknownKind[] = "File %s : Sprite %d has the unknown SpriteKind %d";
inline constexpr char kUnknownPixelSize[] = "File %s : Sprite %d stores %d bytes per pixel";
inline constexpr char kBadSpriteSize[] = "File %s : Sprite %d has the impossible size %d x %d";
inline constexpr char kRawDataShort[] =
    "File %s : Sprite %d holds %u bytes, fewer than its %d x %d pixels need";
inline constexpr char kRunPassesData[] =
    "File %s : Sprite %d : the run at byte %u passes the end of its data";
inline constexpr char kRunSplitsPixel[] = "File %s : Sprite %d : the run at byte %u splits a pixel";
inline constexpr char kPictureTooLarge[] =
    "File %s : Sprite %d declares %d x %d pixels, more than the %u that the tools take";
inline constexpr char kRunTooLong[] = "File %s : Sprite %d has a run too long for this display";
inline constexpr char kFrameIndex[] = "File %s : Bundle %d frame %d names sprite %u of %d";
inline constexpr char kTooManyBundles[] =
    "File %s : Bundle count %d is too large for a file without bundle records";
inline constexpr char kResourceLayout[] = "Resource %s : Bundle layout %d is not allowed in a resource";
}  // namespace load_text
