#include "sprite_tool_commands.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <ostream>

#include "description.h"
#include "image_files.h"
#include "sprite_encoder.h"
#include "sprites/format/sprite_document.h"

namespace fs = std::filesystem;
namespace fmt = sprite_format;

namespace {
const char* KindName(uint8_t kind) {
    switch (kind) {
    case 0:
        return "raw";
    case 1:
        return "rle";
    default:
        return "rle2";
    }
}

SpriteKind KindOf(const std::string& name, const RgbaImage& image) {
    if (name == "raw") return SpriteKind::Raw;
    if (name == "rle") return SpriteKind::Rle;
    if (name == "rle2") return SpriteKind::Rle2;
    return ChooseKind(image);
}

// A name as a description token: no blanks, nothing unprintable.
std::string TokenOf(std::string_view text) {
    std::string token(text);
    for (char& c : token)
        if (c <= ' ' || c == '#' || c == '=' || c > '~') c = '_';
    return token;
}

bool ReadDocument(const std::string& path, SpriteSource rules, SpriteDocument* document, std::ostream& err) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(path, &bytes, &error)) {
        err << error << "\n";
        return false;
    }
    SpriteLoadFailure failure;
    if (!ReadSpriteDocument(bytes, rules, path.c_str(), document, failure)) {
        // Some of the loader's texts do not name the file; the tool's always do.
        const std::string text = failure.text();
        err << (text.find(path) == std::string::npos ? path + ": " + text : text) << "\n";
        return false;
    }
    return true;
}

// What a document written in an older version or layout loses: the fields that read back
// differently from what was meant, one line each.
std::vector<std::string> DroppedFields(const SpriteDocument& meant, const SpriteDocument& written) {
    std::vector<std::string> dropped;
    auto note = [&](const std::string& what, size_t index, const char* field) {
        dropped.push_back(what + " " + std::to_string(index) + ": " + field);
    };
    for (size_t i = 0; i < meant.sprites.size() && i < written.sprites.size(); ++i) {
        const SpriteDataHead& a = meant.sprites[i].head;
        const SpriteDataHead& b = written.sprites[i].head;
        if (!(a.bounds == b.bounds)) note("sprite", i, "bounds");
        if (a.alpha != b.alpha) note("sprite", i, "alpha");
        if (a.effect != b.effect) note("sprite", i, "effect");
        if (a.offsetX != b.offsetX || a.offsetY != b.offsetY) note("sprite", i, "offset");
        if (a.extra[0] != b.extra[0] || a.extra[1] != b.extra[1]) note("sprite", i, "extra values");
    }
    if (written.bundles.size() < meant.bundles.size())
        dropped.push_back(std::to_string(meant.bundles.size() - written.bundles.size()) +
                          " bundles: the layout holds no bundle records");
    for (size_t i = 0; i < meant.bundles.size() && i < written.bundles.size(); ++i) {
        const fmt::BundleValues& a = meant.bundles[i].values;
        const fmt::BundleValues& b = written.bundles[i].values;
        if (!(a.bounds == b.bounds)) note("bundle", i, "bounds");
        if (a.alpha != b.alpha) note("bundle", i, "alpha");
        if (a.effect != b.effect) note("bundle", i, "effect");
        if (a.offsetX != b.offsetX || a.offsetY != b.offsetY) note("bundle", i, "offset");
        if (meant.bundles[i].frames != written.bundles[i].frames) note("bundle", i, "frame values");
    }
    return dropped;
}

// What the loader would refuse on some display although the file reads: runs too long once
// counted in bytes of that display.
bool CheckEveryDisplay(const SpriteDocument& document, const std::string& path, std::ostream& err) {
    const struct {
        PixelLayout layout;
        const char* name;
    } layouts[] = {{PixelLayout::Rgb565, "5:6:5"},
                   {PixelLayout::Rgb555, "5:5:5"},
                   {PixelLayout::Rgb24, "24-bit"},
                   {PixelLayout::Rgb32, "32-bit"}};
    for (size_t i = 0; i < document.sprites.size(); ++i) {
        const StoredPixels pixels = document.sprites[i].Pixels();
        const PixelInspection inspection = InspectStoredPixels(pixels);
        for (const auto& l : layouts) {
            size_t bytes;
            if (!ConvertedSize(pixels, inspection, l.layout, &bytes)) {
                err << "File " << path << " : Sprite " << i << " has a run too long for a " << l.name
                    << " display\n";
                return false;
            }
        }
    }
    return true;
}

