// Feeds arbitrary bytes to the manifest reader. A manifest it accepts must be in the one form the
// operator's tool writes: written again from what was read, it gives the same bytes, its signed
// part ends where the signature line starts, and every path is one the update may write, listed
// once in any case.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "release_manifest/release_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReleaseManifest manifest;
    ManifestProblem problem;
    if (!ReadReleaseManifest(data, size, &manifest, &problem)) {
        if (problem.reason.empty()) std::abort();
        return 0;
    }
    const std::string body = WriteManifestBody(manifest.release, manifest.files);
    const std::string whole = body + WriteSignatureLine(manifest.signature);
    if (manifest.signedLength != body.size() || whole.size() != size ||
        std::memcmp(whole.data(), data, size) != 0)
        std::abort();
    if (manifest.files.size() > kMaxManifestFiles) std::abort();
    std::set<std::string> folded;
    for (const ManifestFile& file : manifest.files)
        if (!CheckReleasePath(file.path).empty() || !folded.insert(FoldedPath(file.path)).second)
            std::abort();
    return 0;
}
