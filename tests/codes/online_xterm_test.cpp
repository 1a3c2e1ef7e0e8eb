// SPDX-License-Identifier: Apache-2.0
// The keyboard wedge against a real terminal: an xterm on an Xvfb server of its own runs a
// shell that executes every line typed into it. A reader's frame that is a shell command
// must not run; a valid code must arrive without its CRC digits. Skipped without Xvfb,
// xterm or XTest.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "online_fixture.h"
#include "platform/keyboard.h"
#include "platform/keyboard_backends.h"
#include "serial/frame.h"
#include "xvfb_server.h"

#ifdef TAGLINE_HAVE_XTEST
// Last: Xlib's macros (None, Bool, Status) would clash with names above.
#include <X11/Xlib.h>
#endif

extern char** environ;

namespace tagline::app {
namespace {

#ifdef TAGLINE_HAVE_XTEST

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class OnlineIntoXterm : public OnlineTest {
 protected:
  void SetUp() override {
    OnlineTest::SetUp();
    const std::string xvfb = tagline::testing::FindInPath("Xvfb");
    xterm_ = tagline::testing::FindInPath("xterm");
    if (xvfb.empty() || xterm_.empty()) GTEST_SKIP() << "Xvfb or xterm is not installed";
    std::string error;
    ASSERT_TRUE(server_.Start(xvfb, error)) << error;
  }

  void TearDown() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (client_ != nullptr) XCloseDisplay(client_);
    OnlineTest::TearDown();
  }

  // An xterm whose shell logs each line typed into it to typed.txt and then runs it.
  void StartTerminal() {
    const std::string script = "cd '" + dir.string() +
                               "' && : > ready && while IFS= read -r line; do printf '%s\\n' "
                               "\"$line\" >> typed.txt; sh -c \"$line\" 2>/dev/null; done";
    std::vector<std::string> args{
        xterm_, "-display", server_.display(), "-geometry", "60x8+0+0", "-e", "sh", "-c", script};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ASSERT_EQ(posix_spawn(&pid_, xterm_.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    client_ = XOpenDisplay(server_.display().c_str());
    ASSERT_NE(client_, nullptr);
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    Window terminal = 0;
    while (Clock::now() < deadline && (terminal == 0 || !fs::exists(dir / "ready"))) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      terminal = ViewableTopLevel();
    }
    ASSERT_NE(terminal, 0u) << "the xterm window never appeared";
    ASSERT_TRUE(fs::exists(dir / "ready")) << "the xterm shell never started";
    // No window manager: the focus is given by hand.
    XSetInputFocus(client_, terminal, RevertToPointerRoot, CurrentTime);
    XSync(client_, False);
  }

  Window ViewableTopLevel() {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(client_, DefaultRootWindow(client_), &root, &parent, &children, &count)) {
      for (unsigned i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(client_, children[i], &attributes) &&
            attributes.map_state == IsViewable) {
          found = children[i];
        }
      }
      if (children != nullptr) XFree(children);
    }
    return found;
  }

  tagline::testing::Xvfb server_;
  std::string xterm_;
  pid_t pid_ = -1;
  Display* client_ = nullptr;
};

TEST_F(OnlineIntoXterm, ShellCommandFromTheReaderNeverRunsAndACodeArrivesWithoutItsCrc) {
  StartTerminal();
  StartOnline();
  std::string error;
  auto keyboard = platform::CreateX11Keyboard(server_.display(), error);
  ASSERT_NE(keyboard, nullptr) << error;
  dialog->SetKeyboard(std::move(keyboard));

  const fs::path pwned = dir / "pwned";
  Receive("touch '" + pwned.string() + "'");
  Receive("\x1b[2Jtouch " + pwned.string());
  const std::string code = "1234";
  Receive(code + serial::CrcDigits(code), codes::FrameEnd::Etx);

  const fs::path typed = dir / "typed.txt";
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline && ReadAll(typed).find(code) == std::string::npos) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // anything after it
  std::istringstream lines(ReadAll(typed));
  std::vector<std::string> arrived;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) arrived.push_back(line);  // the line-feed key ends an empty line
  }
  EXPECT_EQ(arrived, std::vector<std::string>{code});
  EXPECT_FALSE(fs::exists(pwned));
}

#endif  // TAGLINE_HAVE_XTEST

}  // namespace
}  // namespace tagline::app
