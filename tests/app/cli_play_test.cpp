// `halvane play` on the null output: the queue goes on past files that cannot be played, and
// the process ends with its queue or on a signal also while the dialog is open (a real X
// server from xvfb-run under the dialog).
#include <gtest/gtest.h>

#include <algorithm>

#include "CliShell.h"

namespace {

class CliPlay : public ::testing::Test {
  protected:
    ShellResult Sh(const std::string& script) {
        return Shell("cd " + dir_.Path() + " && " + script, config_.Path());
    }

    void SetUp() override {
        ASSERT_EQ(Sh("sox -n -r 44100 -c 2 a.wav synth 0.3 sine 440 && sox -n -r 48000 -c 6 long.wav synth "
                     "30 sine 300")
                      .exitCode,
                  0);
    }

    TempDir dir_;
    TempDir config_;
};

}  // namespace

TEST_F(CliPlay, EveryUnplayableFileIsReportedAndTheRestPlays) {
    ShellResult r = Sh("$H play a.wav missing.wav . a.wav --output null");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("halvane: cannot read 'missing.wav': no such file or directory\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("halvane: cannot read '.': is a directory\n"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;  // two errors, the last status
    EXPECT_NE(r.err.find("[4/4] a.wav"), std::string::npos) << "the last file played: " << r.err;
    EXPECT_EQ(Sh("$H play a.wav --output null").exitCode, 0);
}

TEST_F(CliPlay, EndsWithItsQueueAndOnSignalsAlsoWithTheDialogOpen) {
    ShellResult r = Sh("timeout 60 xvfb-run -a $H play a.wav a.wav --output null --configure");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("[2/2] a.wav"), std::string::npos) << r.err;
    for (const char* sig : {"TERM", "INT"}) {
        r = Sh(
            std::string("timeout 60 xvfb-run -a sh -c \"$H play long.wav --output null --configure & p=\\$!; "
                        "sleep 2; kill -") +
            sig + " \\$p; wait \\$p; echo \\$?\"");
        EXPECT_EQ(r.out, sig == std::string("TERM") ? "143\n" : "130\n") << r.err;
    }
    // Without the dialog, the same.
    r = Sh("$H play long.wav --output null & p=$!; sleep 0.5; kill -TERM $p; wait $p; echo $?");
    EXPECT_EQ(r.out, "143\n") << r.err;
}
