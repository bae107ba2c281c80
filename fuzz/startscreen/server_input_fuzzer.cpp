// Feeds whatever an update server may send (any messages in any order, with any ids, parameters,
// lengths, names, offsets and sizes), mixed with frames, lost connections, keys and failed
// writes, to the start screen's decisions over an in-memory program folder (server_records.h has
// the input layout). Fresh start screens replace the old one as the program does, over the same
// folder, so a file the server wrote is what the next screen reads at its opening.
//
// Besides the sanitizers, every input must leave:
// - every path given to the file store in the program folder or a folder directly inside it;
// - no more file bytes than the seeded files and the data chunks brought;
// - no more new files than file headers arrived;
// - no file held open once the last start screen is gone;
// - every file list sent made of whole records with terminated names.
// Sizes and offsets announced by the server must never size an allocation: the CTest run sets an
// allocation limit far below the 4 GiB a record can announce.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "inside_program_folder.h"
#include "net/connection.h"
#include "platform/memory/startscreen/memory_registry_platform.h"
#include "platform/memory/update_client/memory_file_store_platform.h"
#include "server_records.h"
#include "startscreen/flow/start_screen_flow.h"
#include "update_client/scrambler.h"
#include "update_client/unseen_progress.h"
#include "update_protocol/file_record.h"
#include "write_failing_file_store.h"

namespace {

constexpr char kRunningProgram[] = "Tidemarch.exe";
// The number one character behind the second colon asks for the leftover library to go.
constexpr char kLeftoverText[] = "host:leftover: 1";

struct Seed {
    std::string path;
    std::vector<uint8_t> bytes;
};

std::vector<Seed>& SeedFiles() {
    static std::vector<Seed> seeds;
    return seeds;
}

[[noreturn]] void Fail(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "property broken: %s %s\n", what, detail.c_str());
    std::abort();
}

// What outlives one start screen: the host's retry count and the end of the run.
struct Host {
    int32_t retries = 0;
    bool quit = false;
    bool handedOver = false;
};

// One start screen's controls and connection as plain values.
class FuzzWorld final : public UnseenProgress<StartScreenWorld> {
  public:
    explicit FuzzWorld(Host& host) : host_(host) {}

    int32_t State() override { return state_; }
    void SetState(int32_t value) override { state_ = value; }
    void OpenPanel() override {
        state_ = start_state::Opening;
        inputEnabled = true;
    }
    void ClosePanel() override {
        state_ = start_state::Closing;
        inputEnabled = false;
    }
    int32_t ConnectionState() override { return connection; }
    void SetConnectionState(int32_t value) override { connection = value; }
    // Connected once the server's first message arrives; until then a wait can time out.
    void ConnectToServer() override { connecting = true; }
    void Send(uint32_t id, uint32_t, uint32_t b, const void* body, uint32_t length) override {
        if (id != message_id::FileData) return;
        if (uint64_t(b) * sizeof(FileRecord) != length || (length != 0 && !body)) Fail("file list length");
        const auto* records = static_cast<const FileRecord*>(body);
        for (uint32_t i = 0; i < b; ++i)
            if (!std::memchr(records[i].folder, 0, sizeof records[i].folder) ||
                !std::memchr(records[i].name, 0, sizeof records[i].name))
                Fail("file list name without terminator");
    }
    void ShowStatus(uint32_t) override {}
    void ShowBar(int32_t, int32_t, int32_t) override {}
    void ShowFailureText() override {}
    void MoveWaitMarker(int) override {}
    int32_t RetryCount() override { return host_.retries; }
    void SetRetryCount(int32_t count) override { host_.retries = count; }
    void PostQuit() override { host_.quit = true; }
    void HandOver() override { host_.handedOver = true; }
    void StartFreshScreen() override { freshScreenWanted = true; }
    void RefuseRelease(const std::string&, int32_t) override {}

    void ReportFileProblem(const std::string&) override {}
    void OnWriteFailed() override { ClosePanel(); }

    int32_t connection = connection_state::NotConnected;
    bool connecting = false;
    bool inputEnabled = false;
    bool freshScreenWanted = false;

  private:
    Host& host_;
    int32_t state_ = start_state::Closed;
};

