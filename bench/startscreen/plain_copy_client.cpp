#include "plain_copy_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "startscreen/flow/start_screen_flow.h"
#include "update_protocol/file_record.h"

namespace {

constexpr uint32_t kMagic = 0x01020304;

struct Header {
    uint32_t magic, id, a, b, length;
};

bool ReadExactly(int fd, void* into, size_t length) {
    auto* at = static_cast<uint8_t*>(into);
    while (length > 0) {
        const ssize_t got = ::recv(fd, at, length, 0);
        if (got <= 0) return false;
        at += got;
        length -= size_t(got);
    }
    return true;
}

bool Send(int fd, uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length) {
    std::vector<uint8_t> message(sizeof(Header) + length);
    const Header header{kMagic, id, a, b, length};
    std::memcpy(message.data(), &header, sizeof header);
    if (length) std::memcpy(message.data() + sizeof header, body, length);
    return ::send(fd, message.data(), message.size(), 0) == ssize_t(message.size());
}

bool WriteAll(int fd, const uint8_t* data, size_t length) {
    while (length > 0) {
        const ssize_t wrote = ::write(fd, data, length);
        if (wrote <= 0) return false;
        data += wrote;
        length -= size_t(wrote);
    }
    return true;
}

}  // namespace

CopyResult PlainCopy(uint16_t port, const std::filesystem::path& folder) {
    CopyResult result;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return result;
    }
    std::vector<uint8_t> body;
    int file = -1;
    for (;;) {
        Header header{};
        if (!ReadExactly(fd, &header, sizeof header) || header.magic != kMagic) break;
        body.resize(header.length);
        if (header.length && !ReadExactly(fd, body.data(), header.length)) break;
        if (header.id == message_id::HelloRequest) {
            uint8_t hello[StartScreenFlow::kHelloBodyBytes];
            StartScreenFlow::MakeHelloBody(hello);
            Send(fd, message_id::Hello, 0, header.id, hello, sizeof hello);
        } else if (header.id == message_id::SecondRequest) {
            const uint8_t zeros[StartScreenFlow::kSecondAnswerBytes] = {};
            Send(fd, message_id::SecondAnswer, 0, header.id, zeros, sizeof zeros);
        } else if (header.id == message_id::Acknowledge) {
            Send(fd, message_id::FileData, 0, 0, nullptr, 0);
        } else if (header.id == message_id::FileHeader && header.length == sizeof(FileRecord)) {
            if (file >= 0) ::close(file);
            FileRecord record{};
            std::memcpy(&record, body.data(), sizeof record);
            const std::string folderName(record.folder, strnlen(record.folder, sizeof record.folder));
            const std::string name(record.name, strnlen(record.name, sizeof record.name));
            std::filesystem::create_directories(folder / folderName);
            file =
                ::open((folder / folderName / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            ++result.files;
        } else if (header.id == message_id::FileData) {
            if (file < 0 || !WriteAll(file, body.data(), body.size())) break;
            result.bytes += body.size();
        } else if (header.id == message_id::UpdateFinished) {
            result.ok = true;
            break;
        }
    }
    if (file >= 0) ::close(file);
    ::close(fd);
    return result;
}
