#pragma once
// The operator's public release key an executable was built with (-DTIDEMARCH_RELEASE_KEY), or
// nothing. Each executable links a source file the build generates (cmake/ReleaseKey.cmake), so
// the product and a test host can carry different keys.
#include <optional>

#include "release_manifest/release_crypto_platform.h"

std::optional<ReleasePublicKey> BuiltInReleaseKey();
