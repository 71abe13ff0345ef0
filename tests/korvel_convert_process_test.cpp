// korvel-convert as a user runs it: files, pipes, exit codes and messages.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class KorvelConvertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("korvel-convert-test-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(folder_);
  }

  fs::path File(const std::string& name) const { return folder_ / name; }

  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
  }

  std::string Read(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // Runs the tool with `arguments` (shell syntax) in the test's folder, after
  // the shell commands `before`; standard output and error are kept in out_
  // and err_.
  int Run(const std::string& arguments, const std::string& before = "") {
    const std::string command = "cd '" + folder_.string() + "' && { " + before + " '" KORVEL_CONVERT_PATH "' " +
                                arguments + "; } > stdout.txt 2> stderr.txt";
    const int status = std::system(command.c_str());
    out_ = Read(File("stdout.txt"));
    err_ = Read(File("stderr.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Names in the test's folder other than the tool's own outputs.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      const std::string name = entry.path().filename().string();
      if (name.find("korvel-convert") != std::string::npos) names.push_back(name);
    }
    return names;
  }

  fs::path folder_;
  std::string out_;
  std::string err_;
};

TEST_F(KorvelConvertTest, EachModeConvertsStandardInputToStandardOutput) {
  Write("russian.txt", "Щука и ёж\r\nХорошо\n");
  EXPECT_EQ(Run("--to-latin < russian.txt"), 0);
  EXPECT_EQ(out_, "Ščuka  i  jež\r\nChorošo\n");
  Write("latin.txt", out_);
  EXPECT_EQ(Run("--to-cyrillic - < latin.txt"), 0);
  EXPECT_EQ(out_, "Шчука    и    йеж\r\nХорошо\n");
  Write("keys.txt", "Privet #'\n");
  EXPECT_EQ(Run("--keyboard keys.txt"), 0);
  EXPECT_EQ(out_, "Привет жЖ\n");
  Write("typed.txt", out_ + "ъ");
  EXPECT_EQ(Run("--to-keys < typed.txt"), 0);
  EXPECT_EQ(out_, "Privet #'\ně");
  EXPECT_EQ(err_, "") << "no progress line when standard error is no terminal";
}

TEST_F(KorvelConvertTest, FixAlphabetFixesRunsAndLeavesTheRestByteForByte) {
  const std::string right = "Guten Tag\r\n\tTabs,  two spaces, \xEF\xBB\xBF and Привет, как дела\n\n";
  Write("right.txt", right);
  EXPECT_EQ(Run("--fix-alphabet right.txt"), 0) << err_;
  EXPECT_EQ(out_, right);
  Write("wrong.txt", "Privet, kak dela? X #du tebx\nГутен ");
  EXPECT_EQ(Run("--fix-alphabet < wrong.txt"), 0);
  EXPECT_EQ(out_, "Привет, как дела? Я жду тебя\nГутен ");
  EXPECT_EQ(Run("--fix-alphabet --keyboard wrong.txt"), 2);
}

TEST_F(KorvelConvertTest, InputsAreConvertedInOrderAsOneText) {
  Write("a.txt", "Ahoj C");
  Write("b.txt", "hato");
  Write("zero.txt", std::string("c\0h", 3));
  EXPECT_EQ(Run("--to-cyrillic a.txt b.txt zero.txt -o out.txt"), 0) << err_;
  EXPECT_EQ(out_, "");
  EXPECT_EQ(Read(File("out.txt")), "Агой  Хатоц\0г"s) << "a digraph across files stays one letter";
}

TEST_F(KorvelConvertTest, InvalidUtf8StopsWithItsOffsetAndLeavesTheOutputFileAlone) {
  Write("out.txt", "earlier result");
  Write("bad.txt",
        "Привет\xD0"
        "x");
  EXPECT_EQ(Run("--to-latin bad.txt -o out.txt"), 1);
  EXPECT_NE(err_.find("bad.txt: invalid UTF-8 at byte offset 12"), std::string::npos) << err_;
  EXPECT_EQ(Read(File("out.txt")), "earlier result");
  for (const auto& entry : fs::directory_iterator(folder_)) {
    EXPECT_EQ(entry.path().filename().string().find("partial"), std::string::npos) << "left behind: " << entry.path();
  }

  Write("cut.txt", "ok\xE2\x82");
  EXPECT_EQ(Run("--to-cyrillic cut.txt -o new.txt"), 1);
  EXPECT_NE(err_.find("cut.txt: invalid UTF-8 at byte offset 2"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(File("new.txt")));
}

TEST_F(KorvelConvertTest, UnreadableInputAndUnwritableOutputAreNamed) {
  EXPECT_EQ(Run("--to-latin missing.txt"), 1);
  EXPECT_NE(err_.find("cannot read missing.txt"), std::string::npos) << err_;
  Write("in.txt", "x");
  EXPECT_EQ(Run("--to-latin in.txt -o no/such/folder/out.txt"), 1);
  EXPECT_NE(err_.find("cannot write no/such/folder/out.txt"), std::string::npos) << err_;
}

TEST_F(KorvelConvertTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run(""), 2);
  EXPECT_NE(err_.find("--to-latin"), std::string::npos) << err_;
  EXPECT_EQ(Run("--to-latin --to-cyrillic"), 2);
  EXPECT_EQ(Run("--to-latin --no-such-option"), 2);
  EXPECT_EQ(Run("--to-latin -o"), 2);
  EXPECT_EQ(Run("--help"), 0);
  EXPECT_NE(out_.find("--to-cyrillic"), std::string::npos);
  EXPECT_EQ(Run("--version"), 0);
  EXPECT_NE(out_.find("korvel-convert 1."), std::string::npos);
}

TEST_F(KorvelConvertTest, LargeInputStreamsInBoundedMemory) {
  // 96 MiB through a pipe: the tool must not hold it all.
  const std::string line = "Съешь же ещё этих мягких французских булок, да выпей чаю.\n";
  std::string block;
  while (block.size() < (1 << 20)) block += line;
  Write("block.txt", block);
  ASSERT_EQ(Run("--to-latin block.txt -o one.txt"), 0) << err_;
  const std::string one = Read(File("one.txt"));
  ASSERT_EQ(Run("--to-latin -o out.txt $(printf 'block.txt %.0s' $(seq 96))"), 0) << err_;
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's own bookkeeping dwarfs the tool's memory
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss, 64 * 1024) << "peak resident set in KiB";
#endif
  ASSERT_EQ(fs::file_size(File("out.txt")), 96 * one.size());
  std::ifstream out(File("out.txt"), std::ios::binary);
  out.seekg(static_cast<std::streamoff>(95 * one.size()));
  std::string last(one.size(), '\0');
  out.read(last.data(), static_cast<std::streamsize>(last.size()));
  EXPECT_TRUE(last == one) << "the last block converts like the first";
}

