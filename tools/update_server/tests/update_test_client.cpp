#include "update_test_client.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "net/wire_format.h"
#include "platform/posix/net/socket_notifications.h"

namespace {

constexpr uint32_t kStartScreenHello[5] = {0, 0x10060000, 0, 1, 7};

std::vector<std::string> Entries(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* folder = ::opendir(path.c_str())) {
        while (const dirent* entry = ::readdir(folder))
            if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
        ::closedir(folder);
    }
    return names;
}

FileRecord RecordOf(const std::string& folder, const std::string& name, const struct stat& info) {
    return MakeFileRecord(folder, name, RecordTimeOf(info.st_mtim).value(), uint32_t(info.st_size));
}

}  // namespace

std::vector<FileRecord> ListFolder(const std::string& root) {
    std::vector<FileRecord> records;
    std::vector<std::string> folders;
    for (const std::string& name : Entries(root)) {
        struct stat info;
        if (::stat((root + "/" + name).c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode))
            folders.push_back(name);
        else
            records.push_back(RecordOf(".", name, info));
    }
    for (const std::string& folder : folders)
        for (const std::string& name : Entries(root + "/" + folder)) {
            struct stat info;
            if (::stat((root + "/" + folder + "/" + name).c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
                records.push_back(RecordOf(folder, name, info));
        }
    return records;
}

UpdateTestClient::UpdateTestClient(TestHello hello, std::string folder)
    : ClientConnection(0), hello(hello), folder(std::move(folder)) {}

void* UpdateTestClient::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

bool UpdateTestClient::ConnectTo(NetworkManager& manager, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return Connect(&manager, &address, sizeof address) == 1;
}

size_t UpdateTestClient::Count(uint32_t id) const {
    return size_t(std::count_if(messages.begin(), messages.end(), [&](const auto& m) { return m.id == id; }));
}

void UpdateTestClient::OnDisconnected() { ++disconnects; }

void UpdateTestClient::SendFileList() {
    if (listOverride) {
        SendMessage(message_id::FileData, 0, listOverride->first, listOverride->second.data(),
                    uint32_t(listOverride->second.size()), 0);
        return;
    }
    const std::vector<FileRecord> records = ListFolder(folder);
    SendMessage(message_id::FileData, 0, uint32_t(records.size()), records.data(),
                uint32_t(records.size() * sizeof(FileRecord)), 0);
}

void UpdateTestClient::WriteChunk(uint32_t offset, const uint8_t* data, uint32_t length) {
    const int file = ::open(currentPath_.c_str(), O_WRONLY);
    if (file < 0) {
        writeFailures.push_back("open " + currentPath_);
        return;
    }
    if (::pwrite(file, data, length, off_t(offset)) != ssize_t(length) ||
        ::ftruncate(file, off_t(offset) + length) != 0)
        writeFailures.push_back("write " + currentPath_);
    const timespec stamp = StampOf(current_.lastWrite);
    const timespec times[2] = {stamp, stamp};
    ::futimens(file, times);
    ::close(file);
}

uint32_t UpdateTestClient::OnMessage(MessageHeader* header, uint8_t* body) {
    const ReceivedMessage message{header->id, header->a, header->b,
                                  std::vector<uint8_t>(body, body + header->bodyLength)};
    messages.push_back(message);
    switch (header->id) {
    case message_id::HelloRequest:
        if (!answerHello) break;
        if (hello == TestHello::StartScreen) {
            uint8_t hello[kHelloBodySize] = {};
            std::memcpy(hello, kStartScreenHello, sizeof kStartScreenHello);
            SendMessage(message_id::Hello, 0, message_id::HelloRequest, hello, kHelloBodySize, 0);
        } else {
            ClientConnection::OnMessage(header, body);
        }
        break;
    case message_id::Acknowledge:
        if (hello == TestHello::StartScreen) {
            if (header->b == message_id::SecondAnswer) state = connection_state::SessionReady;
        } else {
            ClientConnection::OnMessage(header, body);
        }
        if (state == connection_state::SessionReady && !ready) {
            ready = true;
            SendFileList();
        }
        break;
    case message_id::Refuse:
        refused = true;
        break;
    case message_id::FileHeader:
        if (header->bodyLength != sizeof(FileRecord)) break;
        std::memcpy(&current_, body, sizeof current_);
        {
            const std::string subfolder(RecordText(current_.folder).value_or("?"));
            const std::string name(RecordText(current_.name).value_or("?"));
            ::mkdir((folder + "/" + subfolder).c_str(), 0755);
            currentPath_ = folder + "/" + subfolder + "/" + name;
            const int file = ::open(currentPath_.c_str(), O_WRONLY | O_CREAT, 0644);
            if (file < 0)
                writeFailures.push_back("create " + currentPath_);
            else
                ::close(file);
        }
        break;
    case message_id::FileData:
        WriteChunk(header->a, body, header->bodyLength);
        break;
    case message_id::UpdateFinished:
        finished = true;
        break;
    default:
        ClientConnection::OnMessage(header, body);
        break;
    }
    if (afterMessage) afterMessage(*this, message);
    return 1;
}

ClientPump::ClientPump()
    : manager_(new NetworkManager(&window_),
               [](NetworkManager* manager) { DestroyNetworkManager(manager); }) {}

bool ClientPump::Until(const std::function<bool()>& condition, int boundMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        PumpSocketNotifications(*manager_, 5);
    }
    return true;
}

void ClientPump::For(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end)
        PumpSocketNotifications(*manager_, 5);
}
