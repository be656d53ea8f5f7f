// What the host tools share (src/host/): the whole-number reader and the number formatter,
// the child-process runner's endings, and the result files written whole or not at all.
#include <dirent.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/child_process.hpp"
#include "host/numbers.hpp"
#include "host/output_file.hpp"

namespace {

TEST(Numbers, ReadIntegerTakesOnlyAWholeDecimalNumberInRange) {
    struct Case {
        const char* text;
        bool taken;
        long long value;
    };
    const Case cases[] = {{"0", true, 0},        {"9999", true, 9999},  {"-5", true, -5},
                          {"10000", false, 0},   {"-6", false, 0},      {"", false, 0},
                          {"-", false, 0},       {" 5", false, 0},      {"+5", false, 0},
                          {"5 ", false, 0},      {"12x", false, 0},     {"0x10", false, 0},
                          {"1e3", false, 0},     {"99999999999999999999", false, 0}};
    for (const Case& test : cases) {
        long long value = -1;
        EXPECT_EQ(read_integer(test.text, -5, 9999, value), test.taken) << '"' << test.text << '"';
        if (test.taken) {
            EXPECT_EQ(value, test.value) << test.text;
        }
    }
}

TEST(Numbers, FixedDecimalsAndSignificantDigits) {
    EXPECT_EQ(number_text(0.6905, 3), "0.691");  // 0.6905 is stored a little above
    EXPECT_EQ(number_text(2, 3), "2.000");
    EXPECT_EQ(number_text(-0.5, 1), "-0.5");
    EXPECT_EQ(number_text(1234567.0, SIGNIFICANT), "1.23457e+06");
    EXPECT_EQ(number_text(0.25, SIGNIFICANT), "0.25");
    EXPECT_EQ(significant_text(1.0 / 3, 9), "0.333333333");
    EXPECT_EQ(significant_text(48, 10), "48");
}

TEST(ChildProcess, InputAndOutputLargerThanAPipeFlowBothWays) {
    std::string input;
    for (int line = 0; line < 100000; ++line) input += std::to_string(line) + "\n";
    const ChildRun run = run_child({"cat"}, input, 30);
    EXPECT_EQ(run.problem, "");
    EXPECT_FALSE(run.start_failed);
    EXPECT_EQ(run.output, input);
}

TEST(ChildProcess, EachEndingIsOneLineNamingTheProgram) {
    const ChildRun failed = run_child({"sh", "-c", "printf partial; exit 3"}, "", 30);
    EXPECT_EQ(failed.problem, "sh failed with exit code 3");
    EXPECT_EQ(failed.output, "partial");  // kept: the caller may want what it said
    EXPECT_TRUE(WIFEXITED(failed.status) && WEXITSTATUS(failed.status) == 3);

    const ChildRun killed = run_child({"sh", "-c", "kill -9 $$"}, "", 30);
    EXPECT_EQ(killed.problem, "sh ended with signal 9");

    const ChildRun slow = run_child({"sleep", "30"}, "", 1);
    EXPECT_TRUE(slow.timed_out);
    EXPECT_EQ(slow.problem, "sleep did not finish within 1 s and was stopped");

    const ChildRun missing = run_child({"jumpbench-no-such-program"}, "", 30);
    EXPECT_TRUE(missing.start_failed);
    EXPECT_EQ(missing.start_error, ENOENT);
    EXPECT_EQ(missing.problem.rfind("cannot start jumpbench-no-such-program: ", 0), 0u) << missing.problem;

    // The exit code with which a shell says it could not run a program.
    const ChildRun not_run = run_child({"sh", "-c", "exit 127"}, "", 30);
    EXPECT_TRUE(not_run.start_failed);
    EXPECT_EQ(not_run.problem, "cannot start sh");
}

TEST(ChildProcess, AProgramThatIgnoresItsInputNeitherHangsNorFails) {
    const ChildRun run = run_child({"true"}, std::string(4 << 20, 'x'), 30);
    EXPECT_EQ(run.problem, "");
    EXPECT_FALSE(run.timed_out);
}

class OutputFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/host_test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        directory_ = name;
    }
    void TearDown() override { std::system(("rm -rf '" + directory_ + "'").c_str()); }

    std::string path(const std::string& name) const { return directory_ + "/" + name; }

    std::vector<std::string> names() const {
        std::vector<std::string> found;
        DIR* listing = opendir(directory_.c_str());
        while (const dirent* entry = readdir(listing))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") found.push_back(entry->d_name);
        closedir(listing);
        std::sort(found.begin(), found.end());
        return found;
    }

    static std::string content(const std::string& file) {
        std::ifstream in(file);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static void write(const std::string& file, const std::string& text) { std::ofstream(file) << text; }

    std::string directory_;
};

