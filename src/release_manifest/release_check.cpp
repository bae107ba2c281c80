#include "release_manifest/release_check.h"

#include <algorithm>
#include <utility>

namespace {

ReleaseRefusal Refuse(std::string file, std::string reason) {
    return ReleaseRefusal{std::move(file), std::move(reason)};
}

std::optional<Sha256Digest> Hash(ReleaseCryptoPlatform& crypto, const uint8_t* bytes, size_t length) {
    std::unique_ptr<Sha256Hasher> hasher = crypto.NewSha256();
    Sha256Digest digest{};
    if (!hasher || !hasher->Add(bytes, length) || !hasher->Finish(&digest)) return std::nullopt;
    return digest;
}

constexpr char kNoHash[] = "SHA-256 is not available on this system";

}  // namespace

ReleaseCheck::ReleaseCheck(const ReleasePublicKey& key, ReleaseCryptoPlatform& crypto,
                           ReleaseFileSource& files)
    : key_(key), crypto_(crypto), files_(files) {}

std::optional<ReleaseRefusal> ReleaseCheck::CheckManifest(std::optional<uint64_t> highestAccepted,
                                                          const std::vector<std::string>& requiredFiles) {
    std::unique_ptr<ReleaseFileReader> reader;
    switch (files_.Open(kReleaseManifestName, &reader)) {
    case ReleaseFileSource::Opened::Missing:
        return Refuse(kReleaseManifestName, "the release has no signed manifest");
    case ReleaseFileSource::Opened::Unreadable:
        return Refuse(kReleaseManifestName, "the manifest cannot be read");
    case ReleaseFileSource::Opened::Yes:
        break;
    }
    if (reader->Size() > kMaxManifestBytes)
        return Refuse(kReleaseManifestName,
                      "the manifest is larger than " + std::to_string(kMaxManifestBytes) + " bytes");
    std::vector<uint8_t> text(size_t(reader->Size()));
    size_t filled = 0;
    for (size_t got = 1; filled < text.size() && got != 0; filled += got)
        if (!reader->Read(text.data() + filled, text.size() - filled, &got))
            return Refuse(kReleaseManifestName, "the manifest cannot be read");
    text.resize(filled);

    ManifestProblem problem;
    if (!ReadReleaseManifest(text.data(), text.size(), &manifest_, &problem))
        return Refuse(kReleaseManifestName, "the manifest is malformed: " + problem.Describe());

    const std::optional<Sha256Digest> digest = Hash(crypto_, text.data(), manifest_.signedLength);
    if (!digest) return Refuse(kReleaseManifestName, kNoHash);
    switch (crypto_.VerifySignature(key_, *digest, manifest_.signature)) {
    case SignatureVerdict::Valid:
        break;
    case SignatureVerdict::Invalid:
        return Refuse(kReleaseManifestName,
                      "the signature is not the operator's: the manifest was changed or "
                      "signed with another key");
    case SignatureVerdict::KeyRefused:
        return Refuse(kReleaseManifestName,
                      "the release key built into this program cannot verify signatures");
    }

    if (highestAccepted && manifest_.release < *highestAccepted)
        return Refuse(kReleaseManifestName, "release " + std::to_string(manifest_.release) +
                                                " is older than release " + std::to_string(*highestAccepted) +
                                                ", which this installation already accepted");

    for (const std::string& required : requiredFiles) {
        const bool listed =
            std::any_of(manifest_.files.begin(), manifest_.files.end(), [&](const ManifestFile& file) {
                return FoldedPath(file.path) == FoldedPath(required);
            });
        if (!listed) return Refuse(required, "the signed manifest does not list it");
    }

    totalBytes_ = 0;
    for (const ManifestFile& file : manifest_.files) {
        std::unique_ptr<ReleaseFileReader> listed;
        if (std::optional<ReleaseRefusal> refusal = OpenListed(file, &listed)) return refusal;
        totalBytes_ += file.size;
    }
    manifestPassed_ = true;
    finished_ = manifest_.files.empty();
    return std::nullopt;
}

std::optional<ReleaseRefusal> ReleaseCheck::OpenListed(const ManifestFile& file,
                                                       std::unique_ptr<ReleaseFileReader>* reader) {
    switch (files_.Open(file.path, reader)) {
    case ReleaseFileSource::Opened::Missing:
        return Refuse(file.path, "the file is missing");
    case ReleaseFileSource::Opened::Unreadable:
        return Refuse(file.path, "the file cannot be read");
    case ReleaseFileSource::Opened::Yes:
        break;
    }
    const uint64_t size = (*reader)->Size();
    if (size != file.size)
        return Refuse(file.path, "the file has " + std::to_string(size) + " bytes, the signed release " +
                                     std::to_string(file.size));
    return std::nullopt;
}

std::optional<ReleaseRefusal> ReleaseCheck::HashSome(uint64_t maxBytes) {
    if (!manifestPassed_) return Refuse(kReleaseManifestName, "the manifest was not checked");
    if (buffer_.empty()) buffer_.resize(kReadBytes);
    uint64_t budget = maxBytes;
    while (!finished_) {
        const ManifestFile& file = manifest_.files[fileIndex_.load(std::memory_order_relaxed)];
        if (!reader_) {
            if (std::optional<ReleaseRefusal> refusal = OpenListed(file, &reader_)) return refusal;
            hasher_ = crypto_.NewSha256();
            if (!hasher_) return Refuse(file.path, kNoHash);
            fileDone_ = 0;
        }
        if (fileDone_ == file.size) {
            if (std::optional<ReleaseRefusal> refusal = EndFile()) return refusal;
            continue;
        }
        if (budget == 0) break;
        const size_t want = size_t(std::min<uint64_t>({buffer_.size(), file.size - fileDone_, budget}));
        size_t got = 0;
        if (!reader_->Read(buffer_.data(), want, &got)) return Refuse(file.path, "the file cannot be read");
        if (got == 0)
            return Refuse(file.path, "the file ended after " + std::to_string(fileDone_) +
                                         " bytes while it was checked");
        if (!hasher_->Add(buffer_.data(), got)) return Refuse(file.path, kNoHash);
        fileDone_ += got;
        budget -= got;
        doneBytes_.fetch_add(got, std::memory_order_relaxed);
    }
    return std::nullopt;
}

std::optional<ReleaseRefusal> ReleaseCheck::EndFile() {
    const ManifestFile& file = manifest_.files[fileIndex_.load(std::memory_order_relaxed)];
    uint8_t probe = 0;
    size_t got = 0;
    if (!reader_->Read(&probe, 1, &got)) return Refuse(file.path, "the file cannot be read");
    if (got != 0) return Refuse(file.path, "the file grew while it was checked");
    Sha256Digest digest{};
    if (!hasher_->Finish(&digest)) return Refuse(file.path, kNoHash);
    if (digest != file.sha256) return Refuse(file.path, "the content differs from the signed release");
    reader_.reset();
    hasher_.reset();
    const size_t next = fileIndex_.load(std::memory_order_relaxed) + 1;
    fileIndex_.store(next, std::memory_order_relaxed);
    finished_ = next == manifest_.files.size();
    return std::nullopt;
}
