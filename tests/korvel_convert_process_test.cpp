// korvel-convert as a user runs it: files, pipes, exit codes and messages.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

  // Runs the tool with `arguments` (shell syntax) in the test's folder;
  // standard output and error are kept in out_ and err_.
  int Run(const std::string& arguments) {
    const std::string command =
        "cd '" + folder_.string() + "' && '" KORVEL_CONVERT_PATH "' " + arguments + " > stdout.txt 2> stderr.txt";
    const int status = std::system(command.c_str());
    out_ = Read(File("stdout.txt"));
    err_ = Read(File("stderr.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
  EXPECT_EQ(err_, "") << "no progress line when standard error is no terminal";
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

}  // namespace
