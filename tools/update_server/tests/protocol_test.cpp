// The protocol pieces without sockets: record times, the checks of what a client sends, the plan
// and the messages of an update.
#include <gtest/gtest.h>

#include <cstring>

#include "client_file_list.h"
#include "session_protocol.h"
#include "update_plan.h"
#include "update_sender.h"

namespace {

CalendarTime Time(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute,
                  uint16_t second, uint16_t ms, uint16_t dayOfWeek = 0) {
    return CalendarTime{year, month, dayOfWeek, day, hour, minute, second, ms};
}

TEST(CalendarTime, FromFileSystemStampsInUtcCutToTheMillisecond) {
    struct Case {
        timespec stamp;
        CalendarTime expected;
    };
    const Case cases[] = {
        {{0, 0}, Time(1970, 1, 1, 0, 0, 0, 0, 4)},                        // a Thursday
        {{951868799, 999999999}, Time(2000, 2, 29, 23, 59, 59, 999, 2)},  // leap day, a Tuesday
        {{1700000000, 250999999}, Time(2023, 11, 14, 22, 13, 20, 250, 2)},
        {{-1, 500000000}, Time(1969, 12, 31, 23, 59, 59, 500, 3)},  // before 1970
        {{-11644473600, 0}, Time(1601, 1, 1, 0, 0, 0, 0, 1)},       // the first record day
    };
    for (const Case& c : cases) {
        const auto time = RecordTimeOf(c.stamp);
        ASSERT_TRUE(time) << c.stamp.tv_sec;
        EXPECT_EQ(std::memcmp(&*time, &c.expected, sizeof c.expected), 0) << c.stamp.tv_sec;
        const timespec back = StampOf(*time);
        EXPECT_EQ(back.tv_sec, c.stamp.tv_sec);
        EXPECT_EQ(back.tv_nsec, c.stamp.tv_nsec / 1000000 * 1000000);
    }
    EXPECT_FALSE(RecordTimeOf({-11644473601, 0}));  // 1600
}

TEST(CalendarTime, SameWriteTimeComparesEveryFieldButTheDayOfWeek) {
    const CalendarTime base = Time(2024, 5, 6, 7, 8, 9, 10, 1);
    EXPECT_TRUE(SameWriteTime(base, Time(2024, 5, 6, 7, 8, 9, 10, 0)));
    uint16_t CalendarTime::*fields[] = {
        &CalendarTime::year,   &CalendarTime::month,  &CalendarTime::day,         &CalendarTime::hour,
        &CalendarTime::minute, &CalendarTime::second, &CalendarTime::milliseconds};
    for (auto field : fields) {
        CalendarTime other = base;
        other.*field += 1;
        EXPECT_FALSE(SameWriteTime(base, other));
    }
}

std::vector<uint8_t> ListBody(const std::vector<FileRecord>& records) {
    std::vector<uint8_t> body(records.size() * sizeof(FileRecord));
    if (!records.empty()) std::memcpy(body.data(), records.data(), body.size());
    return body;
}

FileRecord Record(const char* folder, const char* name, uint32_t size = 1) {
    return MakeFileRecord(folder, name, Time(2020, 1, 1, 0, 0, 0, 0), size);
}

TEST(FileList, SoundListsAreRead) {
    const auto body = ListBody({Record(".", "a.txt", 5), Record("Data", "b.bin", 7)});
    const ParsedFileList list = ParseFileList(2, body.data(), uint32_t(body.size()));
    ASSERT_EQ(list.error, "");
    ASSERT_EQ(list.files.size(), 2u);
    EXPECT_EQ(list.files[1].folder, "Data");
    EXPECT_EQ(list.files[1].name, "b.bin");
    EXPECT_EQ(list.files[1].size, 7u);
    EXPECT_EQ(ParseFileList(0, nullptr, 0).error, "");
}

TEST(FileList, MalformedListsAreRefusedWithTheReason) {
    FileRecord unterminatedName = Record(".", "x");
    std::memset(unterminatedName.name, 'n', sizeof unterminatedName.name);
    FileRecord unterminatedFolder = Record(".", "x");
    std::memset(unterminatedFolder.folder, 'f', sizeof unterminatedFolder.folder);
    std::vector<FileRecord> manyFolders;
    for (int i = 0; i <= 128; ++i)
        manyFolders.push_back(Record(("F" + std::to_string(i)).c_str(), "x"));
    struct Case {
        const char* what;
        uint32_t count;
        std::vector<uint8_t> body;
        const char* error;
    };
    const auto one = ListBody({Record(".", "x")});
    const Case cases[] = {
        {"count above the body", 2, one, "file list of 2 records in 152 bytes"},
        {"body above the count", 0, one, "file list of 0 records in 152 bytes"},
        {"too many records", 2049, std::vector<uint8_t>(2049 * 152),
         "file list of 2049 records (at most 2048)"},
        {"name without terminator", 1, ListBody({unterminatedName}), "record 0: name has no terminator"},
        {"folder without terminator", 1, ListBody({unterminatedFolder}),
         "record 0: folder has no terminator"},
        {"empty name", 2, ListBody({Record(".", "x"), Record(".", "")}), "record 1: name is empty"},
        {"separator", 1, ListBody({Record(".", "..\\x")}), "record 0: name contains a path separator"},
        {"parent folder", 1, ListBody({Record("..", "x")}), "record 0: folder leaves the release folder"},
        {"129 folders", 129, ListBody(manyFolders), "file list names more than 128 folders"},
    };
    for (const Case& c : cases) {
        const ParsedFileList list = ParseFileList(c.count, c.body.data(), uint32_t(c.body.size()));
        EXPECT_EQ(list.error, c.error) << c.what;
        EXPECT_TRUE(list.files.empty()) << c.what;
    }
}

std::vector<uint8_t> Message(uint32_t id, uint32_t a, uint32_t b, const std::vector<uint8_t>& body) {
    return EncodeMessage(id, a, b, body.data(), uint32_t(body.size()));
}

std::vector<uint8_t> StartScreenHello() {
    std::vector<uint8_t> body(216, 0);
    const uint32_t words[5] = {0, 0x10060000, 0, 1, 7};
    std::memcpy(body.data(), words, sizeof words);
    return body;
}

std::vector<uint8_t> GenericHello(uint32_t kind) {
    std::vector<uint8_t> body(216, 0);
    const uint32_t words[5] = {0, kind, 0xFFFFFFFF, 1, 0};
    std::memcpy(body.data(), words, sizeof words);
    const uint32_t check = ~kind;
    std::memcpy(body.data() + 212, &check, 4);
    return body;
}

TEST(SessionProtocol, HelloBodiesOfBothClientsAreKnownAndOthersAreNot) {
    EXPECT_EQ(ClassifyHello(StartScreenHello().data()), HelloKind::StartScreen);
    EXPECT_EQ(ClassifyHello(GenericHello(0).data()), HelloKind::GenericClient);
    EXPECT_EQ(ClassifyHello(GenericHello(5).data()), HelloKind::GenericClient);
    auto badCheck = GenericHello(5);
    badCheck[212] ^= 1;
    auto noise = StartScreenHello();
    noise[100] = 1;
    auto startScreenWithCheck = StartScreenHello();
    startScreenWithCheck[212] = 1;
    for (const auto& body : {badCheck, noise, startScreenWithCheck})
        EXPECT_EQ(ClassifyHello(body.data()), HelloKind::Unknown);
}

// Runs the sequence up to the file list and returns the replies' ids and B values, in order.
std::vector<std::pair<uint32_t, uint32_t>> Replies(const SessionProtocol::Step& step) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (const auto& reply : step.replies) {
        MessageHeader header;
        std::memcpy(&header, reply.data(), sizeof header);
        out.emplace_back(header.id, header.b);
    }
    return out;
}

