#include "record_time.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr int kFirstRecordYear = 1601;
constexpr int kLastRecordYear = 30827;
constexpr int64_t kNanosecondsPerMillisecond = 1000000;

}  // namespace

std::optional<CalendarTime> RecordTimeOf(const timespec& stamp) {
    using namespace std::chrono;
    const sys_seconds whole{seconds{stamp.tv_sec}};
    const sys_days day = floor<days>(whole);
    const year_month_day date{day};
    if (int(date.year()) < kFirstRecordYear || int(date.year()) > kLastRecordYear) return std::nullopt;
    const hh_mm_ss clock{whole - day};
    CalendarTime time{};
    time.year = uint16_t(int(date.year()));
    time.month = uint16_t(unsigned(date.month()));
    time.dayOfWeek = uint16_t(weekday{day}.c_encoding());
    time.day = uint16_t(unsigned(date.day()));
    time.hour = uint16_t(clock.hours().count());
    time.minute = uint16_t(clock.minutes().count());
    time.second = uint16_t(clock.seconds().count());
    time.milliseconds = uint16_t(stamp.tv_nsec / kNanosecondsPerMillisecond);
    return time;
}

timespec StampOf(const CalendarTime& time) {
    using namespace std::chrono;
    const sys_days day{year{time.year} / month{time.month} / std::chrono::day{time.day}};
    const sys_seconds whole = day + hours{time.hour} + minutes{time.minute} + seconds{time.second};
    timespec stamp{};
    stamp.tv_sec = time_t(whole.time_since_epoch().count());
    stamp.tv_nsec = long(time.milliseconds) * kNanosecondsPerMillisecond;
    return stamp;
}

bool SameWriteTime(const CalendarTime& a, const CalendarTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second && a.milliseconds == b.milliseconds;
}

std::optional<std::string_view> RecordText(const char (&field)[FileRecord::kNameField]) {
    const void* end = std::memchr(field, 0, FileRecord::kNameField);
    if (!end) return std::nullopt;
    return std::string_view(field, size_t(static_cast<const char*>(end) - field));
}

FileRecord MakeFileRecord(std::string_view folder, std::string_view name, const CalendarTime& time,
                          uint32_t size) {
    FileRecord record{};
    std::memcpy(record.folder, folder.data(), std::min<size_t>(folder.size(), kLongestRecordName));
    std::memcpy(record.name, name.data(), std::min<size_t>(name.size(), kLongestRecordName));
    record.lastWrite = time;
    record.size = size;
    return record;
}
