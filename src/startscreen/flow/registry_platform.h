#pragma once
// The one persisted setting of the program: a text value under the local machine's registry.
#include <string>

class RegistryPlatform {
  public:
    // Largest value read, in bytes, with its terminator if it has one.
    static constexpr size_t kValueBuffer = 128;

    // Opens the key with full access, creating it when it cannot be opened, and reads the text
    // value. False when the key cannot be opened or created or the value cannot be read (a
    // value longer than the buffer cannot).
    virtual bool ReadText(const std::string& keyPath, const std::string& valueName, std::string* text) = 0;
    // Opens or creates the key as ReadText does and stores the text value.
    virtual bool WriteText(const std::string& keyPath, const std::string& valueName,
                           const std::string& text) = 0;

  protected:
    ~RegistryPlatform() = default;
};
