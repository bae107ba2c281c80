#pragma once
// What a host built with the operator's release key checks its program folder with before it
// hands over to the game module. A host built without a key has none and hands over unchecked.
#include <string>
#include <vector>

#include "release_manifest/release_crypto_platform.h"
#include "release_manifest/release_file_source.h"

struct ReleaseVerification {
    ReleasePublicKey key;
    ReleaseCryptoPlatform* crypto = nullptr;
    ReleaseFileSource* files = nullptr;
    // Files the hand-over loads: the signed manifest must list them.
    std::vector<std::string> requiredFiles;
};