TEST_F(KorvelConvertTest, TwoRunsOnOneTargetLeaveOneRunsWholeOutput) {
  std::string russian;
  std::string latin;
  while (russian.size() < (8 << 20)) {
    russian += "Съешь же ещё этих мягких французских булок, да выпей чаю.\n";
    latin += "Chorošo, ščuka i jež; cha cha.\n";
  }
  Write("ru.txt", russian);
  Write("lat.txt", latin);
  ASSERT_EQ(Run("--to-latin ru.txt -o one.txt"), 0);
  ASSERT_EQ(Run("--to-cyrillic lat.txt -o two.txt"), 0);
  for (int round = 0; round < 3; ++round) {
    const std::string tool = "'" KORVEL_CONVERT_PATH "'";
    const std::string command = "cd '" + folder_.string() + "' && { " + tool + " --to-latin -o both.txt ru.txt & " +
                                tool +
                                " --to-cyrillic -o both.txt lat.txt; second=$?; wait $!; exit $(($? * 10 + second)); }";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "exit codes of both runs as 10 * first + second: " << WEXITSTATUS(status);
    const std::string both = Read(File("both.txt"));
    EXPECT_TRUE(both == Read(File("one.txt")) || both == Read(File("two.txt"))) << "a mix of two runs";
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
}

TEST_F(KorvelConvertTest, ReplacedFileKeepsItsPermissionsAndLinksAreFollowed) {
  Write("in.txt", "Щука\n");
  Write("private.txt", "old");
  fs::permissions(File("private.txt"), fs::perms(0640));
  ASSERT_EQ(Run("--to-latin in.txt -o private.txt"), 0) << err_;
  EXPECT_EQ(Read(File("private.txt")), "Ščuka\n");
  EXPECT_EQ(fs::status(File("private.txt")).permissions(), fs::perms(0640));
  ASSERT_EQ(Run("--to-latin in.txt -o new.txt", "umask 022;"), 0);
  ASSERT_EQ(Run("--to-latin in.txt -o newer.txt", "umask 077;"), 0);
  EXPECT_EQ(fs::status(File("newer.txt")).permissions(), fs::perms(0600)) << "what the umask gives a new file";
  EXPECT_EQ(fs::status(File("new.txt")).permissions(), fs::perms(0644));

  fs::create_directory(File("real"));
  Write("real/named.txt", "old");
  fs::create_symlink("real/named.txt", File("link.txt"));
  ASSERT_EQ(Run("--to-latin in.txt -o link.txt"), 0) << err_;
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(File("link.txt"))));
  EXPECT_EQ(Read(File("real/named.txt")), "Ščuka\n");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(KorvelConvertTest, EveryFailureEndsWithOneLineAndLeavesNothingBehind) {
  Write("in.txt", std::string(1 << 20, 'a'));
  Write("out.txt", "earlier result");
  const auto expectFailure = [this](const std::string& arguments, const std::string& reason,
                                    const std::string& before = "") {
    EXPECT_EQ(Run(arguments, before), 1) << arguments << ": " << err_;
    EXPECT_NE(err_.find(reason), std::string::npos) << arguments << ": " << err_;
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
    EXPECT_EQ(Read(File("out.txt")), "earlier result");
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  };
  // A disk that fills up, as a limit on the file's size.
  expectFailure("--to-latin in.txt -o out.txt", "File too large", "trap '' XFSZ; ulimit -f 64;");
  expectFailure("-o out.txt --to-latin in.txt .", "cannot read .: Is a directory");
#ifndef __SANITIZE_ADDRESS__  // the sanitizer reserves more address space than the limit allows
  // A thread's stack larger than the address space it may use: no thread starts.
  expectFailure("--to-latin in.txt -o out.txt", "thread", "ulimit -s 1000000; ulimit -v 400000;");
#endif
  // A device: written to, never replaced by a file beside it.
  if (::mknod(File("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
    expectFailure("--to-latin in.txt -o full", "No space left on device");
    EXPECT_TRUE(fs::is_character_file(File("full")));
  }
}

TEST_F(KorvelConvertTest, AHangUpTheCallerIgnoresLetsTheRunFinishAndOtherSignalsCleanUp) {
  // The input is a pipe still being written when the signal comes, as when
  // the terminal of a job started under nohup closes: the signal goes once
  // the run has begun its output (its temporary file is there), and the rest
  // of the input only after it.
  const auto runSignalled = [this](const std::string& ignore, const std::string& signal) {
    const std::string command =
        "cd '" + folder_.string() + "' && rm -f go && mkfifo go && { (printf 'Щука '; cat go; printf 'и ёж\\n') | (" +
        ignore + " exec '" KORVEL_CONVERT_PATH "' --to-latin -o out.txt) & " +
        "for i in $(seq 1200); do ls out.txt.korvel-convert-* >/dev/null 2>&1 && break; sleep 0.05; done; kill -" +
        signal + " $!; : >go; wait $!; }";
    const int status = std::system(command.c_str());
    fs::remove(File("go"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(runSignalled("trap '' HUP;", "HUP"), 0);
  EXPECT_EQ(Read(File("out.txt")), "Ščuka  i  jež\n");
  fs::remove(File("out.txt"));
  EXPECT_EQ(runSignalled("", "TERM"), 128 + SIGTERM);
  EXPECT_FALSE(fs::exists(File("out.txt")));
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

}  // namespace
