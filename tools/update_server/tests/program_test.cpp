// The server program as operators run it: its help, a refused command line, and a clean stop on
// SIGTERM and SIGINT with the summary in the log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "child_process.h"
#include "server_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string Text(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(UpdateServerProgram, HelpAndRefusedCommandLine) {
    char pattern[] = "/tmp/update_server_program.XXXXXX";
    const fs::path work = ::mkdtemp(pattern);
    {
        Child help({UPDATE_SERVER_PATH, "--help"}, work / "help.log", true);
        EXPECT_EQ(help.FirstLine(), "Usage: tidemarch-update-server --folder DIR [options]");
        EXPECT_EQ(help.Wait(), 0);
    }
    {
        Child wrong({UPDATE_SERVER_PATH, "--folder", work.string(), "--port", "70000"}, work / "wrong.log",
                    true);
        const int status = wrong.Wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
        EXPECT_EQ(Text(work / "wrong.log"), "tidemarch-update-server: --port: 0 to 65535\n");
    }
    fs::remove_all(work);
}

TEST_F(UpdateServerTest, ProgramStopsCleanlyOnSigtermAndSigintWithASummary) {
    WriteFile(release / "A.bin", Pattern(3000, 1));
    const fs::path work = installed.parent_path();
    for (const int signal : {SIGTERM, SIGINT}) {
        fs::remove_all(installed);
        fs::create_directories(installed);
        Child server(
            {UPDATE_SERVER_PATH, "--folder", release.string(), "--address", "127.0.0.1", "--port", "0"},
            work / "server.log", true);
        UsePort(PortOf(server.FirstLine()));
        ASSERT_NE(Port(), 0) << server.FirstLine();
        auto client = RunSession();
        // A second client is still in its session when the signal comes.
        auto waiting = NewClient();
        waiting->answerHello = false;
        ASSERT_TRUE(pump.Until([&] { return waiting->Count(message_id::HelloRequest) == 1; }));
        const int status = server.Stop(signal);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        const std::string log = Text(work / "server.log");
        EXPECT_NE(log.find(signal == SIGTERM ? "stopping on SIGTERM" : "stopping on SIGINT"),
                  std::string::npos);
        EXPECT_NE(log.find("no-hello stopped"), std::string::npos) << log;
        EXPECT_NE(
            log.find("stopped: sessions 2 (complete 1, refused 0, dropped 1, errors 0), files 1, bytes 3000"),
            std::string::npos)
            << log;
        ASSERT_TRUE(pump.Until([&] { return waiting->disconnects > 0; }));
    }
}

}  // namespace
