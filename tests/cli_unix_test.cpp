// tarvo-delay among other Unix tools: replaced files keep what they were, pipes and devices are
// written in place, no signal leaves a file behind, hostile files and libraries are refused.
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "cli_support.h"

#ifdef TARVO_CLI_PATH

namespace {

namespace fs = std::filesystem;
using clitest::Audio;
using clitest::readAudio;
using clitest::readFile;
using clitest::Result;
using clitest::silence;
using clitest::writeAudio;
using clitest::writeFile;

constexpr uid_t kNobody = 65534;

struct Launch {
    Launch(std::vector<std::string> arguments, std::string standardInput = "/dev/null")
        : args(std::move(arguments)), input(std::move(standardInput)) {}
    std::vector<std::string> args;
    std::string input = "/dev/null";  // standard input
    int output = -1;                  // standard output; -1: a file read into Result::out
    bool asNobody = false;            // drop root's privileges first
    std::string environment;          // TARVO_DELAY_TEST
    std::string directory;            // where it runs
};

class UnixTest : public clitest::CliTest {
  protected:
    // Starts the tool as its own process.
    pid_t start(const Launch& launch) const {
        const int in = open(launch.input.c_str(), O_RDONLY | O_CLOEXEC);
        const int out = launch.output >= 0
                            ? launch.output
                            : open(path("stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(path("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<std::string> args = {TARVO_CLI_PATH};
        args.insert(args.end(), launch.args.begin(), launch.args.end());
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            if (!launch.directory.empty() && chdir(launch.directory.c_str()) != 0) _exit(126);
            if (launch.asNobody &&
                (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
                _exit(126);
            if (!launch.environment.empty())
                setenv("TARVO_DELAY_TEST", launch.environment.c_str(), 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in);
        if (launch.output < 0) close(out);
        close(err);
        return pid;
    }

    Result finish(pid_t pid) const {
        int raw = 0;
        waitpid(pid, &raw, 0);
        return collect(raw);
    }

    Result launch(const Launch& launch) const { return finish(start(launch)); }

    // Runs shell code in the scratch directory, with $T the tool, for at most a minute.
    int shell(const std::string& code) const {
        const std::string command = "cd " + clitest::quoted(dir.string()) +
                                    " && T=" + clitest::quoted(TARVO_CLI_PATH) + " && { " + code +
                                    "; }";
        return WEXITSTATUS(
            std::system(("timeout -k 5 60 bash -c " + clitest::quoted(command)).c_str()));
    }

    // An input with clicks the echoes repeat, and the render of it into `out`.
    void writeClicks(const std::string& name, size_t frames = 30000) const {
        Audio in = silence(44100, 2, frames);
        in.at(100, 0) = 0.5f;
        in.at(7000, 1) = -0.25f;
        writeAudio(path(name), in);
    }
    std::vector<std::string> renderArgs(const std::string& in, const std::string& out) const {
        return {"render", in, out, "--tail", "0.5", "-q", "--set", "DLY OffsetL=3000"};
    }
};

TEST_F(UnixTest, AReplacedFileKeepsItsModeOwnerAndLinks) {
    writeClicks("in.wav");
    const auto render = [&](const std::string& out) {
        const Result r = launch({renderArgs(path("in.wav"), out)});
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    };
    render(path("fresh.wav"));
    const Audio expected = readAudio(path("fresh.wav"));

    writeFile(path("private.wav"), "old");
    chmod(path("private.wav").c_str(), 0600);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path("private.wav").c_str(), kNobody, kNobody), 0);
    }
    render(path("private.wav"));
    struct stat st {};
    ASSERT_EQ(stat(path("private.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "a private file stays private";
    if (geteuid() == 0) {
        EXPECT_EQ(st.st_uid, kNobody);
        EXPECT_EQ(st.st_gid, kNobody);
    }
    EXPECT_EQ(readAudio(path("private.wav")).samples, expected.samples);

    // Through a symbolic link (relative, two deep): the file it leads to is replaced.
    fs::create_directory(path("sub"));
    writeFile(path("sub/target.wav"), "old");
    chmod(path("sub/target.wav").c_str(), 0640);
    fs::create_symlink("target.wav", path("sub/inner"));
    fs::create_symlink("sub/inner", path("link.wav"));
    render(path("link.wav"));
    EXPECT_TRUE(fs::is_symlink(path("link.wav")));
    EXPECT_TRUE(fs::is_symlink(path("sub/inner")));
    ASSERT_EQ(stat(path("sub/target.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(readAudio(path("sub/target.wav")).samples, expected.samples);
    // A link to a file yet to be written makes that file.
    fs::create_symlink("sub/new.wav", path("dangling.wav"));
    render(path("dangling.wav"));
    EXPECT_TRUE(fs::is_symlink(path("dangling.wav")));
    EXPECT_EQ(readAudio(path("sub/new.wav")).samples, expected.samples);

    // The longest name the file system takes.
    const std::string longest = std::string(251, 'n') + ".wav";
    render(path(longest));
    EXPECT_EQ(readAudio(path(longest)).samples, expected.samples);

    EXPECT_EQ(strayFiles({"in.wav", "fresh.wav", "private.wav", "sub", "link.wav", "dangling.wav",
                          longest}),
              std::vector<std::string>{});
    std::vector<std::string> inSub;
    for (const auto& entry : fs::directory_iterator(path("sub")))
        inSub.push_back(entry.path().filename().string());
    std::sort(inSub.begin(), inSub.end());
    EXPECT_EQ(inSub, (std::vector<std::string>{"inner", "new.wav", "target.wav"}));
}

// Refusing a write-protected file is the kernel's rule for who may write it: a user may not,
// root may (as with sox). The test runs the tool as an unprivileged user where it can, in a
// directory that user owns, so only the file's own mode stands in the way.
TEST_F(UnixTest, AFileTheUserCannotWriteIsRefused) {
    writeClicks("in.wav");
    writeFile(path("locked.wav"), "precious");
    chmod(path("locked.wav").c_str(), 0444);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(dir.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(chown(path("locked.wav").c_str(), kNobody, kNobody), 0);
    }
    Launch asUser{renderArgs(path("in.wav"), path("locked.wav"))};
    asUser.asNobody = root;
    EXPECT_FAILS_WITH(launch(asUser), 1,
                      "cannot write '" + path("locked.wav") + "': Permission denied");
    EXPECT_EQ(readFile(path("locked.wav")), "precious");
    EXPECT_EQ(strayFiles({"in.wav", "locked.wav"}), std::vector<std::string>{});

    // In a sticky directory (as /tmp) another user's file cannot be replaced, however
    // writable it is; the message says whose it is and why.
    if (root) {
        fs::create_directory(path("sticky"));
        chmod(path("sticky").c_str(), 01777);
        writeFile(path("sticky/shared.wav"), "precious");
        chmod(path("sticky/shared.wav").c_str(), 0666);
        Launch intoSticky{renderArgs(path("in.wav"), path("sticky/shared.wav"))};
        intoSticky.asNobody = true;
        EXPECT_FAILS_WITH(launch(intoSticky), 1,
                          "it belongs to root, and '" + path("sticky") +
                              "' is a sticky directory, where only a file's owner may replace it");
        EXPECT_EQ(readFile(path("sticky/shared.wav")), "precious");
        fs::remove_all(path("sticky"));
    }

    if (root) {  // root writes to it, and it stays write-protected
        ASSERT_EQ(launch({renderArgs(path("in.wav"), path("locked.wav"))}).status, 0);
        struct stat st {};
        ASSERT_EQ(stat(path("locked.wav").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u);
        EXPECT_EQ(st.st_uid, kNobody);
        EXPECT_GT(readAudio(path("locked.wav")).frames(), 0u);
    }
}

TEST_F(UnixTest, PipesDevicesAndStandardStreamsAreWrittenInPlace) {
    writeClicks("in.wav");
    ASSERT_EQ(launch({renderArgs(path("in.wav"), path("file.wav"))}).status, 0);
    const Audio expected = readAudio(path("file.wav"));

    // In and out through pipes, as between other tools; the format from -t.
    ASSERT_EQ(shell("cat in.wav | $T render - - -t wav --tail 0.5 --set 'DLY OffsetL=3000' "
                    "2>summary.txt | cat > piped.wav"),
              0);
    EXPECT_EQ(readAudio(path("piped.wav")).samples, expected.samples);
    EXPECT_EQ(readFile(path("summary.txt")).rfind("wrote standard output: ", 0), 0u)
        << "the summary goes to standard error, never into the audio";
    // A second pass reads the first one's open-ended stream without a warning.
    ASSERT_EQ(shell("$T render in.wav - -t wav -q --tail 0 | $T render - again.wav -q "
                    "--tail 0 2>warnings.txt"),
              0);
    EXPECT_EQ(readFile(path("warnings.txt")), "");
    EXPECT_EQ(readAudio(path("again.wav")).frames(), 30000u);
    for (const char* type : {"flac", "au", "raw"})
        EXPECT_EQ(shell(std::string("$T render in.wav - -q -t ") + type + " | cat > out." + type),
                  0)
            << type;
    EXPECT_GT(readAudio(path("out.flac")).frames(), 30000u);

    // A named pipe stays a pipe; what comes through it is the file.
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(shell("$T render in.wav fifo -t wav --tail 0.5 -q --set 'DLY OffsetL=3000' & "
                    "cat fifo > through-fifo.wav; wait $!"),
              0);
    EXPECT_EQ(readAudio(path("through-fifo.wav")).samples, expected.samples);
    EXPECT_TRUE(fs::is_fifo(path("fifo")));
    // A device stays a device.
    ASSERT_EQ(launch({{"render", path("in.wav"), "/dev/null", "-t", "wav", "-q"}}).status, 0);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // What is written by seeking back goes into a pipe once it is whole.
    EXPECT_EQ(shell("set -o pipefail; $T render in.wav - -q -t aiff 2>aiff.txt | cat >out.aiff"),
              0);
    EXPECT_EQ(readAudio(path("out.aiff")).frames(), readAudio(path("out.flac")).frames());
    // Standard output redirected to a file can seek: there anything goes.
    EXPECT_EQ(launch({{"render", path("in.wav"), "-", "-t", "aiff", "-q"}}).status, 0);
    EXPECT_FAILS_WITH(launch({{"render", path("in.wav"), "-"}}), 2, "give -t");
    EXPECT_FAILS_WITH(launch({{"render", path("in.wav"), "-", "-t", "mp9"}}), 2, "--type");

    EXPECT_EQ(strayFiles({"in.wav", "file.wav", "piped.wav", "summary.txt", "again.wav",
                          "warnings.txt", "aiff.txt", "out.aiff", "out.flac", "out.au", "out.raw",
                          "fifo", "through-fifo.wav"}),
              std::vector<std::string>{});
}

TEST_F(UnixTest, NoSignalLeavesAFileBehind) {
    // Long enough that every signal arrives while the output is being written.
    writeAudio(path("in.wav"), silence(44100, 1, 44100 * 600));
    writeFile(path("out.wav"), "precious");
    const std::string self = "/proc/";
    for (const char* environment : {"", "no-tmpfile"}) {
        for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2}) {
            Launch render{{"render", path("in.wav"), path("out.wav"), "--block", "1", "-q"}};
            render.environment = environment;
            const pid_t pid = start(render);
            // Until the tool holds a file open in the scratch directory (its new output).
            const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
            bool writing = false;
            for (int i = 0; i < 500 && !writing; ++i) {
                std::error_code error;
                for (const auto& fd : fs::directory_iterator(fds, error)) {
                    const std::string target = fs::read_symlink(fd.path(), error).string();
                    if (target.rfind(dir.string() + "/.tarvo-", 0) == 0 ||
                        target.rfind(dir.string() + "/#", 0) == 0)
                        writing = true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            EXPECT_TRUE(writing) << "signal " << signal;
            kill(pid, signal);
            const Result result = finish(pid);
            EXPECT_EQ(result.signal, signal) << environment << " " << result.err;
            EXPECT_EQ(readFile(path("out.wav")), "precious");
            EXPECT_EQ(strayFiles({"in.wav", "out.wav"}), std::vector<std::string>{})
                << environment << " signal " << signal;
        }
    }
    // The named temporary file works as the unnamed one does.
    Launch whole{{"render", path("in.wav"), path("out.wav"), "-q", "--tail", "0"}, "/dev/null"};
    whole.environment = "no-tmpfile";
    ASSERT_EQ(launch(whole).status, 0);
    EXPECT_EQ(readAudio(path("out.wav")).frames(), 44100u * 600);
}

TEST_F(UnixTest, AScriptWhoseStandardOutputIsClosedStillWritesItsStream) {
    std::string script = "create\ntick defaults\n";
    for (int i = 0; i < 200; ++i) script += "text 5 50\nrender 1000 3\n";
    writeFile(path("s.txt"), script);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]);  // nobody reads
    Launch replay{{"script", path("s.txt"), "--out", path("out.f32")}};
    replay.output = pipeEnds[1];
    const pid_t pid = start(replay);
    close(pipeEnds[1]);
    EXPECT_FAILS_WITH(finish(pid), 1, "Broken pipe; '" + path("out.f32") + "' is complete");
    EXPECT_EQ(fs::file_size(path("out.f32")), 200u * 1000 * 2 * sizeof(float));
    EXPECT_EQ(strayFiles({"s.txt", "out.f32"}), std::vector<std::string>{});
}

TEST_F(UnixTest, ScriptStreamsAreNeverHeldWhole) {
    // 20 million frames (160 MB) in and out, through a process that stays small.
    std::string script = "create\ntick defaults 11=0 12=0\n";
    for (int i = 0; i < 20; ++i) script += "render 1000000 3\n";
    writeFile(path("s.txt"), script);
    ASSERT_EQ(launch({{"script", path("s.txt"), "--in", "/dev/zero", "--out", "/dev/null"}}).status,
              0);
#if !defined(__SANITIZE_ADDRESS__)  // whose shadow memory and quarantine say nothing here
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 64 * 1024) << "kB at most";  // 8 MB per render buffer
#endif

    // One render call's buffer is held whole, so it has a bound too.
    writeFile(path("s.txt"), "create\ntick defaults\nrender 2000000000 3\n");
    EXPECT_FAILS_WITH(launch({{"script", path("s.txt"), "--out", "/dev/null"}}), 2,
                      "line 3: render 2000000000 is longer than the 16777216 frames");

    // Standard input feeds the replay too.
    writeFile(path("s.txt"), "create\ntick defaults\nrender 10 3\n");
    std::vector<float> in(20, 0.0f);
    clitest::writeFloats(path("in.f32"), in);
    Launch piped{{"script", path("s.txt"), "--in", "-", "--out", path("out.f32")}, path("in.f32")};
    ASSERT_EQ(launch(piped).status, 0);
    EXPECT_EQ(fs::file_size(path("out.f32")), 80u);
}

TEST_F(UnixTest, TextFilesAreBoundedAndNamedInEveryMessage) {
    writeClicks("in.wav");
    writeFile(path("s.txt"), "create\n");
    const std::string in = path("in.wav"), out = path("out.wav");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FAILS_WITH(launch({{"render", in, out, "--automation", "/dev/zero"}}), 1,
                      "'/dev/zero': it is larger than 16 MiB");
    EXPECT_FAILS_WITH(launch({{"script", "/dev/zero"}}), 1,
                      "'/dev/zero': it is larger than 16 MiB");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));

    fs::create_directory(path("folder"));
    EXPECT_FAILS_WITH(launch({{"render", in, out, "--automation", path("folder")}}), 1,
                      "automation file '" + path("folder") + "': it is a directory");
    EXPECT_FAILS_WITH(launch({{"script", path("folder")}}), 1,
                      "script '" + path("folder") + "': it is a directory");
    EXPECT_FAILS_WITH(launch({{"render", path("folder"), out}}), 1,
                      "'" + path("folder") + "': it is a directory");
    EXPECT_FAILS_WITH(launch({{"script", path("s.txt"), "--in", path("folder")}}), 1,
                      "'" + path("folder") + "': it is a directory");

    // A byte-order mark, as some editors save text, is no part of the first line.
    writeFile(path("bom.txt"),
              "\xEF\xBB\xBF"
              "0 DLY_FbackL=10\n");
    EXPECT_EQ(launch({{"render", in, out, "--automation", path("bom.txt"), "-q"}}).status, 0);
    writeFile(path("bom-script.txt"),
              "\xEF\xBB\xBF"
              "create\ntick defaults\ntext 5 50\n");
    const Result texts = launch({{"script", path("bom-script.txt")}});
    EXPECT_EQ(texts.status, 0) << texts.err;
    EXPECT_EQ(texts.out, "50%\n");

    // Bytes from a file reach the terminal escaped: no escape sequence, no stray byte.
    writeFile(path("binary.txt"), "\x1B]0;owned\x07\xFF\xC3\xA9\n");
    const Result binary = launch({{"render", in, out, "--automation", path("binary.txt")}});
    EXPECT_FAILS_WITH(binary, 2, "got '\\x1B]0;owned\\x07\\xFF\xC3\xA9'");
    EXPECT_EQ(binary.err.find('\x1B'), std::string::npos);
    EXPECT_EQ(strayFiles({"in.wav", "out.wav", "s.txt", "folder", "bom.txt", "bom-script.txt",
                          "binary.txt"}),
              std::vector<std::string>{});
}

// A WAV file whose header says `rate`, and whose data chunk claims `claimed` frames of mono
// 16-bit PCM while it holds `held`.
void writeWavHeader(const fs::path& path, uint32_t rate, uint32_t claimed, uint32_t held) {
    std::string wav = "RIFF";
    const auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) wav += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(36 + claimed * 2, 4);
    wav += "WAVEfmt ";
    put(16, 4), put(1, 2), put(1, 2), put(rate, 4), put(rate * 2, 4), put(2, 2), put(16, 2);
    wav += "data";
    put(claimed * 2, 4);
    wav += std::string(held * 2, '\0');
    if (held > 0) wav[44] = 0x40;  // one click
    writeFile(path, wav);
}

TEST_F(UnixTest, HostileAndDamagedInputsAreCaught) {
    // A 4 KB file that claims 1 GHz would otherwise ask for hours of tail.
    writeWavHeader(path("fast.wav"), 1000000000, 2000, 2000);
    EXPECT_FAILS_WITH(launch({{"render", path("fast.wav"), path("out.wav")}}), 1,
                      "sample rate is 1000000000 Hz; only 1 Hz to 768000 Hz");
    writeWavHeader(path("fast.wav"), 768001, 2000, 2000);
    EXPECT_FAILS_WITH(launch({{"render", path("fast.wav"), path("out.wav")}}), 1, "768001 Hz");
    // At the highest rate, endless echoes stop at the tail's size bound (2^24 frames).
    writeWavHeader(path("fast.wav"), 768000, 2000, 2000);
    const Result fast = launch({{"render", path("fast.wav"), path("out.f32"), "-t", "raw", "-q",
                                 "--set", "DLY FbackL=100", "--set", "DLY FbackR=100"}});
    ASSERT_EQ(fast.status, 0) << fast.err;
    EXPECT_EQ(fs::file_size(path("out.f32")), (2000u + (1u << 24)) * 8);
    fs::remove(path("out.f32"));

    // 1 Hz is a rate like any other; the default tempo gives it one sample per tick ...
    writeWavHeader(path("slow.wav"), 1, 10, 10);
    const Result slow =
        launch({{"render", path("slow.wav"), path("out.wav"), "-q", "--tail", "0"}});
    EXPECT_EQ(slow.status, 0) << slow.err;
    EXPECT_EQ(readAudio(path("out.wav")).frames(), 10u);
    // ... but a tempo asked for that cannot be met is a usage error.
    EXPECT_FAILS_WITH(launch({{"render", path("slow.wav"), path("out.wav"), "--bpm", "126"}}), 2,
                      "--bpm 126 at 4 ticks per beat gives less than one sample per tick at 1 Hz");

    // A file cut short renders what it holds, and says so; from a pipe as from a file.
    writeWavHeader(path("cut.wav"), 8000, 8000, 3000);
    const Result cut = launch({{"render", path("cut.wav"), path("out.wav"), "-q", "--tail", "0"}});
    EXPECT_EQ(cut.status, 0);
    EXPECT_EQ(cut.err, "tarvo-delay: warning: '" + path("cut.wav") +
                           "' ended after 3000 of the 8000 frames its header announced\n");
    EXPECT_EQ(readAudio(path("out.wav")).frames(), 3000u);
    Launch piped{{"render", "-", path("out.wav"), "-q", "--tail", "0"}, path("cut.wav")};
    EXPECT_EQ(launch(piped).err,
              "tarvo-delay: warning: 'standard input' ended after 3000 of "
              "the 8000 frames its header announced\n");
    // Nothing at all is no render of silence; a header libsndfile refuses says what is wrong.
    writeWavHeader(path("empty.wav"), 8000, 8000, 0);
    EXPECT_FAILS_WITH(
        launch({{"render", path("empty.wav"), path("out.wav")}}), 1,
        "'" + path("empty.wav") + "' holds no audio: it ended before the first of the 8000 frames");
    writeWavHeader(path("rate0.wav"), 0, 10, 10);
    EXPECT_FAILS_WITH(launch({{"render", path("rate0.wav"), path("out.wav")}}), 1,
                      "the header gives a sample rate of 0");
    writeWavHeader(path("whole.wav"), 8000, 3000, 3000);
    EXPECT_EQ(launch({{"render", path("whole.wav"), path("out.wav"), "-q"}}).err, "");
}

TEST_F(UnixTest, LargeOutputsReadBackWhole) {
    writeClicks("in.wav", 30000);
    // Short WAV output is plain WAV for every reader; .rf64 asks for RF64 itself.
    ASSERT_EQ(launch({{"render", path("in.wav"), path("out.wav"), "-q", "--tail", "0"}}).status, 0);
    EXPECT_EQ(readFile(path("out.wav")).substr(0, 4), "RIFF");
    ASSERT_EQ(launch({{"render", path("in.wav"), path("out.rf64"), "-q", "--tail", "0"}}).status,
              0);
    EXPECT_EQ(readFile(path("out.rf64")).substr(0, 4), "RF64");
    EXPECT_EQ(readAudio(path("out.rf64")).frames(), 30000u);

    // A container whose size fields end at 4 GiB fails as it reaches them (here a smaller
    // limit for the test), and what it replaces survives.
    for (const char* name : {"out.aiff", "out.au"}) {
        writeFile(path(name), "precious");
        Launch render{{"render", path("in.wav"), path(name), "-q", "--tail", "0"}};
        render.environment = "size-limit=100000";
        EXPECT_FAILS_WITH(launch(render), 1, "files can hold; write .wav (RF64)");
        EXPECT_EQ(readFile(path(name)), "precious");
        render.environment = "size-limit=240000";  // 30000 float frames
        EXPECT_EQ(launch(render).status, 0);
        EXPECT_EQ(readAudio(path(name)).frames(), 30000u);
    }
    EXPECT_EQ(strayFiles({"in.wav", "out.wav", "out.rf64", "out.aiff", "out.au"}),
              std::vector<std::string>{});
}

TEST_F(UnixTest, BrokenLibrariesAreRefusedInOneLine) {
    const std::pair<const char*, const char*> faults[] = {
        {"null_info", "GetInfo returns no description"},
        {"null_table", "its parameter table is null"},
        {"null_entry", "parameter 1 is null"},
        {"null_name", "parameter 1 has no name"},
        {"unknown_type", "parameter 1 has the unknown type 7"},
        {"too_wide", "parameter 1 has a value 1000 that its field cannot hold"},
        {"too_many", "it describes 37 parameters, not 0 to 36"},
        {"negative", "it describes -1 parameters"},
    };
    writeClicks("in.wav");
    for (const auto& [name, fault] : faults) {
        const std::string library = std::string(TARVO_BROKEN_LIBRARIES) + "/" + name + ".so";
        EXPECT_FAILS_WITH(launch({{"params", "--plugin", library}}), 1, fault);
        EXPECT_FAILS_WITH(
            launch({{"render", path("in.wav"), path("out.wav"), "--plugin", library}}), 1, fault);
    }
    EXPECT_EQ(strayFiles({"in.wav"}), std::vector<std::string>{});
    const Result noMachine =
        launch({{"params", "--plugin", std::string(TARVO_BROKEN_LIBRARIES) + "/no_machine.so"}});
    EXPECT_FAILS_WITH(noMachine, 1, "could not create a machine");
}

TEST_F(UnixTest, MessagesAndConventionsUsersExpect) {
    writeClicks("in.wav");
    const std::string in = path("in.wav"), out = path("out.wav");
    EXPECT_FAILS_WITH(launch({{"render", in, out, "--bpm", "0"}}), 2,
                      "--bpm: expected a tempo from 20 to 999 BPM, got '0'");

    // FLAC holds no float: the clipping advice says what does help.
    Audio loud = silence(44100, 2, 2000);
    for (size_t i = 0; i < 2000; ++i) loud.at(i, 0) = 0.99f;
    writeAudio(path("loud.wav"), loud);
    const Result clipped = launch({{"render", path("loud.wav"), path("loud.flac"), "-q", "--set",
                                    "AMP DryoutL=200", "--tail", "0"}});
    EXPECT_EQ(clipped.status, 0) << clipped.err;
    EXPECT_NE(clipped.err.find("clipped in 24-bit PCM; FLAC holds no float samples"),
              std::string::npos)
        << clipped.err;
    EXPECT_EQ(clipped.err.find("--subtype float"), std::string::npos);

    // demo chooses the sample format as render does.
    const Result demo = launch({{"demo", "-o", path("demo.flac")}});
    EXPECT_EQ(demo.status, 0) << demo.err;
    EXPECT_NE(demo.out.find("FLAC, 24-bit PCM"), std::string::npos) << demo.out;

    // --plugin NAME is the file of that name here, not a search of the system's libraries.
    fs::copy_file(TARVO_PLUGIN_PATH, path("tarvo.so"));
    Launch here{{"params", "--plugin", "tarvo.so"}};
    here.directory = dir.string();
    const Result local = launch(here);
    EXPECT_EQ(local.status, 0) << local.err;
    fs::remove(path("tarvo.so"));
    EXPECT_FAILS_WITH(launch(here), 1, "'./tarvo.so'");
}

}  // namespace

#endif  // TARVO_CLI_PATH