TEST_F(OutputFiles, AWrittenFileReplacesTheOldOneAndKeepsItsMode) {
    write(path("out"), "old");
    chmod(path("out").c_str(), 0640);
    EXPECT_EQ(write_output_file(path("out"), "new content"), "");
    EXPECT_EQ(content(path("out")), "new content");
    struct stat status;
    ASSERT_EQ(stat(path("out").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(names(), std::vector<std::string>{"out"});
}

TEST_F(OutputFiles, ASymbolicLinkStaysAndTheFileItNamesIsReplaced) {
    write(path("real"), "old");
    ASSERT_EQ(symlink("real", path("link").c_str()), 0);
    EXPECT_EQ(write_output_file(path("link"), "new"), "");
    EXPECT_EQ(content(path("real")), "new");
    struct stat status;
    ASSERT_EQ(lstat(path("link").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(names(), (std::vector<std::string>{"link", "real"}));
}

TEST_F(OutputFiles, OneTargetThatCannotBeWrittenStopsAllBeforeAnyIsReplaced) {
    write(path("a.csv"), "kept");
    mkdir(path("dir").c_str(), 0755);
    std::vector<OutputFile> files;
    // Each position of the bad target: the ones opened before it are abandoned too.
    const std::vector<std::vector<std::string>> orders = {
        {path("dir"), path("a.csv"), path("b.md")},
        {path("a.csv"), path("dir"), path("b.md")},
        {path("a.csv"), path("b.md"), path("dir")}};
    for (const auto& targets : orders) {
        EXPECT_EQ(open_output_files(targets, false, files), "'" + path("dir") + "' is not a regular file");
        EXPECT_EQ(names(), (std::vector<std::string>{"a.csv", "dir"}));
        EXPECT_EQ(content(path("a.csv")), "kept");
    }
    ASSERT_EQ(open_output_files({path("a.csv"), path("b.md")}, false, files), "");
    EXPECT_EQ(names().size(), 4u);  // the two temporary files beside them
    EXPECT_EQ(commit_output_file(files[0], "a"), "");
    abandon_output_file(files[1]);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.csv", "dir"}));
    EXPECT_EQ(content(path("a.csv")), "a");
}

TEST_F(OutputFiles, SpecialFilesOnlyWhereAllowed) {
    OutputFile file;
    EXPECT_EQ(open_output_file("/dev/null", false, file), "'/dev/null' is not a regular file");
    ASSERT_EQ(open_output_file("/dev/null", true, file), "");
    EXPECT_EQ(commit_output_file(file, "gone"), "");
    ASSERT_EQ(open_output_file("/dev/full", true, file), "");
    EXPECT_EQ(commit_output_file(file, "x").rfind("cannot write '/dev/full': ", 0), 0u);
    EXPECT_EQ(open_output_file("", true, file), "no file name given");
}

TEST_F(OutputFiles, MoreOpenAtOnceThanTheSignalHandlerCanTrackIsRefused) {
    std::vector<std::string> targets;
    for (char name = 'a'; name < 'a' + 9; ++name) targets.push_back(path(std::string(1, name)));
    std::vector<OutputFile> files;
    EXPECT_EQ(open_output_files(targets, false, files), "too many output files");
    EXPECT_TRUE(names().empty());
    targets.pop_back();
    ASSERT_EQ(open_output_files(targets, false, files), "");
    for (OutputFile& file : files) abandon_output_file(file);
    EXPECT_TRUE(names().empty());
}

}  // namespace
