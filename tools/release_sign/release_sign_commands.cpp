#include "release_sign_commands.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "platform/posix/release_manifest/openssl_release_crypto_platform.h"
#include "platform/posix/release_manifest/posix_release_file_source.h"
#include "release_folder_listing.h"
#include "release_keys.h"
#include "release_manifest/release_check.h"
#include "release_manifest/release_manifest.h"

namespace {

constexpr char kUsage[] = "usage:\n"
                          "  release_sign keygen --private PRIVATE.pem --public PUBLIC.pem\n"
                          "  release_sign [sign] --key PRIVATE.pem --folder DIR --version N\n"
                          "  release_sign verify --key PUBLIC.pem --folder DIR\n";
constexpr char kTemporaryName[] = ".Release.manifest.new";

// --name value pairs; false for anything else or a name not allowed.
bool ReadOptions(const std::vector<std::string>& arguments, size_t from,
                 const std::vector<std::string>& allowed, std::map<std::string, std::string>* options) {
    for (size_t i = from; i < arguments.size(); i += 2) {
        const std::string& name = arguments[i];
        if (name.rfind("--", 0) != 0 || i + 1 >= arguments.size()) return false;
        bool known = false;
        for (const std::string& option : allowed)
            known = known || option == name.substr(2);
        if (!known || options->count(name.substr(2))) return false;
        (*options)[name.substr(2)] = arguments[i + 1];
    }
    for (const std::string& option : allowed)
        if (!options->count(option)) return false;
    return true;
}

std::optional<ReleaseManifest> ExistingManifest(const std::string& folder) {
    std::ifstream file(folder + "/" + kReleaseManifestName, std::ios::binary);
    if (!file) return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    const std::string bytes = text.str();
    ReleaseManifest manifest;
    ManifestProblem problem;
    if (!ReadReleaseManifest(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &manifest,
                             &problem))
        return std::nullopt;
    return manifest;
}

// The check a host runs, without the registry's release number: empty when the folder passes.
std::string CheckFolder(ReleaseCheck& check) {
    if (std::optional<ReleaseRefusal> refusal = check.CheckManifest(std::nullopt, {}))
        return refusal->file + ": " + refusal->reason;
    while (!check.Finished())
        if (std::optional<ReleaseRefusal> refusal = check.HashSome(ReleaseCheck::kReadBytes))
            return refusal->file + ": " + refusal->reason;
    return "";
}

int Keygen(const std::map<std::string, std::string>& options, std::ostream& out, std::ostream& err) {
    if (std::string why = MakeKeyPair(options.at("private"), options.at("public")); !why.empty()) {
        err << "release_sign: " << why << "\n";
        return kCommandRefused;
    }
    out << "private key " << options.at("private") << " (keep it off the update server)\n"
        << "public key " << options.at("public")
        << " (build the host with -DTIDEMARCH_RELEASE_KEY=" << options.at("public") << ")\n";
    return kCommandDone;
}

int Sign(const std::map<std::string, std::string>& options, std::ostream& out, std::ostream& err) {
    const std::string& folder = options.at("folder");
    uint64_t release = 0;
    if (!ParseReleaseNumber(options.at("version"), &release)) {
        err << "release_sign: --version must be a whole number from 0 to 18446744073709551615 without "
               "leading zeros\n";
        return kCommandMisused;
    }
    if (std::optional<ReleaseManifest> existing = ExistingManifest(folder);
        existing && existing->release > release) {
        err << "release_sign: the folder's manifest is release " << existing->release
            << "; hosts that accepted it "
            << "refuse release " << release << "\n";
        return kCommandRefused;
    }
    std::vector<ListedFile> listed;
    std::vector<std::string> problems;
    if (!ListReleaseFolder(folder, &listed, &problems)) {
        for (const std::string& problem : problems)
            err << "release_sign: " << problem << "\n";
        err << "release_sign: nothing signed\n";
        return kCommandRefused;
    }

    OpenSslReleaseCryptoPlatform crypto;
    PosixReleaseFileSource source(folder);
    std::vector<ManifestFile> files;
    std::vector<uint8_t> buffer(ReleaseCheck::kReadBytes);
    for (const ListedFile& entry : listed) {
        std::unique_ptr<ReleaseFileReader> reader;
        std::unique_ptr<Sha256Hasher> hasher = crypto.NewSha256();
        ManifestFile file{entry.path, uint32_t(entry.size), {}};
        uint64_t done = 0;
        bool read = source.Open(entry.path, &reader) == ReleaseFileSource::Opened::Yes && hasher;
        for (size_t got = 1; read && got != 0; done += got)
            read = reader->Read(buffer.data(), buffer.size(), &got) && hasher->Add(buffer.data(), got);
        if (!read || !hasher->Finish(&file.sha256) || done != entry.size) {
            err << "release_sign: " << entry.path << ": cannot be read whole\n";
            return kCommandRefused;
        }
        files.push_back(std::move(file));
    }

    const std::string body = WriteManifestBody(release, files);
    ReleaseSignature signature{};
    ReleasePublicKey publicKey;
    if (std::string why = SignWithPrivateKey(options.at("key"), body, &signature, &publicKey); !why.empty()) {
        err << "release_sign: " << why << "\n";
        return kCommandRefused;
    }
    const std::string manifest = body + WriteSignatureLine(signature);
    const std::string temporary = folder + "/" + kTemporaryName;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << manifest;
        file.close();
        if (!file) {
            err << "release_sign: " << temporary << ": cannot be written\n";
            std::remove(temporary.c_str());
            return kCommandRefused;
        }
    }
    // A server rescanning the folder sees the old manifest or the new one, never half of one.
    if (std::rename(temporary.c_str(), (folder + "/" + kReleaseManifestName).c_str()) != 0) {
        err << "release_sign: " << folder << "/" << kReleaseManifestName << ": cannot be written\n";
        std::remove(temporary.c_str());
        return kCommandRefused;
    }

