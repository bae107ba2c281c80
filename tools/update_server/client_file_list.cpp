#include "client_file_list.h"

#include <cstring>
#include <set>

namespace {

bool HasPathSeparator(std::string_view text) { return text.find_first_of("/\\") != std::string_view::npos; }

// Why a folder or file name of a record cannot be used, or nothing when it can.
const char* NameProblem(const std::optional<std::string_view>& text, bool isFolder) {
    if (!text) return "has no terminator";
    if (text->empty()) return "is empty";
    if (HasPathSeparator(*text)) return "contains a path separator";
    if (!isFolder && (*text == "." || *text == "..")) return "is not a file name";
    if (isFolder && *text == "..") return "leaves the release folder";
    return nullptr;
}

}  // namespace

ParsedFileList ParseFileList(uint32_t recordCount, const uint8_t* body, uint32_t length) {
    ParsedFileList list;
    if (recordCount > kMaxListedRecords) {
        list.error = "file list of " + std::to_string(recordCount) + " records (at most " +
                     std::to_string(kMaxListedRecords) + ")";
        return list;
    }
    if (uint64_t(length) != uint64_t(recordCount) * kFileRecordSize) {
        list.error = "file list of " + std::to_string(recordCount) + " records in " + std::to_string(length) +
                     " bytes";
        return list;
    }
    std::set<std::string, std::less<>> folders;
    list.files.reserve(recordCount);
    for (uint32_t i = 0; i < recordCount; ++i) {
        FileRecord record;
        std::memcpy(&record, body + size_t(i) * kFileRecordSize, kFileRecordSize);
        const auto folder = RecordText(record.folder);
        const auto name = RecordText(record.name);
        const char* problem = NameProblem(folder, true);
        const char* which = "folder";
        if (!problem) {
            problem = NameProblem(name, false);
            which = "name";
        }
        if (problem) {
            list.error = "record " + std::to_string(i) + ": " + which + " " + problem;
            list.files.clear();
            return list;
        }
        if (*folder != kReleaseRootFolder) {
            folders.emplace(*folder);
            if (folders.size() > kMaxListedFolders) {
                list.error = "file list names more than " + std::to_string(kMaxListedFolders) + " folders";
                list.files.clear();
                return list;
            }
        }
        list.files.push_back({std::string(*folder), std::string(*name), record.lastWrite, record.size});
    }
    return list;
}
