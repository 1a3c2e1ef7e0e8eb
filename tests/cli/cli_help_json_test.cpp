// SPDX-License-Identifier: Apache-2.0
// The command line explains itself: help for every command, the program's version, shell
// completions, and results as JSON for scripts.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_program.h"
#include "cli/cli_run.h"
#include "cli/json_output.h"

namespace tagline::cli {
namespace {

// A strict reader of one JSON value, enough to tell well-formed output from the rest.
class JsonChecker {
 public:
  explicit JsonChecker(std::string_view text) : text_(text) {}
  bool WholeValue() {
    const bool ok = Value();
    Blank();
    return ok && at_ == text_.size();
  }

 private:
  void Blank() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])) != 0) ++at_;
  }
  bool Take(char c) {
    Blank();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Word(std::string_view word) {
    Blank();
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  bool String() {
    if (!Take('"')) return false;
    while (at_ < text_.size() && text_[at_] != '"') {
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c < 0x20) return false;
      if (c == '\\') {
        ++at_;
        if (at_ >= text_.size()) return false;
        if (text_[at_] == 'u') {
          for (int i = 0; i < 4; ++i) {
            if (++at_ >= text_.size() ||
                std::isxdigit(static_cast<unsigned char>(text_[at_])) == 0) {
              return false;
            }
          }
        } else if (std::string_view("\"\\/bfnrt").find(text_[at_]) == std::string_view::npos) {
          return false;
        }
      }
      ++at_;
    }
    return Take('"');
  }
  bool Number() {
    Blank();
    const std::size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])) != 0) ++at_;
    return at_ > start && text_[at_ - 1] != '-';
  }
  bool Value() {
    Blank();
    if (at_ >= text_.size()) return false;
    switch (text_[at_]) {
      case '{':
        return Container('}', true);
      case '[':
        return Container(']', false);
      case '"':
        return String();
      case 't':
        return Word("true");
      case 'f':
        return Word("false");
      case 'n':
        return Word("null");
      default:
        return Number();
    }
  }
  bool Container(char close, bool object) {
    ++at_;
    if (Take(close)) return true;
    do {
      if (object && (!String() || !Take(':'))) return false;
      if (!Value()) return false;
    } while (Take(','));
    return Take(close);
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
    lines.push_back(text.substr(begin, end - begin));
  }
  return lines;
}

TEST(JsonOutput, TextsAreEscapedAndWindows1252BecomesUnicode) {
  EXPECT_EQ(JsonString("a\"b\\c\r\n\t"), "\"a\\\"b\\\\c\\r\\n\\t\"");
  EXPECT_EQ(JsonString(std::string("\x02\x7f", 2)), "\"\\u0002\\u007f\"");
  EXPECT_EQ(JsonString("\x80\xe4"), "\"\\u20ac\\u00e4\"");  // euro sign, a umlaut
  const std::string object = JsonObject()
                                 .Text("a", "x")
                                 .Number("n", -3)
                                 .Bool("b", true)
                                 .Raw("l", "[]")
                                 .Text("a", "y")
                                 .Dump();
  EXPECT_EQ(object, "{\"a\":\"y\",\"n\":-3,\"b\":true,\"l\":[]}");
  EXPECT_TRUE(JsonChecker(object).WholeValue());
  EXPECT_FALSE(JsonChecker("{\"a\":}").WholeValue());
  EXPECT_FALSE(JsonChecker("{\"a\":1} x").WholeValue());
}

TEST_F(CliProgram, EveryCommandAnswersHelp) {
  for (const CommandEntry& command : Commands()) {
    SCOPED_TRACE(command.name);
    const CliRun run = Tagline(std::string(command.name) + " --help");
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(run.out.find(std::string("Usage: tagline ") + command.name), std::string::npos)
        << run.out;
    for (const OptionEntry& option : command.options) {
      EXPECT_NE(run.out.find(std::string("--") + option.name), std::string::npos) << option.name;
    }
  }
  const CliRun usage = Tagline("--help");
  EXPECT_EQ(usage.status, kExitOk);
  for (const CommandEntry& command : Commands()) {
    EXPECT_NE(usage.out.find(std::string("\n  ") + command.name), std::string::npos)
        << command.name;
  }
}

TEST_F(CliProgram, VersionAloneIsTheProgramsVersion) {
  CliRun run = Tagline("--version");
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, ProgramVersionText() + "\n");
  EXPECT_EQ(run.out.rfind("tagline ", 0), 0u);
  // With --simulate it stays the simulated reader's version text.
  run = Tagline("--simulate --version 'B2.0' version");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "B2.0\nmodel: 4 B20\n");
  EXPECT_EQ(Tagline("--version --simulate version").status, kExitUsage);
}

