#pragma once
// The server program (or HAProxy) as a child process of a test, with its standard error in a file.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// A child process with its standard error in a file; ended with SIGTERM unless it ended before.
class Child {
  public:
    Child(std::vector<std::string> arguments, const std::filesystem::path& errorLog, bool readFirstLine) {
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorLog.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (readFirstLine) {
            char c;
            while (::read(out[0], &c, 1) == 1 && c != '\n')
                firstLine_.push_back(c);
        }
        ::close(out[0]);
    }
    ~Child() { Stop(); }
    // Sends the signal (unless the child has ended already) and returns the wait status; -1 when
    // it was stopped before.
    int Stop(int signal = SIGTERM) {
        if (pid_ <= 0) return -1;
        if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
            pid_ = -1;
            return status_;
        }
        ::kill(pid_, signal);
        ::waitpid(pid_, &status_, 0);
        pid_ = -1;
        return status_;
    }
    // Waits for the child to end on its own and returns the wait status.
    int Wait() {
        if (pid_ > 0) ::waitpid(pid_, &status_, 0);
        pid_ = -1;
        return status_;
    }
    const std::string& FirstLine() const { return firstLine_; }
    pid_t Pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int status_ = 0;
    std::string firstLine_;
};

// The port of the "listening on ADDR:PORT" line.
inline uint16_t PortOf(const std::string& listeningLine) {
    const auto colon = listeningLine.rfind(':');
    return colon == std::string::npos ? 0 : uint16_t(std::stoi(listeningLine.substr(colon + 1)));
}

// A port free on 127.0.0.1 a moment ago, for a program option that has no "any free port".
inline uint16_t FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// The metrics port of the program's "serving ... metrics on ADDR:PORT" log line, waiting a few
// seconds for the line; 0 when it does not come.
inline uint16_t MetricsPortFromLog(const std::filesystem::path& log) {
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        const std::string lines = text.str();
        const auto at = lines.find("metrics on ");
        const auto end = at == std::string::npos ? at : lines.find('\n', at);
        if (end != std::string::npos) return PortOf(lines.substr(at, end - at));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < bound);
    return 0;
}
