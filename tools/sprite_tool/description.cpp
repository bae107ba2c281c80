#include "description.h"

#include <charconv>
#include <sstream>

namespace {
std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> tokens;
    std::istringstream in(line);
    std::string token;
    while (in >> token) {
        if (token[0] == '#') break;
        tokens.push_back(token);
    }
    return tokens;
}

bool ParseInt(const std::string& text, int64_t low, int64_t high, int64_t* value) {
    const char* end = text.data() + text.size();
    int64_t v = 0;
    auto [at, fault] = std::from_chars(text.data(), end, v);
    if (fault != std::errc() || at != end || v < low || v > high) return false;
    *value = v;
    return true;
}

// Comma-separated numbers, each in the range of an i32 or a u32.
bool ParseList(const std::string& text, size_t count, std::vector<int64_t>* values) {
    values->clear();
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        int64_t v;
        if (!ParseInt(part, INT32_MIN, UINT32_MAX, &v)) return false;
        values->push_back(v);
    }
    return values->size() == count;
}

class LineParser {
  public:
    LineParser(int line, std::string* error) : line_(line), error_(error) {}

    bool Fail(const std::string& what) {
        *error_ = "line " + std::to_string(line_) + ": " + what;
        return false;
    }

    // Applies key=value options through a handler that returns false for an unknown key or a
    // bad value.
    template <class Handler>
    bool Options(const std::vector<std::string>& tokens, size_t from, Handler handle) {
        for (size_t i = from; i < tokens.size(); ++i) {
            const size_t equals = tokens[i].find('=');
            if (equals == std::string::npos) return Fail("expected key=value, found '" + tokens[i] + "'");
            const std::string key = tokens[i].substr(0, equals), value = tokens[i].substr(equals + 1);
            if (!handle(key, value)) return Fail("bad option '" + tokens[i] + "'");
        }
        return true;
    }

    static bool Int32(const std::string& text, int32_t* out) {
        int64_t v;
        if (!ParseInt(text, INT32_MIN, INT32_MAX, &v)) return false;
        *out = int32_t(v);
        return true;
    }
    static bool Pair(const std::string& text, int32_t* a, int32_t* b) {
        std::vector<int64_t> v;
        if (!ParseList(text, 2, &v)) return false;
        *a = int32_t(v[0]);
        *b = int32_t(v[1]);
        return true;
    }
    static bool RectOf(const std::string& text, Rect* rect) {
        std::vector<int64_t> v;
        if (!ParseList(text, 4, &v)) return false;
        *rect = Rect{int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3])};
        return true;
    }

  private:
    int line_;
    std::string* error_;
};

bool ParseSprite(const std::vector<std::string>& t, LineParser& p, SpriteLine* s) {
    if (t.size() < 2) return p.Fail("sprite needs a PNG file");
    s->file = t[1];
    const size_t slash = s->file.find_last_of('/');
    const std::string stem = s->file.substr(slash == std::string::npos ? 0 : slash + 1);
    s->name = stem.substr(0, stem.find('.'));
    return p.Options(t, 2, [&](const std::string& key, const std::string& value) {
        if (key == "name") return !(s->name = value).empty();
        if (key == "kind")
            return (s->kind = value) == "raw" || value == "rle" || value == "rle2" || value == "auto";
        if (key == "pixels")
            return LineParser::Int32(value, &s->pixels) && (s->pixels == 24 || s->pixels == 565);
        if (key == "bounds") return LineParser::RectOf(value, &s->bounds.emplace());
        if (key == "alpha") return LineParser::Int32(value, &s->alpha);
        if (key == "effect") return LineParser::Int32(value, &s->effect);
        if (key == "offset") return LineParser::Pair(value, &s->offsetX, &s->offsetY);
        if (key == "extra") {
            int32_t a, b;
            if (!LineParser::Pair(value, &a, &b)) return false;
            s->extra[0] = uint32_t(a), s->extra[1] = uint32_t(b);
            return true;
        }
        return false;
    });
}

bool ParseBundle(const std::vector<std::string>& t, LineParser& p, BundleLine* b) {
    return p.Options(t, 1, [&](const std::string& key, const std::string& value) {
        if (key == "name") return !(b->name = value).empty();
        if (key == "steps")
            return LineParser::Int32(value, &b->steps) && b->steps >= INT16_MIN && b->steps <= INT16_MAX;
        if (key == "bounds") return LineParser::RectOf(value, &b->bounds);
        if (key == "alpha") return LineParser::Int32(value, &b->alpha);
        if (key == "effect") return LineParser::Int32(value, &b->effect);
        if (key == "offset") return LineParser::Pair(value, &b->offsetX, &b->offsetY);
        return false;
    });
}

bool ParseFrame(const std::vector<std::string>& t, LineParser& p, FrameLine* f) {
    if (t.size() < 2) return p.Fail("frame needs a sprite");
    f->sprite = t[1];
    return p.Options(t, 2, [&](const std::string& key, const std::string& value) {
        int32_t v;
        if (key == "x") return LineParser::Int32(value, &v) && ((f->record.offsetX = uint32_t(v)), true);
        if (key == "y") return LineParser::Int32(value, &v) && ((f->record.offsetY = uint32_t(v)), true);
        if (key == "values") {
            std::vector<int64_t> list;
            if (!ParseList(value, 7, &list)) return false;
            f->record.value3 = uint32_t(list[0]), f->record.value4 = uint32_t(list[1]);
            f->record.value5 = int32_t(list[2]), f->record.value6 = uint32_t(list[3]);
            f->record.value7 = uint32_t(list[4]), f->record.value8 = uint32_t(list[5]);
            f->record.value9 = uint32_t(list[6]);
            return true;
        }
        return false;
    });
}