    // What a host will check, read back from the folder: catches a file changed while it was signed.
    ReleaseCheck check(publicKey, crypto, source);
    if (std::string why = CheckFolder(check); !why.empty()) {
        err << "release_sign: the signed folder does not pass the host's check: " << why << "\n";
        return kCommandRefused;
    }
    uint64_t bytes = 0;
    for (const ManifestFile& file : files)
        bytes += file.size;
    out << "signed release " << release << ": " << files.size() << " files, " << bytes << " bytes, " << folder
        << "/" << kReleaseManifestName << "\n";
    return kCommandDone;
}

int Verify(const std::map<std::string, std::string>& options, std::ostream& out, std::ostream& err) {
    ReleasePublicKey key;
    if (std::string why = ReadPublicKey(options.at("key"), &key); !why.empty()) {
        err << "release_sign: " << why << "\n";
        return kCommandRefused;
    }
    OpenSslReleaseCryptoPlatform crypto;
    PosixReleaseFileSource source(options.at("folder"));
    ReleaseCheck check(key, crypto, source);
    if (std::string why = CheckFolder(check); !why.empty()) {
        err << "release_sign: refused: " << why << "\n";
        return kCommandRefused;
    }
    out << "release " << check.Manifest().release << ": " << check.Manifest().files.size() << " files, "
        << check.TotalBytes() << " bytes match the signed manifest\n";
    return kCommandDone;
}

}  // namespace

int RunReleaseSign(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::map<std::string, std::string> options;
    const std::string command = arguments.empty() || arguments[0].rfind("--", 0) == 0 ? "sign" : arguments[0];
    const size_t from = arguments.empty() || arguments[0].rfind("--", 0) == 0 ? 0 : 1;
    if (command == "keygen" && ReadOptions(arguments, from, {"private", "public"}, &options))
        return Keygen(options, out, err);
    if (command == "sign" && ReadOptions(arguments, from, {"key", "folder", "version"}, &options))
        return Sign(options, out, err);
    if (command == "verify" && ReadOptions(arguments, from, {"key", "folder"}, &options))
        return Verify(options, out, err);
    err << kUsage;
    return kCommandMisused;
}
