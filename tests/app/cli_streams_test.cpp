// `halvane render` on pipes, FIFOs and devices, and what is left after a signal: sox and
// ffprobe on the other end judge what came through.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "CliShell.h"

namespace {

class CliStreams : public ::testing::Test {
  protected:
    ShellResult Sh(const std::string& script) {
        return Shell("cd " + dir_.Path() + " && " + script, config_.Path());
    }
    std::string In(const std::string& name) { return dir_.File(name); }

    TempDir dir_;
    TempDir config_;
};

}  // namespace

// sox writes into the program and reads what it gives out; bypass keeps every sample, so the
// round trip through two pipes and FLAC's 24 bits must reproduce sox's own rendering.
TEST_F(CliStreams, PipesBothWaysWithSoxOnEachEnd) {
    ShellResult r =
        Sh("sox -n -r 48000 -c 6 -b 24 -t wav - synth 2 sine 300 sine 500 gain -6 "
           "| $H render - - --mode bypass | sox -t wav - out.flac && soxi -s out.flac && soxi -c out.flac");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "96000\n6\n");
    EXPECT_NE(r.err.find("-: 96000 frames, 6 channels in"), std::string::npos)
        << "the summary goes to stderr";

    // FLAC and AU come in through a pipe as well; stereo in, five channels out, stdout a WAV
    // with the true sizes and the channel mask.
    for (const char* type : {"flac", "au", "wav"}) {
        SCOPED_TRACE(type);
        r = Sh(std::string("sox -n -r 44100 -c 2 -t ") + type +
               " - synth 1 sine 440 | $H render - - > five.wav");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        WavHeader h = ParseWavHeader(In("five.wav"));
        EXPECT_TRUE(h.ok && h.formatTag == 0xFFFE && h.channels == 5 && h.channelMask == 0x37);
        EXPECT_EQ(h.dataBytes, 44100u * 5 * 4);
        EXPECT_EQ(Probe(In("five.wav"), "channel_layout", config_.Path()), "5.0");
    }
    // A stream of unknown length goes out with the "unknown" sizes and is still read whole.
    r =
        Sh("sox -n -r 44100 -c 2 -t flac - synth 1 sine 440 | $H render - - --raw --mode bypass --type wav "
           "| sox -t wav - -t wav -b 16 back.wav && soxi -s back.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "44100\n");
    // Nothing but audio on stdout: a render into a file prints nothing there.
    r = Sh("sox -n -r 44100 -c 2 in.wav synth 0.1 sine 440 && $H render in.wav out.wav");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
}