bool ParseEffect(const std::vector<std::string>& t, LineParser& p, EffectLine* e) {
    if (t.size() < 2) return p.Fail("effect needs a WAV file, 'placeholder' or type=N");
    size_t from = 2;
    if (t[1] == "placeholder") {
        e->type = 1;
    } else if (t[1].rfind("type=", 0) == 0) {
        from = 1;
        e->type = 2;
    } else {
        e->file = t[1];
    }
    return p.Options(t, from, [&](const std::string& key, const std::string& value) {
        if (key == "name") return !(e->name = value).empty();
        int32_t v;
        if (key == "type")
            return e->file.empty() && LineParser::Int32(value, &v) && v > 1 &&
                   ((e->type = uint32_t(v)), true);
        return false;
    });
}
}  // namespace

// The most bundles a file without bundle records may count, as the loader accepts them.
constexpr int64_t kMaxDefaultBundles = 65535;

bool ParseDescription(const std::string& text, Description* d, std::string* error) {
    *d = Description{};
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::vector<std::string> t = Tokens(line);
        if (t.empty()) continue;
        LineParser p(number, error);
        if (t[0] == "title") {
            const size_t at = line.find("title") + 5;
            const size_t start = line.find_first_not_of(" \t", at);
            d->title = start == std::string::npos ? "" : line.substr(start);
            while (!d->title.empty() && (d->title.back() == ' ' || d->title.back() == '\r'))
                d->title.pop_back();
        } else if (t[0] == "default-bundles") {
            int64_t count = 0;
            if (t.size() != 2 || !ParseInt(t[1], 1, kMaxDefaultBundles, &count))
                return p.Fail("default-bundles takes a count from 1 to " +
                              std::to_string(kMaxDefaultBundles));
            d->defaultBundles = int32_t(count);
            d->defaultBundlesLine = number;
        } else if (t[0] == "sprite") {
            SpriteLine& s = d->sprites.emplace_back();
            s.line = number;
            if (!ParseSprite(t, p, &s)) return false;
        } else if (t[0] == "bundle") {
            BundleLine& b = d->bundles.emplace_back();
            b.line = number;
            if (!ParseBundle(t, p, &b)) return false;
        } else if (t[0] == "frame") {
            if (d->bundles.empty()) return p.Fail("frame before any bundle");
            FrameLine& f = d->bundles.back().frames.emplace_back();
            f.line = number;
            if (!ParseFrame(t, p, &f)) return false;
        } else if (t[0] == "effect") {
            EffectLine& e = d->effects.emplace_back();
            e.line = number;
            if (!ParseEffect(t, p, &e)) return false;
        } else {
            return p.Fail("unknown line '" + t[0] + "'");
        }
    }
    return true;
}

std::string FormatDescription(const Description& d) {
    std::ostringstream out;
    out << "# Sprite file description: see tools/sprite_tool/README.md\n";
    if (!d.title.empty()) out << "title " << d.title << "\n";
    if (d.defaultBundles > 0) out << "default-bundles " << d.defaultBundles << "\n";
    for (const EffectLine& e : d.effects) {
        out << "effect ";
        if (e.type == 0) {
            out << e.file;
        } else if (e.type == 1) {
            out << "placeholder";
        } else {
            out << "type=" << e.type;
        }
        if (!e.name.empty()) out << " name=" << e.name;
        out << "\n";
    }
    for (const SpriteLine& s : d.sprites) {
        out << "sprite " << s.file;
        if (!s.name.empty()) out << " name=" << s.name;
        out << " kind=" << s.kind << " pixels=" << s.pixels;
        if (s.bounds)
            out << " bounds=" << s.bounds->left << "," << s.bounds->top << "," << s.bounds->right << ","
                << s.bounds->bottom;
        out << " alpha=" << s.alpha << " effect=" << s.effect << " offset=" << s.offsetX << "," << s.offsetY
            << " extra=" << s.extra[0] << "," << s.extra[1] << "\n";
    }
    for (const BundleLine& b : d.bundles) {
        out << "bundle";
        if (!b.name.empty()) out << " name=" << b.name;
        out << " steps=" << b.steps << " bounds=" << b.bounds.left << "," << b.bounds.top << ","
            << b.bounds.right << "," << b.bounds.bottom << " alpha=" << b.alpha << " effect=" << b.effect
            << " offset=" << b.offsetX << "," << b.offsetY << "\n";
        for (const FrameLine& f : b.frames) {
            const FrameRecord& r = f.record;
            out << "  frame " << f.sprite << " x=" << int32_t(r.offsetX) << " y=" << int32_t(r.offsetY)
                << " values=" << r.value3 << "," << r.value4 << "," << r.value5 << "," << r.value6 << ","
                << r.value7 << "," << r.value8 << "," << r.value9 << "\n";
        }
    }
    return out.str();
}
