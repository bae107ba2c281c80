#pragma once
// The start screen's controls, connection and host as plain values, for tests of its decisions.
#include <cstdint>
#include <string>
#include <vector>

#include "net/connection.h"
#include "startscreen/flow/start_screen_world.h"

struct Sent {
    uint32_t id, a, b;
    std::vector<uint8_t> body;
};

// The start screen's controls, connection and host as plain values.
class PlainWorld final : public StartScreenWorld {
  public:
    int32_t State() override { return state; }
    void SetState(int32_t value) override { state = value; }
    void OpenPanel() override {
        state = start_state::Opening;
        inputEnabled = true;
    }
    void ClosePanel() override {
        state = start_state::Closing;
        inputEnabled = false;
    }
    int32_t ConnectionState() override { return connection; }
    void SetConnectionState(int32_t value) override { connection = value; }
    void ConnectToServer() override { ++connects; }
    void Send(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length) override {
        const auto* bytes = static_cast<const uint8_t*>(body);
        sent.push_back({id, a, b, std::vector<uint8_t>(bytes, bytes + length)});
    }
    void ShowStatus(uint32_t value) override { picture = value; }
    void ShowBar(int32_t minimum, int32_t maximum, int32_t value) override {
        barMinimum = minimum;
        barMaximum = maximum;
        barValue = value;
    }
    void ShowFailureText() override { failureShown = true; }
    void MoveWaitMarker(int x) override { totalMarkerX = x; }
    int32_t RetryCount() override { return retries; }
    void SetRetryCount(int32_t count) override { retries = count; }
    void PostQuit() override { ++quits; }
    void HandOver() override { ++handOvers; }
    void StartFreshScreen() override { ++freshScreens; }
    void RefuseRelease(const std::string& text, int32_t exitCode) override {
        refusals.push_back(text);
        refusalExitCode = exitCode;
    }

    void ShowAnnouncement(uint32_t) override { picture = start_picture::Updating; }
    void ShowFileStarted(uint32_t size) override { ShowBar(0, int32_t(size), 0); }
    void ShowTotalBytes(uint32_t done) override { totalCounter = done; }
    void MoveTotalMarker(int x) override { totalMarkerX = x; }
    void ShowFileBytes(uint32_t done, int) override { barValue = int32_t(done); }
    void ShowPath(const std::string&) override {}
    void ReportFileProblem(const std::string& text) override { reports.push_back(text); }
    void OnWriteFailed() override { ClosePanel(); }

    int32_t state = start_state::Closed;
    int32_t connection = connection_state::NotConnected;
    bool inputEnabled = false;
    int connects = 0, quits = 0, handOvers = 0, freshScreens = 0;
    std::vector<Sent> sent;
    uint32_t picture = 99;
    int32_t barMinimum = -1, barMaximum = -1, barValue = -1;
    bool failureShown = false;
    int32_t retries = 0;
    uint32_t totalCounter = 12345;
    int totalMarkerX = -1;
    std::vector<std::string> reports;
    std::vector<std::string> refusals;
    int32_t refusalExitCode = 0;
};
