#pragma once
// Whether the files in the program folder are a release the operator signed: the manifest is
// there, well-formed and signed by the operator's key; its release number is not below the
// highest one this installation accepted before (an older signed release could bring back what a
// later one fixed); it lists every file the host is about to load; and every listed file is there
// with its listed size and SHA-256.
//
// The manifest part is quick and runs at once; hashing the files runs piece by piece, so that
// another thread can do it while the screen shows its progress (BackgroundReleaseHashing).
// A refusal names the file at fault and the reason, for a person to read.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "release_manifest/release_crypto_platform.h"
#include "release_manifest/release_file_source.h"
#include "release_manifest/release_manifest.h"

struct ReleaseRefusal {
    std::string file;
    std::string reason;
};

class ReleaseCheck {
  public:
    // Bytes read and hashed at a time.
    static constexpr size_t kReadBytes = 1024 * 1024;

    ReleaseCheck(const ReleasePublicKey& key, ReleaseCryptoPlatform& crypto, ReleaseFileSource& files);
    ReleaseCheck(const ReleaseCheck&) = delete;
    ReleaseCheck& operator=(const ReleaseCheck&) = delete;

    // Reads and verifies the manifest (highestAccepted: none when this installation has accepted
    // no release yet; requiredFiles: paths that must be listed, in any case) and finds every
    // listed file with its listed size. Nothing when the files may be hashed now.
    std::optional<ReleaseRefusal> CheckManifest(std::optional<uint64_t> highestAccepted,
                                                const std::vector<std::string>& requiredFiles);

    // After CheckManifest passed: hashes about maxBytes more of the listed files, in the manifest's
    // order, and refuses at the first file that differs. Call until Finished.
    std::optional<ReleaseRefusal> HashSome(uint64_t maxBytes);
    bool Finished() const { return finished_; }

    const ReleaseManifest& Manifest() const { return manifest_; }
    // Readable from any thread while another hashes.
    uint64_t TotalBytes() const { return totalBytes_; }
    uint64_t DoneBytes() const { return doneBytes_.load(std::memory_order_relaxed); }
    size_t FileIndex() const { return fileIndex_.load(std::memory_order_relaxed); }

  private:
    std::optional<ReleaseRefusal> OpenListed(const ManifestFile& file,
                                             std::unique_ptr<ReleaseFileReader>* reader);
    std::optional<ReleaseRefusal> EndFile();

    ReleasePublicKey key_;
    ReleaseCryptoPlatform& crypto_;
    ReleaseFileSource& files_;
    ReleaseManifest manifest_;
    bool manifestPassed_ = false;
    uint64_t totalBytes_ = 0;
    std::atomic<uint64_t> doneBytes_{0};
    std::atomic<size_t> fileIndex_{0};
    bool finished_ = false;
    std::unique_ptr<ReleaseFileReader> reader_;
    std::unique_ptr<Sha256Hasher> hasher_;
    uint64_t fileDone_ = 0;
    std::vector<uint8_t> buffer_;
};
