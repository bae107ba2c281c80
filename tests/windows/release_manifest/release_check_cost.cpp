// Not a test: how long a host's release check takes on this platform (see
// bench/release_manifest/README.md). Checks the signed release in the current folder as the start
// screen does (the manifest and the file sizes on the calling thread, the hashing on a thread of
// its own, progress looked at every millisecond) and then hashes the same files plainly on this
// thread. ARGV: the public key's point (128 hexadecimal digits), the number of rounds. Prints one
// line per round: "check SECONDS BYTES" and "hash SECONDS BYTES".
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/release_manifest/cng_release_crypto_platform.h"
#include "platform/win32/release_manifest/win32_release_file_source.h"
#include "release_manifest/background_release_hashing.h"
#include "release_manifest/release_check.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool ReadKey(const char* hex, ReleasePublicKey* key) {
    if (std::strlen(hex) != 2 * key->point.size()) return false;
    for (size_t i = 0; i < key->point.size(); ++i)
        key->point[i] = uint8_t(std::strtoul(std::string(hex + 2 * i, 2).c_str(), nullptr, 16));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ReleasePublicKey key;
    if (argc < 2 || !ReadKey(argv[1], &key)) {
        std::fprintf(stderr, "usage: release_check_cost KEY-POINT-HEX [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    CngReleaseCryptoPlatform crypto;
    Win32ReleaseFileSource files;
    for (int round = 0; round < rounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        ReleaseCheck check(key, crypto, files);
        if (auto refusal = check.CheckManifest(std::nullopt, {"Main.dll"})) {
            std::fprintf(stderr, "refused: %s: %s\n", refusal->file.c_str(), refusal->reason.c_str());
            return 1;
        }
        {
            BackgroundReleaseHashing hashing(check);
            while (!hashing.Done())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (hashing.Refusal()) {
                std::fprintf(stderr, "refused: %s: %s\n", hashing.Refusal()->file.c_str(),
                             hashing.Refusal()->reason.c_str());
                return 1;
            }
        }
        std::printf("check %.3f %llu\n", Since(start), static_cast<unsigned long long>(check.TotalBytes()));

        start = std::chrono::steady_clock::now();
        std::vector<uint8_t> buffer(ReleaseCheck::kReadBytes);
        uint64_t hashed = 0;
        for (const ManifestFile& file : check.Manifest().files) {
            std::unique_ptr<ReleaseFileReader> reader;
            auto hasher = crypto.NewSha256();
            if (files.Open(file.path, &reader) != ReleaseFileSource::Opened::Yes || !hasher) return 1;
            size_t got = 1;
            while (got != 0 && reader->Read(buffer.data(), buffer.size(), &got))
                hasher->Add(buffer.data(), got), hashed += got;
            Sha256Digest digest{};
            hasher->Finish(&digest);
        }
        std::printf("hash %.3f %llu\n", Since(start), static_cast<unsigned long long>(hashed));
        std::fflush(stdout);
    }
    return 0;
}
