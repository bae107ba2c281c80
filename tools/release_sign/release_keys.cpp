#include "release_keys.h"

#include <fcntl.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "release_manifest/release_key.h"

namespace {

constexpr char kCurveName[] = "prime256v1";
constexpr mode_t kOwnerOnly = 0600;
constexpr mode_t kEveryoneReads = 0644;
constexpr int kHalfSignature = int(sizeof(ReleaseSignature) / 2);

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
struct FileClose {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileClose>;

std::string OpenSslError() {
    const unsigned long code = ERR_get_error();
    char text[256] = "no detail";
    if (code) ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

// A new file only, with the given permissions.
File CreateNew(const std::string& path, mode_t mode, std::string* why) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (descriptor < 0) {
        *why = path + ": " +
               (errno == EEXIST ? std::string("already exists; not replaced") : std::strerror(errno));
        return nullptr;
    }
    File file(fdopen(descriptor, "w"));
    if (!file) {
        close(descriptor);
        *why = path + ": " + std::strerror(errno);
    }
    return file;
}

bool IsP256(EVP_PKEY* key) {
    char group[64] = {};
    size_t length = 0;
    return EVP_PKEY_is_a(key, "EC") &&
           EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &length) ==
               1 &&
           std::strcmp(group, kCurveName) == 0;
}

std::string PublicHalf(EVP_PKEY* key, ReleasePublicKey* publicKey) {
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key, &der);
    const bool read = length > 0 && ReadSubjectPublicKeyInfo(der, size_t(length), publicKey);
    OPENSSL_free(der);
    return read ? "" : "the key's public half is not an uncompressed P-256 point";
}

}  // namespace

std::string MakeKeyPair(const std::string& privatePath, const std::string& publicPath) {
    Key key(EVP_EC_gen(kCurveName));
    if (!key) return "cannot make a key: " + OpenSslError();
    std::string why;
    File privateFile = CreateNew(privatePath, kOwnerOnly, &why);
    if (!privateFile) return why;
    if (PEM_write_PrivateKey(privateFile.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        std::fflush(privateFile.get()) != 0)
        return privatePath + ": cannot be written: " + OpenSslError();
    File publicFile = CreateNew(publicPath, kEveryoneReads, &why);
    if (!publicFile) {
        unlink(privatePath.c_str());
        return why;
    }
    if (PEM_write_PUBKEY(publicFile.get(), key.get()) != 1 || std::fflush(publicFile.get()) != 0)
        return publicPath + ": cannot be written: " + OpenSslError();
    return "";
}

std::string ReadPublicKey(const std::string& path, ReleasePublicKey* publicKey) {
    File file(std::fopen(path.c_str(), "r"));
    if (!file) return path + ": " + std::strerror(errno);
    Key key(PEM_read_PUBKEY(file.get(), nullptr, nullptr, nullptr));
    if (!key) return path + ": not a public key in PEM form: " + OpenSslError();
    if (!IsP256(key.get())) return path + ": not a key of the curve P-256";
    return PublicHalf(key.get(), publicKey);
}

std::string SignWithPrivateKey(const std::string& path, const std::string& text, ReleaseSignature* signature,
                               ReleasePublicKey* publicKey) {
    File file(std::fopen(path.c_str(), "r"));
    if (!file) return path + ": " + std::strerror(errno);
    Key key(PEM_read_PrivateKey(file.get(), nullptr, nullptr, nullptr));
    if (!key) return path + ": not a private key in PEM form: " + OpenSslError();
    if (!IsP256(key.get())) return path + ": not a key of the curve P-256";
    if (std::string why = PublicHalf(key.get(), publicKey); !why.empty()) return why;

    EVP_MD_CTX* context = EVP_MD_CTX_new();
    size_t length = 0;
    std::vector<unsigned char> der;
    bool signedText = context &&
                      EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
                      EVP_DigestSign(context, nullptr, &length,
                                     reinterpret_cast<const unsigned char*>(text.data()), text.size()) == 1;
    if (signedText) {
        der.resize(length);
        signedText = EVP_DigestSign(context, der.data(), &length,
                                    reinterpret_cast<const unsigned char*>(text.data()), text.size()) == 1;
        der.resize(length);
    }
    EVP_MD_CTX_free(context);
    if (!signedText) return "cannot sign: " + OpenSslError();

    // OpenSSL writes the DER form; the manifest holds r and s as two 32-byte numbers.
    const unsigned char* at = der.data();
    ECDSA_SIG* parts = d2i_ECDSA_SIG(nullptr, &at, long(der.size()));
    const bool converted =
        parts && BN_bn2binpad(ECDSA_SIG_get0_r(parts), signature->data(), kHalfSignature) == kHalfSignature &&
        BN_bn2binpad(ECDSA_SIG_get0_s(parts), signature->data() + kHalfSignature, kHalfSignature) ==
            kHalfSignature;
    ECDSA_SIG_free(parts);
    return converted ? "" : "cannot convert the signature to r and s";
}