TEST_F(CliProgram, CompletionOffersCommandsOptionsAndValues) {
  EXPECT_EQ(Tagline("completion fish").status, kExitUsage);
  const CliRun script = Tagline("completion bash");
  ASSERT_EQ(script.status, kExitOk);
  std::ofstream(dir / "completion.bash") << script.out;
  // Asks the completion function as bash would and prints its answers on one line.
  const auto complete = [this](const std::string& words) {
    std::ofstream(dir / "ask.bash") << "source completion.bash\n"
                                    << "COMP_WORDS=(" << words << ")\n"
                                    << "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                                    << "_tagline\necho \"${COMPREPLY[*]}\"\n";
    const std::string out = (dir / "answer.txt").string();
    const std::string command = "cd '" + dir.string() + "' && bash ask.bash >'" + out + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return ReadFile(out);
  };
  EXPECT_EQ(complete("tagline fa"), "factory-default\n");
  EXPECT_EQ(complete("tagline db ''"), "read write clear\n");
  EXPECT_EQ(complete("tagline convert x --order ''"), "numeric transmission\n");
  EXPECT_NE(complete("tagline factory-default --"), "\n");
  EXPECT_NE(complete("tagline factory-default --").find("--delete-attributes"), std::string::npos);
  EXPECT_EQ(complete("tagline factory-default --language d"), "deutsch\n");
  EXPECT_EQ(complete("tagline --js"), "--json\n");

  const CliRun zsh = Tagline("completion zsh");
  EXPECT_EQ(zsh.status, kExitOk);
  EXPECT_EQ(zsh.out.rfind("#compdef tagline\n", 0), 0u);
}

TEST_F(CliProgram, JsonGivesOneWellFormedObjectPerResult) {
  struct Case {
    const char* args;
    int status;
    std::size_t objects;
    std::vector<std::string> fields;
  };
  const std::vector<Case> cases = {
      {"frame SV", kExitOk, 1, {"\"bytes\":\"02 53 56 43 45 32 43 03\""}},
      {"classify 'B2.0'", kExitOk, 1, {"\"model\":4", "\"modelName\":\"B20\""}},
      {"--simulate --version 'B2.0' version", kExitOk, 1, {"\"version\":\"B2.0\""}},
      {"--simulate tag --repeat 3 --interval 0",
       kExitOk,
       3,
       {"\"command\":\"tag\"", "\"ok\":true"}},
      {"--simulate params", kExitOk, 1, {"\"selection\":[", "\"numeric\":["}},
      {"--simulate clock", kExitOk, 1, {"\"sent\":true"}},
      {"--simulate db read db.xml", kExitOk, 1, {"\"records\":3", "\"file\":\"db.xml\""}},
      {"--simulate factory-default",
       kExitOk,
       1,
       {"{\"command\":\"EC\",\"name\":\"Clear Eeprom\",\"ok\":true}", "\"exit\":0"}},
      {"--simulate --version '' version", kExitReaderFailed, 1, {"\"ok\":false", "\"exit\":1"}},
      {"bogus", kExitUsage, 1, {"\"error\":\"unknown command bogus\"", "\"exit\":2"}},
      {"--port /nonexistent/ttyX version",
       kExitPortError,
       1,
       {"\"exit\":3", "\"tagline: cannot open /nonexistent/ttyX"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun run = Tagline(std::string("--json ") + c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), c.objects) << run.out;
    for (const std::string& line : lines) EXPECT_TRUE(JsonChecker(line).WholeValue()) << line;
    for (const std::string& field : c.fields) {
      EXPECT_NE(run.out.find(field), std::string::npos) << field << " in " << run.out;
    }
  }
  // A failed job names its failed step.
  std::ofstream(dir / "cut.xml") << "<?xml version=\"1.0\"?>\n<Workbook>";
  const CliRun write = Tagline("--json --simulate db write cut.xml");
  EXPECT_EQ(write.status, kExitReaderFailed);
  const auto lines = Lines(write.out);
  ASSERT_EQ(lines.size(), 1u) << write.out;
  EXPECT_TRUE(JsonChecker(lines[0]).WholeValue()) << write.out;
  EXPECT_NE(write.out.find("\"failures\":[\"The sheet"), std::string::npos) << write.out;
}

}  // namespace
}  // namespace tagline::cli