// A start screen: its world and its decisions.
struct Screen {
    Screen(Host& host, FileStorePlatform& files, MemoryRegistryPlatform& registry)
        : world(host), flow(world, files, registry, StartScreenSettings{"127.0.0.1"}) {}
    FuzzWorld world;
    StartScreenFlow flow;
};

class Run {
  public:
    Run() {
        files_.SetRunningProgram(kRunningProgram);
        for (const Seed& seed : SeedFiles())
            files_.Put(seed.path, seed.bytes);
        seededFiles_ = files_.FileCount();
        seededBytes_ = files_.HeldBytes();
        screen_ = std::make_unique<Screen>(host_, failing_, registry_);
        screen_->flow.Open();
    }

    void Play(const uint8_t* data, size_t size) {
        server_records::Reader reader(data, size);
        server_records::Record record;
        while (!host_.quit && reader.Next(&record))
            Apply(record);
        CheckFolder();
        screen_.reset();
        if (files_.HoldsChunkFile()) Fail("a file stays open after the start screen is gone");
    }

  private:
    void Apply(const server_records::Record& record) {
        using server_records::Action;
        switch (record.action) {
        case Action::Message:
            if (record.id == message_id::FileHeader) ++headers_;
            if (record.id == message_id::FileData) chunkBytes_ += record.length;
            if (screen_->world.connecting) {
                screen_->world.connecting = false;
                screen_->world.connection = connection_state::Connected;
            }
            screen_->flow.OnMessage(record.id, record.a, record.b, record.body, record.length);
            break;
        case Action::Frames:
            // A screen that handed over has left the tree and is no longer updated.
            for (int i = 0; i < record.frames && !host_.quit && !host_.handedOver; ++i)
                if (!screen_->flow.Update() && screen_->world.freshScreenWanted) ReplaceScreen();
            break;
        case Action::ConnectionLost:
            screen_->world.connecting = false;
            screen_->world.connection = connection_state::NotConnected;
            screen_->flow.OnDisconnected();
            break;
        case Action::KeyDown:
            if (screen_->world.inputEnabled && !host_.handedOver) screen_->flow.OnKeyDown(record.key);
            break;
        case Action::ButtonDown:
            if (screen_->world.inputEnabled && !host_.handedOver) screen_->flow.OnButtonDown();
            break;
        case Action::FailNextWrite:
            failing_.FailNextWrite();
            break;
        }
    }

    // As the program does it: the fresh screen is made and opened before the old one goes.
    void ReplaceScreen() {
        auto fresh = std::make_unique<Screen>(host_, failing_, registry_);
        fresh->flow.Open();
        screen_ = std::move(fresh);
    }

    void CheckFolder() const {
        for (const std::string& path : files_.TouchedPaths())
            if (!inside_program_folder::IsFile(path) && !inside_program_folder::IsFolder(path))
                Fail("path outside the program folder:", path);
        for (const std::string& folder : files_.Folders())
            if (!inside_program_folder::IsFolder(folder)) Fail("folder outside the program folder:", folder);
        if (files_.HeldBytes() > seededBytes_ + chunkBytes_) Fail("more file bytes than were sent");
        if (files_.FileCount() > seededFiles_ + headers_) Fail("more files than headers");
    }

    Host host_;
    MemoryFileStorePlatform files_;
    WriteFailingFileStore failing_{files_};
    MemoryRegistryPlatform registry_;
    std::unique_ptr<Screen> screen_;
    size_t seededFiles_ = 0;
    uint64_t seededBytes_ = 0;
    uint64_t chunkBytes_ = 0;
    size_t headers_ = 0;
};

std::vector<uint8_t> Text(const char* text) { return std::vector<uint8_t>(text, text + std::strlen(text)); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The folder every run starts from: the program, its start sprites, and a leftover file that
    // asks for the leftover library to go.
    Scrambler scrambler;
    scrambler.SetKey(kStartScreenKey);
    std::vector<uint8_t> leftover;
    const std::vector<uint8_t> text = Text(kLeftoverText);
    if (!scrambler.MakeScrambledFile(text.data(), text.size(), &leftover)) Fail("leftover seed");
    SeedFiles() = {
        {std::string("./") + kRunningProgram, Text("program")},
        {"SPR/Start.SPR", Text("sprites")},
        {StartScreenFlow::kLeftoverFile, leftover},
        {StartScreenFlow::kLeftoverLibrary, Text("library")},
    };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Run run;
    run.Play(data, size);
    return 0;
}
