#pragma once
// The server program (or HAProxy) as a child process of a test, with its standard error in a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
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
