#pragma once
// The operator's key pair with OpenSSL's libcrypto: making one, reading the PEM files, and signing
// a manifest's text with the private key.
#include <string>

#include "release_manifest/release_crypto_platform.h"
#include "release_manifest/release_manifest.h"

// Writes a new P-256 key pair: the private key (PKCS #8 PEM, readable by its owner only) and its
// public key (SubjectPublicKeyInfo PEM). Refuses to replace an existing file. Empty on success,
// else why not.
std::string MakeKeyPair(const std::string& privatePath, const std::string& publicPath);

// Reads a P-256 public key from a PEM file; empty on success, else why not.
std::string ReadPublicKey(const std::string& path, ReleasePublicKey* key);

// Signs text with the P-256 private key of a PEM file (OpenSSL asks for the pass phrase of an
// encrypted one) and gives the key's public half; empty on success, else why not.
std::string SignWithPrivateKey(const std::string& path, const std::string& text, ReleaseSignature* signature,
                               ReleasePublicKey* publicKey);
