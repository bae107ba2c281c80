#pragma once
// What the start screen's decisions act on: its own controls and connection, and the host. The
// start screen object implements it with its controls, its connection part and the host's
// globals; tests implement it with plain values.
#include <cstdint>
#include <string>

#include "update_client/update_transfer.h"

namespace start_state {
// The start screen's states, kept in its TransitionState bits; 6 is its own.
inline constexpr int32_t Opening = 1;  // waiting for the connection and the session
inline constexpr int32_t Open = 2;     // session ready, file list sent, update running
inline constexpr int32_t Closing = 4;  // finished or a write failed: hand over or retry next
inline constexpr int32_t Closed = 5;
inline constexpr int32_t Refused = 6;  // the server refused the session: quit soon
}  // namespace start_state

// Pictures of "SPR/Start.SPR" the status image shows.
namespace start_picture {
inline constexpr uint32_t Connecting = 0;
inline constexpr uint32_t Updating = 1;
inline constexpr uint32_t Refused = 15;
}  // namespace start_picture

class StartScreenWorld : public UpdateProgressView {
  public:
    // The screen's state and its base control's open and close.
    virtual int32_t State() = 0;
    virtual void SetState(int32_t state) = 0;
    // State Opening, visible, input enabled, active.
    virtual void OpenPanel() = 0;
    // State Closing, input off.
    virtual void ClosePanel() = 0;

    // The connection part.
    virtual int32_t ConnectionState() = 0;
    virtual void SetConnectionState(int32_t state) = 0;
    virtual void ConnectToServer() = 0;
    virtual void Send(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length) = 0;

    // The controls.
    virtual void ShowStatus(uint32_t picture) = 0;
    virtual void ShowBar(int32_t minimum, int32_t maximum, int32_t value) = 0;
    virtual void ShowFailureText() = 0;
    // Moves the total marker along with the waiting bar, leaving it hidden or shown as it is.
    virtual void MoveWaitMarker(int x) = 0;

    // The host.
    virtual int32_t RetryCount() = 0;
    virtual void SetRetryCount(int32_t count) = 0;
    virtual void PostQuit() = 0;
    // Makes the game module's panel the current screen and the three roots.
    virtual void HandOver() = 0;
    // Makes a fresh start screen the current screen and the roots, opens it and deletes this one.
    virtual void StartFreshScreen() = 0;
    // The release failed its check: tells a person what and why, and ends the run with the exit
    // code; the game module is not loaded.
    virtual void RefuseRelease(const std::string& text, int32_t exitCode) = 0;

  protected:
    ~StartScreenWorld() = default;
};
