// Feeds arbitrary client byte streams, in arbitrary read sizes, to the server's session protocol,
// and when a file list gets through, plans and produces the whole update for it from a small
// release. Checks: the bytes held for an incomplete message stay below one header and a full file
// list; a failed session stays failed and says nothing more; accepted lists hold only usable
// names; the update is well formed (announcement, headers with their chunks in ascending order
// adding up to the announced total, the end message last).
//
// Input: byte 0 bit 0 chooses refusing mode; byte 1 gives the number k of read-size bytes that
// follow; then k read sizes (1 to 64 bytes, or the whole rest for 0xF0 and above, used in turn);
// the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "session_protocol.h"
#include "update_sender.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::shared_ptr<ReleaseSnapshot> SmallRelease() {
    auto snapshot = std::make_shared<ReleaseSnapshot>();
    const CalendarTime time{2024, 1, 1, 1, 0, 0, 0, 0};
    const struct {
        const char* folder;
        const char* name;
        size_t size;
    } files[] = {{".", "a", 3000}, {".", "empty", 0}, {"D", "b", 17}, {"D", "C", 1024}};
    for (const auto& file : files) {
        std::vector<uint8_t> bytes(file.size);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = uint8_t(i);
        snapshot->files.push_back(
            {file.folder, file.name, time, uint32_t(file.size), std::make_shared<MemoryFileSource>(bytes)});
    }
    return snapshot;
}

void CheckUpdate(const std::vector<ClientFile>& listed, uint32_t chunkSize) {
    const UpdatePlan plan = PlanUpdate(SmallRelease(), listed);
    const uint32_t planned = uint32_t(plan.files.size());
    UpdateSender transfer(plan, chunkSize);
    std::vector<uint8_t> buffer(transfer.BufferSize());
    std::vector<uint8_t> stream;
    while (size_t n = transfer.Fill(buffer.data(), buffer.size()))
        stream.insert(stream.end(), buffer.begin(), buffer.begin() + ptrdiff_t(n));
    Check(transfer.Finished() && transfer.Error().empty());

    size_t at = 0;
    uint32_t headers = 0;
    uint64_t content = 0;
    uint32_t expectedOffset = 0;
    uint32_t fileSize = 0;
    bool announced = false;
    bool ended = false;
    while (at < stream.size()) {
        Check(!ended && stream.size() - at >= kHeaderSize);
        MessageHeader header;
        std::memcpy(&header, stream.data() + at, kHeaderSize);
        Check(header.magic == FrameMagic);
        const uint8_t* body = stream.data() + at + kHeaderSize;
        Check(stream.size() - at - kHeaderSize >= header.bodyLength);
        switch (header.id) {
        case message_id::UpdateAnnounced: {
            Check(!announced && header.bodyLength == 8);
            uint32_t words[2];
            std::memcpy(words, body, 8);
            Check(words[0] == planned && words[1] == plan.totalBytes);
            announced = true;
            break;
        }
        case message_id::FileHeader: {
            Check(announced && header.bodyLength == kFileRecordSize && expectedOffset == fileSize);
            FileRecord record;
            std::memcpy(&record, body, sizeof record);
            Check(RecordText(record.folder).has_value() && RecordText(record.name).has_value());
            fileSize = record.size;
            expectedOffset = 0;
            ++headers;
            break;
        }
        case message_id::FileData:
            Check(headers > 0 && header.a == expectedOffset && header.bodyLength > 0 &&
                  header.bodyLength <= chunkSize && uint64_t(header.a) + header.bodyLength <= fileSize);
            for (uint32_t i = 0; i < header.bodyLength; ++i)
                Check(body[i] == uint8_t(header.a + i));
            expectedOffset += header.bodyLength;
            content += header.bodyLength;
            break;
        case message_id::UpdateFinished:
            Check(announced && header.bodyLength == 0 && expectedOffset == fileSize);
            ended = true;
            break;
        default:
            Check(false);
        }
        at += kHeaderSize + header.bodyLength;
    }
    Check(ended && headers == planned && content == plan.totalBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool refusing = data[0] & 1;
    const size_t sizeCount = data[1];
    if (size < 2 + sizeCount) return 0;
    const uint8_t* sizes = data + 2;
    const uint8_t* stream = data + 2 + sizeCount;
    const size_t streamSize = size - 2 - sizeCount;

    SessionProtocol protocol(refusing);
    size_t fed = 0;
    size_t turn = 0;
    while (fed < streamSize) {
        size_t chunk = streamSize - fed;
        if (sizeCount > 0) {
            const uint8_t code = sizes[turn++ % sizeCount];
            if (code < 0xF0) chunk = std::min<size_t>(chunk, code % 64 + 1);
        }
        const SessionPhase before = protocol.Phase();
        const SessionProtocol::Step step = protocol.Receive(stream + fed, chunk);
        fed += chunk;
        Check(protocol.Pending() < kHeaderSize + kLongestFileList);
        if (before == SessionPhase::Failed || before == SessionPhase::Refused) {
            Check(protocol.Phase() == before && step.replies.empty() && !step.fileListArrived);
        }
        if (protocol.Phase() == SessionPhase::Failed)
            Check(!protocol.Error().empty() && protocol.Pending() == 0);
        Check(!step.refused || refusing);
        if (step.fileListArrived) {
            Check(!refusing && protocol.Hello() != HelloKind::Unknown);
            const auto& files = protocol.FileList();
            Check(files.size() <= kMaxListedRecords);
            for (const ClientFile& file : files)
                Check(!file.name.empty() && file.name.size() <= kLongestRecordName &&
                      file.name.find_first_of("/\\") == std::string::npos && file.folder != "..");
            CheckUpdate(files, 1 + (data[0] >> 1) * 64);
        }
    }
    return 0;
}
