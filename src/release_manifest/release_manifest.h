#pragma once
// The signed list of a release's files: the release number and every file's path, size and
// SHA-256, signed by the operator's key. The operator's tool writes it into the release folder,
// the update server serves it as an ordinary file, and a host built with the operator's public key
// reads it from its program folder before it hands over to the game module.
//
// It is text, one item a line, each line ended by a line feed:
//
//   tidemarch-release 1
//   release 42
//   files 2
//   file 183296 9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08 Main.dll
//   file 52011 60303ae22b998861bce3b28f33eec1be758a213c86c93c076dbe9f558c11c752 SPR/Demo.SPR
//   signature <128 hexadecimal digits>
//
// The signature is ECDSA over P-256 with SHA-256 of every byte before the signature line, written
// as the two 32-byte numbers r and s back to back (the form Windows' CNG verifies; OpenSSL's DER
// form is converted by the tool). Numbers are decimal without sign or leading zeros; digests and
// the signature are lower-case hexadecimal. A path is a file of the program folder ("Main.dll") or
// of a folder directly inside it ("SPR/Demo.SPR"), with names the host's update would write
// (update_protocol/server_names.h) of at most 63 bytes: what the update server can send. No path
// is listed twice, in any case (Windows does not tell "main.dll" from "Main.dll"), and the manifest
// does not list itself. Nothing follows the signature line.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr char kReleaseManifestName[] = "Release.manifest";
inline constexpr char kManifestHeading[] = "tidemarch-release 1";
// The most files a release may list: as many as a client's file list may hold.
inline constexpr uint32_t kMaxManifestFiles = 2048;
// A manifest of the most files with the longest paths is about 400 KiB.
inline constexpr size_t kMaxManifestBytes = 1024 * 1024;

using Sha256Digest = std::array<uint8_t, 32>;
// r and s, 32 bytes each, big-endian.
using ReleaseSignature = std::array<uint8_t, 64>;

struct ManifestFile {
    std::string path;  // "name" or "folder/name"
    uint32_t size = 0;
    Sha256Digest sha256{};
};

struct ReleaseManifest {
    uint64_t release = 0;
    std::vector<ManifestFile> files;
    // The signed bytes are the manifest's first signedLength bytes.
    size_t signedLength = 0;
    ReleaseSignature signature{};
};

struct ManifestProblem {
    size_t line = 0;  // 1-based; 0 for the manifest as a whole
    std::string reason;
    // "line 4: ..." or the reason alone.
    std::string Describe() const;
};

// Reads a manifest. False, with the first problem found, for anything that is not exactly the form
// above; the signature is not verified here.
bool ReadReleaseManifest(const uint8_t* bytes, size_t length, ReleaseManifest* manifest,
                         ManifestProblem* problem);

// A release number as the manifest writes it: decimal, no sign, no leading zeros, below 2^64.
bool ParseReleaseNumber(const std::string& text, uint64_t* number);

// The signed part of a manifest for these files, in their order: heading, release, count and one
// line per file. The caller checks the paths (CheckReleasePath) and the count.
std::string WriteManifestBody(uint64_t release, const std::vector<ManifestFile>& files);
// The signature line that ends a manifest.
std::string WriteSignatureLine(const ReleaseSignature& signature);

// Empty when the path may be listed, else why not.
std::string CheckReleasePath(const std::string& path);
// The path as Windows compares names: ASCII letters in upper case.
std::string FoldedPath(const std::string& path);

std::string HexText(const uint8_t* bytes, size_t length);
