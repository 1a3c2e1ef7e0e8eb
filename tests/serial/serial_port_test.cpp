// SPDX-License-Identifier: Apache-2.0
#include "serial/serial_port.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/custom_baud.h"
#include "platform/line_settings_posix.h"
#include "platform/serial_ports.h"
#include "platform/serial_ports_linux.h"
#include "pty_pair.h"

namespace tagline::serial {
namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class SerialPortOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    port.SetMessageSink([this](const std::string& text) { messages.push_back(text); });
  }
  bool OpenWith(std::uint32_t baud = 19200, std::uint8_t bits = 8, std::uint8_t parity = 0,
                std::uint8_t stop = 0, int cts = 0, int rts = 0) {
    port.SetSettings(pty.slavePath(), baud, bits, parity, stop, cts, rts);
    return port.Open();
  }
  termios SlaveTermios() const {
    termios tio{};
    EXPECT_EQ(tcgetattr(pty.master(), &tio), 0);  // the master reports the slave's settings
    return tio;
  }

  PtyPair pty;
  SerialPort port;
  std::vector<std::string> messages;
};

TEST(SerialPortDefaults, FreshPortIsComOneAt19200EightNoneOne) {
  SerialPort port;
  EXPECT_EQ(port.portName(), "COM1");
  EXPECT_TRUE(port.IsClosed());
  const auto& dcb = port.dcb();
  EXPECT_EQ(dcb.BaudRate, 19200u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, 0);
  EXPECT_EQ(dcb.StopBits, 0);
  EXPECT_EQ(dcb.fDtrControl, platform::kDtrControlEnable);
  EXPECT_EQ(dcb.fRtsControl, platform::kRtsControlDisable);
  EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
  EXPECT_EQ(dcb.fOutX, 0u);
  EXPECT_EQ(dcb.fBinary, 1u);
}

TEST(SerialPortDefaults, PortNamesMapToDevicePaths) {
  EXPECT_EQ(platform::CommDevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(platform::CommDevicePath("COM12"), "/dev/ttyS11");
  EXPECT_EQ(platform::CommDevicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(platform::CommDevicePath("/dev/serial/by-id/usb-x"), "/dev/serial/by-id/usb-x");
  EXPECT_EQ(platform::CommDevicePath("COMX"), "/dev/COMX");
  EXPECT_EQ(platform::CommDevicePath("COM0"), "/dev/COM0");
}

TEST(SerialPortDefaults, SettingsMaskCtsAndRts) {
  SerialPort port;
  port.SetSettings("ttyUSB3", 9600, 7, 2, 2, 3, 7);
  EXPECT_EQ(port.portName(), "ttyUSB3");
  EXPECT_EQ(port.dcb().fOutxCtsFlow, 1u);
  EXPECT_EQ(port.dcb().fRtsControl, 3u);
  EXPECT_EQ(port.dcb().BaudRate, 9600u);
  EXPECT_EQ(port.dcb().fDtrControl, platform::kDtrControlEnable);
}

platform::Dcb LineSettings(std::uint8_t bits, std::uint8_t parity, std::uint8_t stop) {
  platform::Dcb dcb;
  dcb.BaudRate = 9600;
  dcb.ByteSize = bits;
  dcb.Parity = parity;
  dcb.StopBits = stop;
  return dcb;
}

TEST(LineSettings, DataBitsParityAndStopBitsInTermios) {
  termios tio{};
  tio.c_lflag = ICANON | ECHO | ISIG;
  tio.c_iflag = ICRNL | IXON;
  tio.c_oflag = OPOST;
  ASSERT_TRUE(
      platform::ToTermios(LineSettings(7, platform::kOddParity, platform::kTwoStopBits), tio));
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
  EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | PARODD));
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_TRUE(tio.c_cflag & CLOCAL);
  EXPECT_TRUE(tio.c_cflag & CREAD);
  EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(tio.c_oflag & OPOST);
  EXPECT_FALSE(tio.c_iflag & (IXON | ICRNL | INPCK));
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));

  const struct {
    std::uint8_t parity;
    tcflag_t bits;
  } parities[] = {{platform::kNoParity, 0},
                  {platform::kEvenParity, PARENB},
                  {platform::kMarkParity, PARENB | PARODD | CMSPAR},
                  {platform::kSpaceParity, PARENB | CMSPAR}};
  for (const auto& p : parities) {
    ASSERT_TRUE(platform::ToTermios(LineSettings(8, p.parity, platform::kOneStopBit), tio));
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), p.bits) << int(p.parity);
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
  }
  ASSERT_TRUE(platform::ToTermios(LineSettings(5, 0, platform::kOne5StopBits), tio));
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS5));
  EXPECT_TRUE(tio.c_cflag & CSTOPB);  // 1.5 stop bits become 2
}

