#include "startscreen/flow/start_screen_flow.h"

#include <cstring>
#include <vector>

#include "net/connection.h"
#include "update_client/file_list.h"
#include "update_client/update_progress.h"

namespace {

constexpr uint32_t kHelloVersion = 0x10060000;
constexpr uint32_t kHelloOne = 1;
constexpr uint32_t kHelloKind = 7;
constexpr int32_t kDeleteLeftover = 1;

void PutWord(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

}  // namespace

StartScreenFlow::StartScreenFlow(StartScreenWorld& world, FileStorePlatform& files,
                                 RegistryPlatform& registry, StartScreenSettings settings)
    : world_(world), files_(files), registry_(registry), settings_(std::move(settings)),
      transfer_(files, world) {
    scrambler_.SetKey(kStartScreenKey);
}

void StartScreenFlow::MakeHelloBody(uint8_t (&body)[kHelloBodyBytes]) {
    std::memset(body, 0, sizeof body);
    PutWord(body + 4, kHelloVersion);
    PutWord(body + 12, kHelloOne);
    PutWord(body + 16, kHelloKind);
}

bool StartScreenFlow::LeftoverSaysDelete(const uint8_t* text, uint32_t length) {
    const uint8_t* end = text + length;
    const uint8_t* first = static_cast<const uint8_t*>(std::memchr(text, ':', length));
    const uint8_t* second =
        first ? static_cast<const uint8_t*>(std::memchr(first + 1, ':', size_t(end - first - 1))) : nullptr;
    if (!second) return true;
    // A decimal conversion as the C library's: leading blanks, a sign, digits up to the first
    // other character, and never past the end of the text.
    const uint8_t* at = end - second > 2 ? second + 2 : end;
    while (at < end && (*at == ' ' || (*at >= '\t' && *at <= '\r')))
        ++at;
    bool negative = false;
    if (at < end && (*at == '+' || *at == '-')) negative = *at++ == '-';
    int64_t number = 0;
    for (; at < end && *at >= '0' && *at <= '9' && number <= kDeleteLeftover; ++at)
        number = number * 10 + (*at - '0');
    return !negative && number == kDeleteLeftover;
}

void StartScreenFlow::SetBar(int32_t minimum, int32_t maximum, int32_t value) {
    barMinimum_ = minimum;
    barMaximum_ = maximum;
    barValue_ = value;
    world_.ShowBar(minimum, maximum, value);
}

void StartScreenFlow::RestartWait(int32_t updates) {
    SetBar(0, updates, 0);
    world_.ShowTotalBytes(0);
}

void StartScreenFlow::CheckLeftover() {
    std::vector<uint8_t> image;
    if (!files_.ReadWholeFile(kLeftoverFile, kLeftoverMaxBytes, &image)) return;
    std::vector<uint8_t> text;
    if (!scrambler_.ReadScrambledImage(image.data(), image.size(), false, &text)) return;
    if (LeftoverSaysDelete(text.data(), uint32_t(text.size()))) files_.RemoveFile(kLeftoverLibrary);
}

void StartScreenFlow::Open() {
    std::string server;
    if (!registry_.ReadText(settings_.registryKey, settings_.registryValue, &server))
        registry_.WriteText(settings_.registryKey, settings_.registryValue, settings_.defaultServer);
    world_.ShowStatus(start_picture::Connecting);
    RestartWait(kFirstWait);
    CheckLeftover();
    world_.ConnectToServer();
    world_.OpenPanel();
}

void StartScreenFlow::SendFileList() {
    const std::vector<FileRecord> records = CollectFileList(files_);
    world_.Send(message_id::FileData, 0, uint32_t(records.size()), records.empty() ? nullptr : records.data(),
                uint32_t(records.size() * sizeof(FileRecord)));
}

bool StartScreenFlow::Update() {
    switch (world_.State()) {
    case start_state::Opening: {
        const int32_t connection = world_.ConnectionState();
        if (connection == connection_state::SessionReady) {
            world_.ShowStatus(start_picture::Updating);
            world_.SetState(start_state::Open);
            SendFileList();
            break;
        }
        if (connection == connection_state::NotConnected && barValue_ >= barMaximum_ &&
            world_.RetryCount() < kMaxAttempts) {
            world_.SetRetryCount(world_.RetryCount() + 1);
            world_.SetState(start_state::Closing);
        }
        if (barValue_ < barMaximum_) {
            ++barValue_;
            world_.ShowBar(barMinimum_, barMaximum_, barValue_);
            const double span = double(barMaximum_) - double(barMinimum_);
            world_.MoveWaitMarker(kMarkerTrackLeft + int(kMarkerTrackWidth * double(barValue_) / span));
            world_.ShowTotalBytes(uint32_t(barValue_ / kWaitCounterDivisor));
        }
        break;
    }
    case start_state::Closing:
        world_.SetState(start_state::Closed);
        break;
    case start_state::Refused:
        if (countdown == 0) {
            world_.PostQuit();
            return false;
        }
        --countdown;
        break;
    case start_state::Closed:
        if (updateFinished) {
            if (!ReleaseAllowsHandOver()) break;
            world_.HandOver();
            return false;
        }
        if (world_.RetryCount() < kMaxAttempts) {
            world_.StartFreshScreen();
            return false;
        }
        world_.ShowFailureText();
        break;
    default:
        break;
    }
    return true;
}

bool StartScreenFlow::OnKeyDown(uintptr_t key) {
    if (world_.RetryCount() >= kMaxAttempts || world_.State() == start_state::Refused) {
        world_.PostQuit();
        return true;
    }
    if (key == kEscape) world_.PostQuit();
    return false;
}

bool StartScreenFlow::OnButtonDown() {
    if (world_.State() != start_state::Refused) return false;
    world_.PostQuit();
    return true;
}

void StartScreenFlow::OnDisconnected() {
    transfer_.Finish();
    const int32_t state = world_.State();
    if (state == start_state::Closing || state == start_state::Closed || state == start_state::Refused)
        return;
    world_.SetState(start_state::Opening);
    RestartWait(kWaitAfterLoss);
}

bool StartScreenFlow::ReleaseAllowsHandOver() {
    if (!settings_.release) return true;
    if (gate_ == ReleaseGate::NotChecked) StartReleaseCheck();
    if (gate_ == ReleaseGate::Checking) FollowReleaseCheck();
    return gate_ == ReleaseGate::Passed;
}

void StartScreenFlow::StartReleaseCheck() {
    const ReleaseVerification& release = *settings_.release;
    gate_ = ReleaseGate::Checking;
    SetBar(0, kCheckBarSteps, 0);
    std::string stored;
    if (registry_.ReadText(settings_.registryKey, settings_.acceptedReleaseValue, &stored)) {
        uint64_t number = 0;
        if (!ParseReleaseNumber(stored, &number)) {
            RefuseRelease({settings_.acceptedReleaseValue,
                           "the highest accepted release number stored in the registry (under " +
                               settings_.registryKey + ") is not a number"});
            return;
        }
        highestAccepted_ = number;
    }
    check_ = std::make_unique<ReleaseCheck>(release.key, *release.crypto, *release.files);
    if (std::optional<ReleaseRefusal> refusal =
            check_->CheckManifest(highestAccepted_, release.requiredFiles)) {
        RefuseRelease(*refusal);
        return;
    }
    hashing_ = std::make_unique<BackgroundReleaseHashing>(*check_);
}

void StartScreenFlow::FollowReleaseCheck() {
    const uint64_t total = check_->TotalBytes();
    const uint64_t done = check_->DoneBytes();
    SetBar(0, kCheckBarSteps, total ? int32_t(done * kCheckBarSteps / total) : kCheckBarSteps);
    const std::vector<ManifestFile>& files = check_->Manifest().files;
    const size_t index = check_->FileIndex();
    world_.ShowPath(index < files.size() ? files[index].path : std::string());
    if (!hashing_->Done()) return;
    const std::optional<ReleaseRefusal> refusal = hashing_->Refusal();
    hashing_.reset();
    if (refusal) {
        RefuseRelease(*refusal);
        return;
    }
    world_.ShowPath(std::string());
    // A release that cannot be recorded is still the signed one; only a later rollback would go
    // unnoticed.
    const uint64_t release = check_->Manifest().release;
    if (!highestAccepted_ || release > *highestAccepted_)
        registry_.WriteText(settings_.registryKey, settings_.acceptedReleaseValue, std::to_string(release));
    gate_ = ReleaseGate::Passed;
}

void StartScreenFlow::RefuseRelease(const ReleaseRefusal& refusal) {
    gate_ = ReleaseGate::Refused;
    world_.ShowPath(std::string());
    world_.RefuseRelease("The game is not started: its files are not the release the operator signed.\n\n"
                         "File: " +
                             refusal.file + "\nReason: " + refusal.reason + ".",
                         kReleaseRefusedExitCode);
}

void StartScreenFlow::OnMessage(uint32_t id, uint32_t a, uint32_t b, const uint8_t* body, uint32_t length) {
    switch (id) {
    case message_id::Acknowledge:
        if (b == message_id::SecondAnswer) world_.SetConnectionState(connection_state::SessionReady);
        break;
    case message_id::Refuse:
        if (b == message_id::Hello || b == message_id::SecondAnswer) {
            world_.ShowStatus(start_picture::Refused);
            world_.SetState(start_state::Refused);
        }
        break;
    case message_id::UpdateAnnounced:
        if (FolderSealed()) break;
        transfer_.OnAnnouncement(body, length);
        break;
    case message_id::UpdateFinished:
        updateFinished = 1;
        transfer_.Finish();
        world_.ClosePanel();
        break;
    case message_id::FileHeader:
        if (FolderSealed()) break;
        transfer_.OnFileHeader(body, length);
        break;
    case message_id::HelloRequest: {
        uint8_t hello[kHelloBodyBytes];
        MakeHelloBody(hello);
        world_.Send(message_id::Hello, 0, message_id::HelloRequest, hello, sizeof hello);
        break;
    }
    case message_id::SecondRequest: {
        const uint8_t zeros[kSecondAnswerBytes] = {};
        world_.Send(message_id::SecondAnswer, 0, message_id::SecondRequest, zeros, sizeof zeros);
        break;
    }
    case message_id::FileData:
        if (FolderSealed()) break;
        transfer_.OnFileData(a, body, length);
        break;
    default:
        break;
    }
}
