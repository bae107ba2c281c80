#include "update_client/file_list.h"

#include <cstring>
#include <string>

namespace {

bool Listable(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.size() < FileRecord::kNameField;
}

FileRecord MakeRecord(const std::string& folder, const FileStoreEntry& entry) {
    FileRecord record{};
    std::memcpy(record.folder, folder.c_str(), folder.size() + 1);
    std::memcpy(record.name, entry.name.c_str(), entry.name.size() + 1);
    record.lastWrite = entry.lastWrite;
    record.size = uint32_t(entry.size);
    return record;
}

}  // namespace

std::vector<FileRecord> CollectFileList(FileStorePlatform& files) {
    std::vector<FileRecord> records;
    std::vector<std::string> folders;
    std::vector<FileStoreEntry> entries;
    if (files.ListFolder(kProgramFolderName, &entries)) {
        for (const FileStoreEntry& entry : entries) {
            if (!Listable(entry.name)) continue;
            if (entry.isFolder) {
                if (folders.size() < kMaxListedFolders) folders.push_back(entry.name);
            } else if (records.size() < kMaxListedRecords) {
                records.push_back(MakeRecord(kProgramFolderName, entry));
            }
        }
    }
    for (const std::string& folder : folders) {
        entries.clear();
        if (!files.ListFolder(folder, &entries)) continue;
        for (const FileStoreEntry& entry : entries) {
            if (entry.isFolder || !Listable(entry.name)) continue;
            if (records.size() == kMaxListedRecords) return records;
            records.push_back(MakeRecord(folder, entry));
        }
    }
    return records;
}