TEST(SessionProtocol, WholeSequenceDeliveredOneByteAtATime) {
    SessionProtocol protocol(false);
    std::vector<uint8_t> stream = Message(message_id::Hello, 0, message_id::HelloRequest, StartScreenHello());
    const auto second =
        Message(message_id::SecondAnswer, 0, message_id::SecondRequest, std::vector<uint8_t>(196));
    const auto list = Message(message_id::FileData, 0, 1, ListBody({Record(".", "a")}));
    stream.insert(stream.end(), second.begin(), second.end());
    stream.insert(stream.end(), list.begin(), list.end());
    std::vector<std::pair<uint32_t, uint32_t>> replies;
    bool listArrived = false;
    for (uint8_t byte : stream) {
        const auto step = protocol.Receive(&byte, 1);
        for (auto reply : Replies(step))
            replies.push_back(reply);
        listArrived = listArrived || step.fileListArrived;
        ASSERT_NE(protocol.Phase(), SessionPhase::Failed) << protocol.Error();
    }
    EXPECT_TRUE(listArrived);
    EXPECT_EQ(protocol.Phase(), SessionPhase::Updating);
    EXPECT_EQ(replies,
              (std::vector<std::pair<uint32_t, uint32_t>>{
                  {message_id::SecondRequest, 0}, {message_id::Acknowledge, message_id::SecondAnswer}}));
    ASSERT_EQ(protocol.FileList().size(), 1u);
    // Anything after the list is a fault.
    const uint8_t stray = 0;
    protocol.Receive(&stray, 1);
    EXPECT_EQ(protocol.Phase(), SessionPhase::Failed);
}

