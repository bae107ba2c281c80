// Feeds arbitrary bytes, as the first bytes of a connection, to the PROXY v2 header parser.
// Checks: a complete header is at least its fixed part and at most the longest accepted, and is
// judged the same from exactly its own bytes; every shorter prefix of it waits for more; a fault
// stays a fault whatever follows and says why; nothing waits beyond the longest header.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "proxy_header.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ProxyHeaderResult whole = ParseProxyHeader(data, size);
    switch (whole.status) {
    case ProxyHeaderStatus::Incomplete:
        Check(size < kLongestProxyHeader && whole.consumed == 0);
        break;
    case ProxyHeaderStatus::Invalid:
        Check(!whole.error.empty() && whole.consumed == 0 && !whole.source.known);
        break;
    case ProxyHeaderStatus::Local:
    case ProxyHeaderStatus::Proxied: {
        Check(whole.consumed >= kProxyFixedSize && whole.consumed <= size &&
              whole.consumed <= kLongestProxyHeader);
        Check(whole.status == ProxyHeaderStatus::Proxied || !whole.source.known);
        const ProxyHeaderResult exact = ParseProxyHeader(data, whole.consumed);
        Check(exact.status == whole.status && exact.consumed == whole.consumed &&
              exact.source.known == whole.source.known && exact.source.port == whole.source.port &&
              exact.source.address == whole.source.address);
        for (size_t length = 0; length < whole.consumed; ++length)
            Check(ParseProxyHeader(data, length).status == ProxyHeaderStatus::Incomplete);
        break;
    }
    }
    // A prefix judged a fault was judged on bytes that are still there.
    for (size_t length = 0; length < size && length <= kLongestProxyHeader; ++length) {
        const ProxyHeaderResult prefix = ParseProxyHeader(data, length);
        if (prefix.status == ProxyHeaderStatus::Invalid) {
            Check(whole.status == ProxyHeaderStatus::Invalid && whole.error == prefix.error);
            break;
        }
    }
    return 0;
}