bool AddSprite(const SpriteLine& line, const fs::path& base, SpriteDocument& document, std::ostream& err) {
    RgbaImage image;
    std::string error;
    if (!ReadPng((base / line.file).string(), &image, &error)) {
        err << "line " << line.line << ": " << error << "\n";
        return false;
    }
    DocumentSprite sprite;
    SpriteDataHead& head = sprite.head;
    const SpriteKind kind = KindOf(line.kind, image);
    head.kind = uint8_t(kind);
    head.storedBytesPerPixel = line.pixels == 565 ? 2 : 3;
    if (!EncodeSprite(image, kind, head.storedBytesPerPixel, &sprite.data, &error)) {
        err << "line " << line.line << ": " << line.file << ": " << error << "\n";
        return false;
    }
    fmt::StoreName(head.name, fmt::kNameBytes, line.name);
    head.width = image.width;
    head.height = image.height;
    head.bounds = line.bounds.value_or(Rect{0, 0, image.width, image.height});
    head.alpha = line.alpha;
    head.effect = line.effect;
    head.offsetX = line.offsetX;
    head.offsetY = line.offsetY;
    head.extra[0] = line.extra[0];
    head.extra[1] = line.extra[1];
    head.dataTotal = DataTotalOf(sprite.data);
    document.sprites.push_back(std::move(sprite));
    return true;
}

bool AddEffect(const EffectLine& line, const fs::path& base, SpriteDocument& document, std::ostream& err) {
    DocumentEffect effect;
    effect.head.type = line.type;
    fmt::StoreName(effect.head.name, fmt::kEffectNameBytes, line.name);
    if (line.type == fmt::kEffectSamples) {
        WaveSound sound;
        std::string error;
        if (!ReadWav((base / line.file).string(), &sound, &error)) {
            err << "line " << line.line << ": " << error << "\n";
            return false;
        }
        effect.head.format = sound.format;
        effect.samples = std::move(sound.samples);
    }
    document.effects.push_back(std::move(effect));
    return true;
}

bool AddBundles(const Description& description, SpriteDocument& document, std::ostream& err) {
    std::map<std::string, uint32_t> byName;
    for (size_t i = 0; i < description.sprites.size(); ++i)
        byName.emplace(description.sprites[i].name, uint32_t(i));
    for (const BundleLine& line : description.bundles) {
        if (line.frames.size() > 0xFFFF) {
            err << "line " << line.line << ": a bundle holds at most 65535 frames\n";
            return false;
        }
        ParsedBundle bundle;
        fmt::BundleValues& v = bundle.values;
        fmt::StoreName(v.name, fmt::kNameBytes, line.name);
        v.bundleValue = line.steps;
        v.bounds = line.bounds;
        v.alpha = line.alpha;
        v.effect = line.effect;
        v.offsetX = line.offsetX;
        v.offsetY = line.offsetY;
        for (const FrameLine& frame : line.frames) {
            uint32_t index;
            if (auto named = byName.find(frame.sprite); named != byName.end()) {
                index = named->second;
            } else if (frame.sprite.find_first_not_of("0123456789") == std::string::npos &&
                       std::stoul(frame.sprite) < description.sprites.size()) {
                index = uint32_t(std::stoul(frame.sprite));
            } else {
                err << "line " << frame.line << ": no sprite '" << frame.sprite << "'\n";
                return false;
            }
            bundle.spriteIndices.push_back(index);
            bundle.frames.push_back(frame.record);
        }
        document.bundles.push_back(std::move(bundle));
    }
    return true;
}
}  // namespace

