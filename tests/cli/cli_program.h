// SPDX-License-Identifier: Apache-2.0
// Runs the built `tagline` as a user would, in a scratch directory of its own.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tagline::cli {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built `tagline` in a directory of its own (its default settings file lives in
// the current directory).
class CliProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("tagline-cli-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ignored;  // a helper process may still be removing its own files
    std::filesystem::remove_all(dir, ignored);
  }

  CliRun Tagline(const std::string& args, const std::string& input = {}) const {
    const std::string out = (dir / "out.txt").string();
    const std::string err = (dir / "err.txt").string();
    const std::string in = (dir / "in.txt").string();
    std::ofstream(in, std::ios::binary) << input;
    const std::string command = "cd '" + dir.string() + "' && '" TAGLINE_CLI_PATH "' " + args +
                                " >'" + out + "' 2>'" + err + "' <'" + in + "'";
    CliRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path dir;
};

}  // namespace tagline::cli