TEST(SessionProtocol, WrongMessagesFailAsSoonAsTheirHeaderIsThere) {
    const auto hello = Message(message_id::Hello, 0, message_id::HelloRequest, StartScreenHello());
    struct Case {
        const char* what;
        std::vector<uint8_t> before;  // accepted messages first
        MessageHeader header;
        const char* error;
    };
    const Case cases[] = {
        {"bad magic",
         {},
         {0x04030201, message_id::Hello, 0, message_id::HelloRequest, 216},
         "message without the frame magic"},
        {"list before hello",
         {},
         {FrameMagic, message_id::FileData, 0, 0, 0},
         "message 0x80020020 where the hello was expected"},
        {"hello of another request",
         {},
         {FrameMagic, message_id::Hello, 0, message_id::SecondRequest, 216},
         "hello with parameters 0x00000000, 0x8001010B"},
        {"long hello",
         {},
         {FrameMagic, message_id::Hello, 0, message_id::HelloRequest, 0x7FFFFFFF},
         "hello with a body of 2147483647 bytes"},
        {"hello twice",
         hello,
         {FrameMagic, message_id::Hello, 0, message_id::HelloRequest, 216},
         "message 0x80020010 where the second answer was expected"},
    };
    for (const Case& c : cases) {
        SessionProtocol protocol(false);
        if (!c.before.empty()) protocol.Receive(c.before.data(), c.before.size());
        protocol.Receive(reinterpret_cast<const uint8_t*>(&c.header), sizeof c.header);
        EXPECT_EQ(protocol.Phase(), SessionPhase::Failed) << c.what;
        EXPECT_EQ(protocol.Error(), c.error) << c.what;
        EXPECT_EQ(protocol.Pending(), 0u) << c.what;
    }
}

TEST(SessionProtocol, ListLongerThanAnyClientCanSendFailsBeforeItsBodyIsCollected) {
    SessionProtocol protocol(false);
    auto stream = Message(message_id::Hello, 0, message_id::HelloRequest, GenericHello(3));
    const auto second =
        Message(message_id::SecondAnswer, 0, message_id::SecondRequest, std::vector<uint8_t>(196));
    stream.insert(stream.end(), second.begin(), second.end());
    protocol.Receive(stream.data(), stream.size());
    ASSERT_EQ(protocol.Phase(), SessionPhase::AwaitingFileList);
    const MessageHeader header{FrameMagic, message_id::FileData, 0, 2049, 2049 * 152};
    protocol.Receive(reinterpret_cast<const uint8_t*>(&header), sizeof header);
    EXPECT_EQ(protocol.Phase(), SessionPhase::Failed);
    EXPECT_EQ(protocol.Error(), "file list with a body of 311448 bytes");
}

TEST(SessionProtocol, RefusingModeRefusesTheReplyTheClientWaitsOn) {
    for (const auto& [hello, refused] : {std::pair{StartScreenHello(), message_id::SecondAnswer},
                                         std::pair{GenericHello(0), message_id::Hello}}) {
        SessionProtocol protocol(true);
        auto stream = Message(message_id::Hello, 0, message_id::HelloRequest, hello);
        const auto second =
            Message(message_id::SecondAnswer, 0, message_id::SecondRequest, std::vector<uint8_t>(196));
        stream.insert(stream.end(), second.begin(), second.end());
        const auto step = protocol.Receive(stream.data(), stream.size());
        EXPECT_TRUE(step.refused);
        EXPECT_EQ(Replies(step), (std::vector<std::pair<uint32_t, uint32_t>>{{message_id::SecondRequest, 0},
                                                                             {message_id::Refuse, refused}}));
        EXPECT_EQ(protocol.Phase(), SessionPhase::Refused);
    }
}

struct FileSpec {
    std::string folder;
    std::string name;
    CalendarTime time;
    std::vector<uint8_t> bytes;
};

std::shared_ptr<ReleaseSnapshot> Release(const std::vector<FileSpec>& files) {
    auto snapshot = std::make_shared<ReleaseSnapshot>();
    for (const FileSpec& file : files)
        snapshot->files.push_back({file.folder, file.name, file.time, uint32_t(file.bytes.size()),
                                   std::make_shared<MemoryFileSource>(file.bytes)});
    return snapshot;
}

std::vector<uint8_t> Bytes(size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = uint8_t(i * 13 + 1);
    return bytes;
}