int PackCommand(const std::string& descriptionPath, const std::string& outputPath, const PackOptions& options,
                std::ostream& out, std::ostream& err) {
    std::vector<uint8_t> text;
    std::string error;
    Description description;
    if (!ReadWholeFile(descriptionPath, &text, &error) ||
        !ParseDescription(std::string(text.begin(), text.end()), &description, &error)) {
        err << descriptionPath << ": " << error << "\n";
        return 1;
    }
    const fs::path base = fs::path(descriptionPath).parent_path();
    SpriteDocument document;
    fmt::StoreName(document.head.title, fmt::kTitleBytes, description.title);
    for (const EffectLine& line : description.effects)
        if (!AddEffect(line, base, document, err)) return 1;
    for (const SpriteLine& line : description.sprites)
        if (!AddSprite(line, base, document, err)) return 1;
    if (!AddBundles(description, document, err)) return 1;
    if (options.version < 3 && !document.effects.empty()) {
        err << "sound effects need version 3\n";
        return 1;
    }
    uint8_t layout = options.layout;
    if (description.defaultBundles > 0) {
        if (!description.bundles.empty()) {
            err << "line " << description.defaultBundlesLine
                << ": default-bundles and bundle lines cannot be mixed\n";
            return 1;
        }
        if (!options.layoutGiven) layout = fmt::kNewestLayout + 1;
        if (layout <= fmt::kNewestLayout) {
            err << "line " << description.defaultBundlesLine << ": default bundles need a layout above "
                << int(fmt::kNewestLayout) << "\n";
            return 1;
        }
        document.defaultBundles = description.defaultBundles;
    }
    const std::vector<uint8_t> bytes = WriteSpriteDocument(document, options.version, layout);
    // What was written must read back and load on every display.
    SpriteDocument check;
    SpriteLoadFailure failure;
    if (!ReadSpriteDocument(bytes, SpriteSource::File, outputPath.c_str(), &check, failure)) {
        err << failure.text() << "\n";
        return 1;
    }
    if (!CheckEveryDisplay(check, outputPath, err)) return 1;
    // An older version or layout cannot store every field: nothing is lost unless asked for.
    const std::vector<std::string> dropped = DroppedFields(document, check);
    for (const std::string& field : dropped)
        err << (options.dropFields ? "warning: " : "") << outputPath << ": version " << int(options.version)
            << ", layout " << int(layout) << " cannot store " << field << "\n";
    if (!dropped.empty() && !options.dropFields) {
        err << outputPath << ": not written; pack with version 3 and layout 3, or pass --drop-fields\n";
        return 1;
    }
    if (!WriteWholeFile(outputPath, bytes, &error)) {
        err << error << "\n";
        return 1;
    }
    out << outputPath << ": " << document.sprites.size() << " sprites, " << document.bundles.size()
        << " bundles, " << document.effects.size() << " effects, " << bytes.size() << " bytes\n";
    return 0;
}

int UnpackCommand(const std::string& spritePath, const std::string& directory, std::ostream& out,
                  std::ostream& err) {
    SpriteDocument document;
    if (!ReadDocument(spritePath, SpriteSource::File, &document, err)) return 1;
    std::error_code made;
    fs::create_directories(directory, made);
    const fs::path dir(directory);
    Description description;
    description.title = std::string(fmt::NameText(document.head.title, fmt::kTitleBytes));
    description.defaultBundles = document.defaultBundles;
    std::string error;
    for (size_t i = 0; i < document.effects.size(); ++i) {
        const DocumentEffect& effect = document.effects[i];
        EffectLine& line = description.effects.emplace_back();
        line.type = effect.head.type;
        line.name = TokenOf(fmt::NameText(effect.head.name, fmt::kEffectNameBytes));
        if (line.type != fmt::kEffectSamples) continue;
        line.file = "effect" + std::to_string(i) + ".wav";
        if (!WriteWav((dir / line.file).string(), WaveSound{effect.head.format, effect.samples}, &error)) {
            err << error << "\n";
            return 1;
        }
    }
    for (size_t i = 0; i < document.sprites.size(); ++i) {
        const DocumentSprite& sprite = document.sprites[i];
        const SpriteDataHead& head = sprite.head;
        RgbaImage image{head.width, head.height,
                        std::vector<uint32_t>(size_t(head.width) * size_t(head.height))};
        DecodeStoredPixels(sprite.Pixels(), image.pixels.data());
        SpriteLine& line = description.sprites.emplace_back();
        line.file = std::to_string(i) + ".png";
        if (!WritePng((dir / line.file).string(), image, &error)) {
            err << error << "\n";
            return 1;
        }
        line.name = TokenOf(fmt::NameText(head.name, fmt::kNameBytes));
        line.kind = KindName(head.kind);
        line.pixels = head.storedBytesPerPixel == 2 ? 565 : 24;
        line.bounds = head.bounds;
        line.alpha = head.alpha;
        line.effect = head.effect;
        line.offsetX = head.offsetX;
        line.offsetY = head.offsetY;
        line.extra[0] = head.extra[0];
        line.extra[1] = head.extra[1];
    }
    for (const ParsedBundle& bundle : document.bundles) {
        BundleLine& line = description.bundles.emplace_back();
        const fmt::BundleValues& v = bundle.values;
        line.name = TokenOf(fmt::NameText(v.name, fmt::kNameBytes));
        line.steps = v.bundleValue;
        line.bounds = v.bounds;
        line.alpha = v.alpha;
        line.effect = v.effect;
        line.offsetX = v.offsetX;
        line.offsetY = v.offsetY;
        for (size_t j = 0; j < bundle.frames.size(); ++j)
            line.frames.push_back(FrameLine{std::to_string(bundle.spriteIndices[j]), bundle.frames[j], 0});
    }
    if (!WriteWholeFile((dir / "sprites.txt").string(),
                        [&] {
                            const std::string text = FormatDescription(description);
                            return std::vector<uint8_t>(text.begin(), text.end());
                        }(),
                        &error)) {
        err << error << "\n";
        return 1;
    }
    out << directory << ": " << document.sprites.size() << " sprites, " << document.bundles.size()
        << " bundles, " << document.effects.size() << " effects\n";
    return 0;
}