// A FIFO and a character device are written in place and stay what they were; regular files
// never appear beside them.
TEST_F(CliStreams, FifoAndDeviceNodesStayWhatTheyWere) {
    ASSERT_EQ(Sh("sox -n -r 44100 -c 2 in.wav synth 1 sine 440").exitCode, 0);
    ASSERT_EQ(mkfifo(In("fifo").c_str(), 0644), 0);
    ShellResult r =
        Sh("(cat fifo > got.wav &) ; $H render in.wav fifo --bits 16 && sleep 0.2 && soxi -s got.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "44100\n");
    struct stat st {};
    ASSERT_EQ(stat(In("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(Probe(In("got.wav"), "bits_per_sample", config_.Path()), "16");

    if (geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root; the character-device case is skipped";
    // The test's own node of the null device (1, 3), never the machine's /dev/null.
    ASSERT_EQ(mknod(In("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    for (const char* type : {"wav", "flac"}) {
        r = Sh(std::string("$H render in.wav null --type ") + type);
        EXPECT_EQ(r.exitCode, 0) << type << ": " << r.err;
        ASSERT_EQ(stat(In("null").c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << type;
        EXPECT_EQ(st.st_rdev, makedev(1, 3));
    }
    // The full device (1, 7) refuses every byte: the system's reason, status 1, the node kept.
    ASSERT_EQ(mknod(In("full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    for (const char* type : {"wav", "flac"}) {
        r = Sh(std::string("$H render in.wav full --type ") + type);
        EXPECT_EQ(r.exitCode, 1) << type;
        EXPECT_EQ(r.err.rfind("halvane: cannot write 'full': ", 0), 0u) << r.err;
        // libsndfile's FLAC writer keeps the system's reason to itself.
        if (type == std::string("wav")) {
            EXPECT_NE(r.err.find("no space left on device\n"), std::string::npos) << r.err;
        }
        ASSERT_EQ(stat(In("full").c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << type;
    }
    EXPECT_EQ(dir_.List(), (std::vector<std::string>{"fifo", "full", "got.wav", "in.wav", "null"}));
}

// SIGINT, SIGTERM and SIGHUP during a render (here while it waits for more input) end it with
// 128 + the signal, and the temporary output is gone; an existing output is untouched.
TEST_F(CliStreams, InterruptedRendersLeaveNothingBehind) {
    ASSERT_EQ(Sh("sox -n -r 48000 -c 2 -b 16 long.wav synth 20 sine 440").exitCode, 0);
    const std::vector<uint8_t> wav = ReadBytes(In("long.wav"));
    TempDir logs;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        WriteBytes(In("out.wav"), {'o', 'l', 'd'});
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid =
            Spawn({"render", "-", In("out.wav"), "--mode", "headphone"}, logs.Path(), fds[0], config_.Path());
        close(fds[0]);
        // Half the input, then the writer stalls: the render is mid-way and waiting.
        ASSERT_EQ(write(fds[1], wav.data(), wav.size() / 2), ssize_t(wav.size() / 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(dir_.List().size(), 3u) << "the temporary output exists while it runs";
        kill(pid, sig);
        EXPECT_EQ(WaitExit(pid, 10), 128 + sig);
        close(fds[1]);
        EXPECT_EQ(dir_.List(), (std::vector<std::string>{"long.wav", "out.wav"}));
        EXPECT_EQ(ReadBytes(In("out.wav")), (std::vector<uint8_t>{'o', 'l', 'd'}));
        const std::vector<uint8_t> err = ReadBytes(logs.File("spawn.err"));
        EXPECT_EQ(std::string(err.begin(), err.end()), "halvane: interrupted\n");
    }
    // Blocked writing into a full pipe nobody reads: the signal still ends it.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = Spawn({"render", In("long.wav"), "-"}, logs.Path(), -1, config_.Path(), fds[1]);
    close(fds[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 10), 128 + SIGTERM);
    close(fds[0]);
}

// A file cut short is rendered as far as it goes, with a warning; a layout the mode does not
// process passes through with a notice.
TEST_F(CliStreams, TruncatedInputAndPassThroughAreSaid) {
    ASSERT_EQ(
        Sh("sox -n -r 44100 -c 2 -b 16 in.wav synth 1 sine 440 && head -c 100044 in.wav > cut.wav").exitCode,
        0);
    ShellResult r = Sh("$H render cut.wav out.wav && soxi -s out.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "25000\n");  // (100044 - 44 header bytes) / 4 bytes per frame
    EXPECT_NE(r.err.find("warning: 'cut.wav' ended early: 25000 of 44100 frames"), std::string::npos)
        << r.err;
    r = Sh("cat cut.wav | $H render - out.wav");
    EXPECT_NE(r.err.find("warning: stdin ended early: 25000 of 44100 frames"), std::string::npos) << r.err;

    r = Sh("sox -n -r 44100 -c 4 quad.wav synth 0.2 sine 440 && $H render quad.wav out.wav --mode hv");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("notice: hv mode does not process 4-channel input; it passes through unchanged"),
              std::string::npos)
        << r.err;
    r = Sh("$H render in.wav out.wav --mode encoder");
    EXPECT_NE(r.err.find("notice: encoder mode does not process 2-channel input"), std::string::npos)
        << r.err;
    r = Sh("$H render in.wav out.wav --mode headphone");
    EXPECT_EQ(r.err.find("notice"), std::string::npos) << r.err;
}
