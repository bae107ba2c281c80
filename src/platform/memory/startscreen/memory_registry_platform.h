#pragma once
// Registry values kept in memory, for tests and native runs.
#include <map>
#include <string>
#include <utility>

#include "startscreen/flow/registry_platform.h"

class MemoryRegistryPlatform final : public RegistryPlatform {
  public:
    bool ReadText(const std::string& keyPath, const std::string& valueName, std::string* text) override {
        if (refuseAccess_) return false;
        const auto found = values_.find({keyPath, valueName});
        if (found == values_.end()) return false;
        // As the registry does: a value that does not fit the buffer cannot be read.
        if (found->second.size() > kValueBuffer) return false;
        *text = found->second;
        return true;
    }
    bool WriteText(const std::string& keyPath, const std::string& valueName,
                   const std::string& text) override {
        if (refuseAccess_) return false;
        values_[{keyPath, valueName}] = text;
        ++writes_;
        return true;
    }

    // Every later read and write fails, as for a user without rights to the key.
    void RefuseAccess() { refuseAccess_ = true; }
    int Writes() const { return writes_; }

  private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
    bool refuseAccess_ = false;
    int writes_ = 0;
};
