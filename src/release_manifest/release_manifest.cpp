#include "release_manifest/release_manifest.h"

#include <cctype>
#include <limits>
#include <string_view>
#include <unordered_set>

#include "update_protocol/file_record.h"
#include "update_protocol/server_names.h"

namespace {

constexpr char kReleaseWord[] = "release ";
constexpr char kFilesWord[] = "files ";
constexpr char kFileWord[] = "file ";
constexpr char kSignatureWord[] = "signature ";
constexpr size_t kLongestName = FileRecord::kNameField - 1;
constexpr char kHexDigits[] = "0123456789abcdef";

// Decimal without sign or leading zeros, at most maximum.
bool ReadNumber(std::string_view text, uint64_t maximum, uint64_t* number) {
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = uint64_t(c - '0');
        if (value > (maximum - digit) / 10) return false;
        value = value * 10 + digit;
    }
    *number = value;
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

template <size_t N> bool ReadHex(std::string_view text, std::array<uint8_t, N>* bytes) {
    if (text.size() != 2 * N) return false;
    for (size_t i = 0; i < N; ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        (*bytes)[i] = uint8_t(high * 16 + low);
    }
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text)
        quoted += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return quoted + "\"";
}

// Walks the manifest a line at a time.
class Lines {
  public:
    Lines(const uint8_t* bytes, size_t length) : text_(reinterpret_cast<const char*>(bytes), length) {}

    // The next line without its line feed; false at the end or for a last line without one.
    bool Next(std::string_view* line) {
        if (at_ >= text_.size()) return false;
        const size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos) return false;
        *line = text_.substr(at_, end - at_);
        at_ = end + 1;
        ++number_;
        return true;
    }
    size_t Number() const { return number_; }
    size_t Offset() const { return at_; }
    bool AtEnd() const { return at_ == text_.size(); }

  private:
    std::string_view text_;
    size_t at_ = 0;
    size_t number_ = 0;
};

}  // namespace

std::string ManifestProblem::Describe() const {
    return line ? "line " + std::to_string(line) + ": " + reason : reason;
}

std::string FoldedPath(const std::string& path) {
    std::string folded = path;
    for (char& c : folded)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return folded;
}

std::string CheckReleasePath(const std::string& path) {
    const size_t slash = path.find('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (path.empty()) return "the path is empty";
    if (slash == 0) return "the path " + Quoted(path) + " starts at the root of a drive";
    for (const std::string& part : {folder, name})
        if (part == ".." || part == ".") return "the path " + Quoted(path) + " leaves the program folder";
    if (name.find('/') != std::string::npos)
        return "the path " + Quoted(path) + " lies more than one folder deep";
    for (const std::string& part : {folder, name})
        if (part.size() > kLongestName)
            return "the path " + Quoted(path) + " has a name longer than " + std::to_string(kLongestName) +
                   " bytes";
    if ((slash != std::string::npos && !IsPlainName(folder)) || !IsPlainName(name))
        return "the path " + Quoted(path) + " is not a name the update writes";
    if (slash == std::string::npos && FoldedPath(name) == FoldedPath(kReleaseManifestName))
        return "the manifest lists itself";
    return "";
}

bool ReadReleaseManifest(const uint8_t* bytes, size_t length, ReleaseManifest* manifest,
                         ManifestProblem* problem) {
    ReleaseManifest read;
    Lines lines(bytes, length);
    std::string_view line;
    auto refuse = [&](std::string reason, bool atLine = true) {
        *problem = ManifestProblem{atLine ? lines.Number() : 0, std::move(reason)};
        return false;
    };
    auto next = [&](const char* what) {
        if (lines.Next(&line)) return true;
        *problem = ManifestProblem{0, std::string("the manifest ends before its ") + what};
        return false;
    };
    if (length > kMaxManifestBytes)
        return refuse("the manifest is larger than " + std::to_string(kMaxManifestBytes) + " bytes", false);

    if (!next("heading")) return false;
    if (line != kManifestHeading)
        return refuse("the heading is not \"" + std::string(kManifestHeading) + "\"");

    if (!next("release number")) return false;
    if (!StartsWith(line, kReleaseWord) || !ReadNumber(line.substr(sizeof kReleaseWord - 1),
                                                       std::numeric_limits<uint64_t>::max(), &read.release))
        return refuse("expected \"release\" and a number below 2^64");

    if (!next("file count")) return false;
    uint64_t count = 0;
    if (!StartsWith(line, kFilesWord) ||
        !ReadNumber(line.substr(sizeof kFilesWord - 1), kMaxManifestFiles, &count))
        return refuse("expected \"files\" and a count of at most " + std::to_string(kMaxManifestFiles));

    std::unordered_set<std::string> seen;
    for (uint64_t i = 0; i < count; ++i) {
        if (!next("files are all listed")) return false;
        if (!StartsWith(line, kFileWord))
            return refuse("expected file " + std::to_string(i + 1) + " of " + std::to_string(count));
        std::string_view rest = line.substr(sizeof kFileWord - 1);
        const size_t sizeEnd = rest.find(' ');
        ManifestFile file;
        uint64_t size = 0;
        if (sizeEnd == std::string_view::npos ||
            !ReadNumber(rest.substr(0, sizeEnd), std::numeric_limits<uint32_t>::max(), &size))
            return refuse("expected a file size of at most 4294967295 bytes");
        file.size = uint32_t(size);
        rest = rest.substr(sizeEnd + 1);
        const size_t hashEnd = rest.find(' ');
        if (hashEnd == std::string_view::npos || !ReadHex(rest.substr(0, hashEnd), &file.sha256))
            return refuse("expected a SHA-256 of 64 lower-case hexadecimal digits");
        file.path = std::string(rest.substr(hashEnd + 1));
        if (std::string why = CheckReleasePath(file.path); !why.empty()) return refuse(why);
        if (!seen.insert(FoldedPath(file.path)).second)
            return refuse("the path " + Quoted(file.path) + " is listed twice");
        read.files.push_back(std::move(file));
    }
    read.signedLength = lines.Offset();

    if (!next("signature")) return false;
    if (!StartsWith(line, kSignatureWord))
        return refuse(StartsWith(line, kFileWord) ? "more files are listed than the count says"
                                                  : "expected the signature");
    if (!ReadHex(line.substr(sizeof kSignatureWord - 1), &read.signature))
        return refuse("expected a signature of 128 lower-case hexadecimal digits");
    if (!lines.AtEnd()) return refuse("something follows the signature");
    *manifest = std::move(read);
    return true;
}

bool ParseReleaseNumber(const std::string& text, uint64_t* number) {
    return ReadNumber(text, std::numeric_limits<uint64_t>::max(), number);
}

std::string HexText(const uint8_t* bytes, size_t length) {
    std::string text;
    text.reserve(2 * length);
    for (size_t i = 0; i < length; ++i) {
        text += kHexDigits[bytes[i] >> 4];
        text += kHexDigits[bytes[i] & 0xF];
    }
    return text;
}

std::string WriteManifestBody(uint64_t release, const std::vector<ManifestFile>& files) {
    std::string body = std::string(kManifestHeading) + "\n";
    body += kReleaseWord + std::to_string(release) + "\n";
    body += kFilesWord + std::to_string(files.size()) + "\n";
    for (const ManifestFile& file : files)
        body += kFileWord + std::to_string(file.size) + " " +
                HexText(file.sha256.data(), file.sha256.size()) + " " + file.path + "\n";
    return body;
}

std::string WriteSignatureLine(const ReleaseSignature& signature) {
    return kSignatureWord + HexText(signature.data(), signature.size()) + "\n";
}
