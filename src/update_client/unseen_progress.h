#pragma once
// The progress of a transfer that nobody watches, for clients without a screen: the counters,
// markers, bar and path go nowhere. File problems and failed writes are still the client's to
// handle. Base is UpdateProgressView or an interface built on it.
#include <cstdint>
#include <string>

#include "update_client/update_transfer.h"

template <class Base> class UnseenProgress : public Base {
  public:
    void ShowAnnouncement(uint32_t) override {}
    void ShowFileStarted(uint32_t) override {}
    void ShowTotalBytes(uint32_t) override {}
    void MoveTotalMarker(int) override {}
    void ShowFileBytes(uint32_t, int) override {}
    void ShowPath(const std::string&) override {}

  protected:
    ~UnseenProgress() = default;
};