TEST(LineSettings, ValuesNoDriverTakes) {
  termios tio{};
  EXPECT_FALSE(platform::ToTermios(LineSettings(4, 0, 0), tio));
  EXPECT_FALSE(platform::ToTermios(LineSettings(9, 0, 0), tio));
  EXPECT_FALSE(platform::ToTermios(LineSettings(8, 5, 0), tio));
  EXPECT_FALSE(platform::ToTermios(LineSettings(8, 0, 3), tio));
  platform::Dcb noBaud = LineSettings(8, 0, 0);
  noBaud.BaudRate = 0;
  EXPECT_FALSE(platform::ToTermios(noBaud, tio));
}

TEST_F(SerialPortOnPty, OpenPutsTheLineInRawMode) {
  // A pseudo-terminal keeps only some line bits (it forces 8 data bits, no parity).
  ASSERT_TRUE(OpenWith(9600, 7, 3, 2));
  EXPECT_TRUE(port.IsOpen());
  const termios tio = SlaveTermios();
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_TRUE(tio.c_cflag & CLOCAL);
  EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(tio.c_oflag & OPOST);
  EXPECT_FALSE(tio.c_iflag & (IXON | ICRNL));
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(port.dcb().ByteSize, 7);
  EXPECT_EQ(port.dcb().Parity, 3);
  EXPECT_EQ(port.dcb().fDtrControl, platform::kDtrControlEnable);
}

TEST_F(SerialPortOnPty, EveryDialogBaudRateIsApplied) {
  for (std::uint32_t baud : {110u, 300u, 600u, 1200u, 2400u, 4800u, 9600u, 14400u, 19200u, 38400u,
                             56000u, 57600u, 115200u, 128000u, 256000u}) {
    ASSERT_TRUE(OpenWith(baud)) << baud;
    EXPECT_EQ(platform::GetBaudRate(pty.master()), baud);
    port.Close();
  }
}

TEST_F(SerialPortOnPty, CtsFlowSetsHardwareHandshake) {
  ASSERT_TRUE(OpenWith(19200, 8, 0, 0, 1, 0));
  EXPECT_TRUE(SlaveTermios().c_cflag & CRTSCTS);
  port.Close();
  ASSERT_TRUE(OpenWith(19200, 8, 0, 0, 0, 1));
  EXPECT_FALSE(SlaveTermios().c_cflag & CRTSCTS);
}

TEST_F(SerialPortOnPty, UnsupportedLineSettingsFailButLeaveThePortOpen) {
  // Four data bits: the driver refuses the settings; the handle stays valid.
  EXPECT_FALSE(OpenWith(19200, 4));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_NE(port.lastError(), 0u);
  EXPECT_FALSE(port.Open());  // not closed: no second open
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(OpenWith(0));  // baud rate 0 (missing INI value)
  port.Close();
  EXPECT_TRUE(OpenWith(19200, 5));
}

TEST_F(SerialPortOnPty, SetSettingsOnlyWhileClosed) {
  ASSERT_TRUE(OpenWith(9600));
  EXPECT_EQ(port.SetSettings("elsewhere", 38400, 7, 2, 2, 1, 1), 0);
  EXPECT_EQ(port.portName(), pty.slavePath());
  EXPECT_EQ(port.dcb().BaudRate, 9600u);
  EXPECT_EQ(platform::GetBaudRate(pty.master()), 9600u);
  port.Close();
  port.SetSettings(pty.slavePath(), 38400, 8, 0, 0, 0, 0);
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(platform::GetBaudRate(pty.master()), 38400u);
}

TEST_F(SerialPortOnPty, FailedOpenLeavesInvalidStateUntilClose) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("tagline-port-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string link = (dir / "ttyLATER").string();
  port.SetSettings(link, 19200, 8, 0, 0, 0, 0);
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(port.IsInvalid());
  EXPECT_EQ(port.lastError(), static_cast<std::uint32_t>(ENOENT));

  // The device appears, but the invalid state refuses settings and a second open.
  std::filesystem::create_symlink(pty.slavePath(), link);
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(port.IsInvalid());
  port.SetSettings("other", 9600, 8, 0, 0, 0, 0);
  EXPECT_EQ(port.portName(), link);

  port.Close();
  EXPECT_TRUE(port.IsClosed());
  EXPECT_TRUE(port.Open());
  port.Close();
  std::filesystem::remove_all(dir);
}