int InfoCommand(const std::string& spritePath, std::ostream& out, std::ostream& err) {
    SpriteDocument document;
    if (!ReadDocument(spritePath, SpriteSource::File, &document, err)) return 1;
    const SpriteFileHead& h = document.head;
    out << spritePath << "\n  version " << int(h.version) << ", layout " << int(h.layout) << ", title \""
        << fmt::NameText(h.title, fmt::kTitleBytes) << "\", FileTotal " << h.fileTotal << "\n  "
        << h.effectCount << " effects, " << h.spriteCount << " sprites, " << h.bundleCount << " bundles\n";
    for (size_t i = 0; i < document.effects.size(); ++i) {
        const EffectHead& e = document.effects[i].head;
        out << "effect " << i << " \"" << fmt::NameText(e.name, fmt::kEffectNameBytes) << "\" type "
            << e.type;
        if (e.type == fmt::kEffectSamples)
            out << ": " << e.size << " bytes, format " << e.format.formatTag << ", " << e.format.channels
                << " channels, " << e.format.samplesPerSecond << " Hz, " << e.format.bitsPerSample << " bits"
                << (e.size >= 1048576 ? " (streamed)" : "");
        out << "\n";
    }
    for (size_t i = 0; i < document.sprites.size(); ++i) {
        const SpriteDataHead& s = document.sprites[i].head;
        out << "sprite " << i << " \"" << fmt::NameText(s.name, fmt::kNameBytes) << "\" " << KindName(s.kind)
            << ", " << int(s.storedBytesPerPixel) << " bytes per pixel, " << s.width << " x " << s.height
            << ", " << s.dataSize << " bytes, bounds " << s.bounds.left << "," << s.bounds.top << ","
            << s.bounds.right << "," << s.bounds.bottom << ", offset " << s.offsetX << "," << s.offsetY
            << ", alpha " << s.alpha << ", effect " << s.effect << ", extra " << s.extra[0] << ","
            << s.extra[1] << "\n";
    }
    for (size_t i = 0; i < document.bundles.size(); ++i) {
        const ParsedBundle& b = document.bundles[i];
        out << "bundle " << i << " \"" << fmt::NameText(b.values.name, fmt::kNameBytes) << "\" steps "
            << b.values.bundleValue << ", " << b.frames.size() << " frames:";
        for (size_t j = 0; j < b.frames.size(); ++j)
            out << " " << b.spriteIndices[j] << "@" << int32_t(b.frames[j].offsetX) << ","
                << int32_t(b.frames[j].offsetY);
        out << "\n";
    }
    return 0;
}

int CheckCommand(const std::string& spritePath, bool resource, std::ostream& out, std::ostream& err) {
    SpriteDocument document;
    if (!ReadDocument(spritePath, resource ? SpriteSource::Resource : SpriteSource::File, &document, err))
        return 1;
    if (!CheckEveryDisplay(document, spritePath, err)) return 1;
    out << spritePath << ": ok (" << document.sprites.size() << " sprites, " << document.bundles.size()
        << " bundles, " << document.effects.size() << " effects)\n";
    return 0;
}