TEST(UpdatePlan, SendsWhatIsMissingOrDiffersInSizeOrTime) {
    const CalendarTime t = Time(2022, 3, 4, 5, 6, 7, 8);
    CalendarTime otherMs = t;
    otherMs.milliseconds = 9;
    auto snapshot = Release({{".", "same", t, Bytes(10)},
                             {".", "CaseOnly", t, Bytes(10)},
                             {".", "missing", t, Bytes(10)},
                             {".", "longer", t, Bytes(11)},
                             {".", "later", t, Bytes(10)},
                             {"Sub", "same", t, Bytes(10)},
                             {".", "empty", t, {}}});
    const std::vector<ClientFile> listed = {{".", "same", t, 10},    {".", "caseonly", t, 10},
                                            {".", "longer", t, 10},  {".", "later", otherMs, 10},
                                            {"SUB", "Same", t, 10},  {".", "empty", otherMs, 0},
                                            {".", "mine-only", t, 3}};
    const UpdatePlan plan = PlanUpdate(snapshot, listed);
    std::vector<std::string> names;
    for (const ReleaseFile* file : plan.files)
        names.push_back(file->name);
    EXPECT_EQ(names, (std::vector<std::string>{"missing", "longer", "later"}));
    EXPECT_EQ(plan.totalBytes, 31u);
}

TEST(UpdatePlan, TotalBeyondFourGibibytesIsHeldAtTheLargestValue) {
    auto snapshot = std::make_shared<ReleaseSnapshot>();
    for (int i = 0; i < 3; ++i)
        snapshot->files.push_back(
            {".", "f" + std::to_string(i), Time(2020, 1, 1, 0, 0, 0, 0), 0xF0000000u, nullptr});
    EXPECT_EQ(PlanUpdate(snapshot, {}).totalBytes, 0xFFFFFFFFu);
}

struct Decoded {
    uint32_t id, a, length;
};

std::vector<Decoded> Decode(const std::vector<uint8_t>& stream) {
    std::vector<Decoded> out;
    for (size_t at = 0; at + 20 <= stream.size();) {
        MessageHeader header;
        std::memcpy(&header, stream.data() + at, 20);
        out.push_back({header.id, header.a, header.bodyLength});
        at += 20 + header.bodyLength;
    }
    return out;
}

TEST(UpdateSender, MessagesComeWholeInOrderHoweverSmallTheBuffer) {
    const CalendarTime t = Time(2022, 3, 4, 5, 6, 7, 8);
    const auto snapshot =
        Release({{".", "a", t, Bytes(2500)}, {".", "empty", t, {}}, {"D", "b", t, Bytes(10)}});
    for (size_t capacity : {size_t(1044), size_t(1200), size_t(5000)}) {
        UpdateSender transfer(PlanUpdate(snapshot, {}), 1024);
        ASSERT_LE(transfer.BufferSize(), 1044u);
        std::vector<uint8_t> stream;
        std::vector<uint8_t> buffer(capacity);
        while (size_t n = transfer.Fill(buffer.data(), buffer.size()))
            stream.insert(stream.end(), buffer.begin(), buffer.begin() + ptrdiff_t(n));
        ASSERT_TRUE(transfer.Finished());
        const std::vector<Decoded> expected = {
            {message_id::UpdateAnnounced, 0, 8}, {message_id::FileHeader, 0, 152},
            {message_id::FileData, 0, 1024},     {message_id::FileData, 1024, 1024},
            {message_id::FileData, 2048, 452},   {message_id::FileHeader, 0, 152},
            {message_id::FileHeader, 0, 152},    {message_id::FileData, 0, 10},
            {message_id::UpdateFinished, 0, 0}};
        const auto got = Decode(stream);
        ASSERT_EQ(got.size(), expected.size()) << capacity;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].id, expected[i].id) << i;
            EXPECT_EQ(got[i].a, expected[i].a) << i;
            EXPECT_EQ(got[i].length, expected[i].length) << i;
        }
        EXPECT_EQ(transfer.ContentBytes(), 2510u);
        EXPECT_EQ(transfer.FilesCompleted(), 3u);
    }
}

TEST(UpdateSender, FileShorterThanItsRecordStopsTheTransfer) {
    auto snapshot = Release({{".", "a", Time(2022, 3, 4, 5, 6, 7, 8), Bytes(100)}});
    snapshot->files[0].size = 200;  // the content went shorter in place
    UpdateSender transfer(PlanUpdate(snapshot, {}), 1024);
    std::vector<uint8_t> buffer(transfer.BufferSize());
    const size_t first = transfer.Fill(buffer.data(), buffer.size());
    EXPECT_EQ(Decode({buffer.begin(), buffer.begin() + ptrdiff_t(first)}).size(),
              2u);  // announcement, header
    EXPECT_EQ(transfer.Error(), "cannot read ./a at 0");
    EXPECT_EQ(transfer.Fill(buffer.data(), buffer.size()), 0u);
    EXPECT_FALSE(transfer.Finished());
}

}  // namespace