TEST_F(SerialPortOnPty, OpenIsExclusive) {
  ASSERT_TRUE(OpenWith());
  SerialPort second;
  second.SetSettings(pty.slavePath(), 19200, 8, 0, 0, 0, 0);
  EXPECT_FALSE(second.Open());
  EXPECT_TRUE(second.IsInvalid());
  port.Close();
  second.Close();
  EXPECT_TRUE(second.Open());
}

TEST_F(SerialPortOnPty, CloseOnClosedPortReturnsFalse) {
  EXPECT_FALSE(port.Close());
  ASSERT_TRUE(OpenWith());
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(port.Close());
}

TEST_F(SerialPortOnPty, WriteSendsAllBytesAndNothingForEmptyText) {
  ASSERT_TRUE(OpenWith());
  EXPECT_FALSE(port.Write(""));
  EXPECT_EQ(pty.Receive(50), "");
  const std::string bytes("\x02SV\x00\xff\x03", 6);
  EXPECT_TRUE(port.Write(bytes));
  EXPECT_EQ(pty.Receive(), bytes);
}

TEST_F(SerialPortOnPty, ClosedPortNeitherWritesNorReads) {
  std::string out = "stale";
  EXPECT_FALSE(port.Write("abc"));
  EXPECT_EQ(port.ReadTimed(out, 1, 1), -1);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(SerialPortOnPty, ReadEndsOnCountButTakesEverythingQueued) {
  ASSERT_TRUE(OpenWith());
  pty.SendQueued("abcdef");
  std::string out;
  const auto start = Clock::now();
  EXPECT_EQ(port.ReadTimed(out, 1, 5000), 6);
  EXPECT_LT(MsSince(start), 2500);
  EXPECT_EQ(out, "abcdef");
}

TEST_F(SerialPortOnPty, ReadWaitsForBytesThatArriveLater) {
  ASSERT_TRUE(OpenWith());
  std::thread device([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    pty.Send("ab");
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    pty.Send("cd");
  });
  std::string out;
  const auto start = Clock::now();
  const int n = port.ReadTimed(out, 4, 5000);
  const long elapsed = MsSince(start);
  device.join();
  EXPECT_EQ(n, 4);
  EXPECT_EQ(out, "abcd");
  EXPECT_GE(elapsed, 100);
  EXPECT_LT(elapsed, 2500);
}

TEST_F(SerialPortOnPty, ReadTimesOutWithNothingAfterMoreThanTheTimeout) {
  ASSERT_TRUE(OpenWith());
  std::string out = "stale";
  const auto start = Clock::now();
  EXPECT_EQ(port.ReadTimed(out, 1, 120), 0);
  EXPECT_GE(MsSince(start), 120);
  EXPECT_TRUE(out.empty());
}

TEST_F(SerialPortOnPty, ShortTimeoutReturnsWhatIsQueuedBelowTheCount) {
  ASSERT_TRUE(OpenWith());
  pty.SendQueued("xy");
  std::string out;
  EXPECT_EQ(port.ReadTimed(out, 16, 1), 2);
  EXPECT_EQ(out, "xy");
}

TEST_F(SerialPortOnPty, OpenAndClosePurgeStaleInput) {
  ASSERT_TRUE(OpenWith());
  pty.SendQueued("stale");
  port.Close();
  ASSERT_TRUE(OpenWith());
  std::string out;
  EXPECT_EQ(port.ReadTimed(out, 1, 30), 0);
  EXPECT_EQ(out, "");
}

TEST_F(SerialPortOnPty, VanishedDeviceGivesMinusOneAndOneMessage) {
  ASSERT_TRUE(OpenWith());
  pty.Unplug();
  std::string out;
  EXPECT_EQ(port.ReadTimed(out, 1, 20), -1);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(port.IsClosed());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "error com port had to be closed");
  EXPECT_EQ(port.ReadTimed(out, 1, 20), -1);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_FALSE(port.Write("SV"));
}

