// The shipped deployment files, checked by the tools that read them: HAProxy accepts its
// configuration as it is, and systemd rates the service unit's exposure low.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "server_options.h"

namespace fs = std::filesystem;

namespace {

constexpr char kHaproxy[] = "/usr/sbin/haproxy";
constexpr char kSystemdAnalyze[] = "/usr/bin/systemd-analyze";
// systemd-analyze rates from 0 (confined) to 10 (exposed); the unit must stay in its "OK" band.
constexpr double kHighestExposure = 2.5;

const fs::path kDeploy = UPDATE_SERVER_DEPLOY_DIR;

struct CommandRun {
    int status = -1;
    std::string output;  // standard output and standard error
};

CommandRun RunCommand(const std::string& command) {
    CommandRun run;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    run.status = ::pclose(pipe);
    return run;
}

// The number after the first occurrence of marker in text; -1 when there is none.
double NumberAfter(const std::string& text, const std::string& marker) {
    const auto at = text.find(marker);
    if (at == std::string::npos) return -1;
    try {
        return std::stod(text.substr(at + marker.size()));
    } catch (const std::exception&) {
        return -1;
    }
}

std::string Text(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Deployment, HaproxyAcceptsTheShippedConfigurationWithoutWarnings) {
    if (!fs::exists(kHaproxy)) GTEST_SKIP() << "haproxy is not installed (scripts/setup.sh installs it)";
    const CommandRun check =
        RunCommand(std::string(kHaproxy) + " -c -f " + (kDeploy / "haproxy.cfg").string());
    EXPECT_TRUE(WIFEXITED(check.status) && WEXITSTATUS(check.status) == 0) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
    EXPECT_EQ(check.output.find("ALERT"), std::string::npos) << check.output;
}

TEST(Deployment, HaproxyQueuesClientsAtTheInstancesLimit) {
    const std::string config = Text(kDeploy / "haproxy.cfg");
    // HAProxy holds back what an instance would leave waiting in its listen queue.
    const auto servers = config.find("\n    default-server ");
    ASSERT_NE(servers, std::string::npos) << config;
    const std::string line = config.substr(servers + 1, config.find('\n', servers + 1) - servers - 1);
    EXPECT_EQ(NumberAfter(line, " maxconn "), double(ServerOptions{}.maxClients + ServerOptions{}.maxLingering))
        << line;
}

TEST(Deployment, ServiceUnitExposureIsLow) {
    if (!fs::exists(kSystemdAnalyze)) GTEST_SKIP() << "systemd-analyze is not installed (package systemd)";
    const fs::path unit = kDeploy / "tidemarch-update-server.service";
    const CommandRun analysis =
        RunCommand(std::string(kSystemdAnalyze) + " security --offline=true --no-pager " + unit.string());
    const double exposure =
        NumberAfter(analysis.output, "Overall exposure level for " + unit.filename().string() + ": ");
    ASSERT_GE(exposure, 0) << analysis.output;
    EXPECT_LE(exposure, kHighestExposure) << analysis.output;
}

}  // namespace