TEST_F(SerialPortOnPty, HungUpLineFailsTheStateQuery) {
  // What the lost-port check relies on: after a hang-up (USB adapter unplugged, or the
  // other side of a pseudo-terminal closed) the driver refuses terminal ioctls.
  ASSERT_TRUE(OpenWith());
  platform::Dcb dcb;
  // The open port's descriptor is not exposed; a second descriptor on the same tty sees
  // the same hang-up.
  const int fd = open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  port.Close();
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(platform::CommGetState(fd, dcb));
  pty.Unplug();
  EXPECT_FALSE(platform::CommGetState(fd, dcb));
  EXPECT_EQ(platform::CommLastError(), static_cast<std::uint32_t>(EIO));
  std::uint32_t queued = 99;
  EXPECT_FALSE(platform::CommClearError(fd, queued));
  EXPECT_EQ(queued, 0u);
  close(fd);
}

class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() / ("tagline-sysfs-" + std::to_string(getpid()));
    std::filesystem::remove_all(root);
  }
  void TearDown() override { std::filesystem::remove_all(root); }
  void AddTty(const std::string& name, const std::string& driver) {
    const auto tty = root / "class/tty" / name;
    std::filesystem::create_directories(tty);
    if (driver.empty()) return;
    const auto device = root / "devices" / name;
    std::filesystem::create_directories(device);
    std::filesystem::create_directories(root / "drivers" / driver);
    std::filesystem::create_directory_symlink(root / "drivers" / driver, device / "driver");
    std::filesystem::create_directory_symlink(device, tty / "device");
  }
  std::filesystem::path root;
};

TEST_F(FakeSysfs, OnlyTtysWithADriverAndAPresentUart) {
  AddTty("tty0", "");
  AddTty("ttyS0", "serial8250");
  AddTty("ttyS1", "serial8250");
  AddTty("ttyUSB0", "ftdi_sio");
  AddTty("ttyACM0", "cdc_acm");
  AddTty("rfcomm0", "");  // a Bluetooth serial link: no driver, a port all the same
  AddTty("ptmx", "");
  const auto probe = [](const std::string& name) { return name == "ttyS0"; };
  const auto names = platform::EnumerateSerialPorts((root / "class/tty").string(), probe);
  EXPECT_EQ(names, (std::vector<std::string>{"rfcomm0", "ttyACM0", "ttyS0", "ttyUSB0"}));
}

TEST_F(FakeSysfs, SerialCorePortDevicesAreLookedPast) {
  // Newer kernels: tty -> port device (bus serial-base, driver "port") -> UART device.
  const auto uart = root / "devices/platform/serial8250";
  std::filesystem::create_directories(root / "drivers/serial8250");
  std::filesystem::create_directories(root / "drivers/port");
  std::filesystem::create_directories(root / "bus/serial-base");
  std::filesystem::create_directories(root / "bus/platform");
  std::filesystem::create_directories(uart);
  std::filesystem::create_directory_symlink(root / "drivers/serial8250", uart / "driver");
  std::filesystem::create_directory_symlink(root / "bus/platform", uart / "subsystem");
  for (const std::string name : {"ttyS1", "ttyS2"}) {
    const auto port = uart / ("serial8250:0." + name);
    std::filesystem::create_directories(port);
    std::filesystem::create_directory_symlink(root / "drivers/port", port / "driver");
    std::filesystem::create_directory_symlink(root / "bus/serial-base", port / "subsystem");
    std::filesystem::create_directories(root / "class/tty" / name);
    std::filesystem::create_directory_symlink(port, root / "class/tty" / name / "device");
  }
  const auto probe = [](const std::string& name) { return name == "ttyS2"; };
  EXPECT_EQ(platform::EnumerateSerialPorts((root / "class/tty").string(), probe),
            std::vector<std::string>{"ttyS2"});
}

TEST_F(FakeSysfs, MissingSysfsGivesNoPorts) {
  EXPECT_TRUE(platform::EnumerateSerialPorts((root / "nothing").string(), nullptr).empty());
}

TEST(SerialPortList, NamesFollowedBySemicolonLastEnumeratedFirst) {
  EXPECT_EQ(platform::JoinPortNames({"COM1", "COM3"}), "COM3;COM1;");
  EXPECT_EQ(platform::JoinPortNames({"COM1", "COM3", "COM4"}), "COM4;COM3;COM1;");
  EXPECT_EQ(platform::JoinPortNames({}), "");
}

}  // namespace
}  // namespace tagline::serial
