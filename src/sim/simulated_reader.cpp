// SPDX-License-Identifier: Apache-2.0
#include "sim/simulated_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/custom_baud.h"
#include "serial/frame.h"
#include "sim/command_reader.h"
#include "sim/pseudo_terminal.h"
#include "sim/unique_fd.h"

namespace tagline::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kFallbackBaud = 19200;
constexpr std::size_t kMaxQueuedBytes = std::size_t{64} * 1024;
constexpr auto kPaceTick = std::chrono::milliseconds(2);
// How long to leave a master that reports a hang-up without data alone, so that such a
// state cannot turn the loop into a spin.
constexpr auto kHangUpBackoff = std::chrono::milliseconds(50);

// The reader whose thread is the current one, so that Unplug from a handler does not join
// its own thread.
thread_local const void* tRunningReader = nullptr;

// One write of the output, in order with all others.
struct Chunk {
  std::string bytes;
  Clock::time_point notBefore;
  Clock::duration gap{};  // pause after the previous chunk has gone out
  bool started = false;
  Clock::time_point start;
  Clock::duration byteTime{};  // zero: not paced
  std::size_t sent = 0;
};

// Replaces a stale symbolic link, never any other kind of file.
bool MakeLink(const std::string& target, const std::string& link, std::string& error) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = link + ": exists and is not a symbolic link";
      return false;
    }
    if (unlink(link.c_str()) != 0) {
      error = "unlink " + link + ": " + std::strerror(errno);
      return false;
    }
  }
  if (symlink(target.c_str(), link.c_str()) != 0) {
    error = "symlink " + link + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// Removes the link only while it still points at our device.
void RemoveLink(const std::string& target, const std::string& link) {
  std::array<char, 512> buffer{};
  const ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size() - 1);
  if (n < 0) return;
  if (std::string_view(buffer.data(), static_cast<std::size_t>(n)) == target) {
    unlink(link.c_str());
  }
}

timespec ToTimespec(Clock::duration d) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
  const auto clamped = std::max<std::int64_t>(ns, 0);
  return timespec{static_cast<time_t>(clamped / 1000000000),
                  static_cast<long>(clamped % 1000000000)};
}

}  // namespace

struct SimulatedReader::Impl {
  SimOptions options;
  std::string slavePath;
  std::string devicePath;
  bool linkMade = false;

  // Touched only by the reader thread while it runs, and by the owner after joining it.
  UniqueFd master;
  UniqueFd slave;
  CommandReader reader;
  Clock::time_point hangUpUntil;

  UniqueFd wakeRead;
  UniqueFd wakeWrite;
  std::thread thread;
  std::mutex lifecycleMutex;  // serialises joining the thread

  mutable std::mutex mutex;
  mutable std::condition_variable commandsChanged;
  bool stopRequested = false;
  bool unplugRequested = false;
  bool unplugged = false;
  std::size_t unplugAtCommand = 0;
  std::string version;
  std::map<std::string, Handler, std::less<>> handlers;
  FaultQueue faults;
  std::unique_ptr<Noise> noise;  // touched by the reader thread only
  std::deque<Chunk> output;
  std::size_t queuedBytes = 0;  // bytes in `output` not yet written
  Clock::time_point lastEnd;
  Clock::time_point inputWireEnd;  // the last byte from the host is on our side then
  bool waitWritable = false;
  std::vector<std::string> commands;
  std::string raw;
  std::size_t crcErrors = 0;

  void Wake() const {
    const char byte = 1;
    // A full pipe already holds a wake-up, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t n = write(wakeWrite.get(), &byte, 1);
  }

  void DrainWake() const {
    std::array<char, 64> buffer{};
    while (read(wakeRead.get(), buffer.data(), buffer.size()) > 0) {
    }
  }

  bool Accepting() const { return !unplugged && !unplugRequested && !stopRequested; }

  // Called with `mutex` held.
  void Enqueue(std::string bytes, Clock::time_point notBefore, Clock::duration gap) {
    if (bytes.empty()) return;
    // Nobody may be reading the line (the program's port closed): like a device whose
    // send buffer is full, drop what does not fit instead of growing without bound.
    if (queuedBytes + bytes.size() > kMaxQueuedBytes) return;
    queuedBytes += bytes.size();
    Chunk chunk;
    chunk.bytes = std::move(bytes);
    chunk.notBefore = notBefore;
    chunk.gap = gap;
    output.push_back(std::move(chunk));
  }

  Clock::duration ByteTime() const {
    if (!options.paceByBaud && !options.wireAccurate) return Clock::duration::zero();
    // termios2 reports rates outside the termios constants as well.
    std::uint32_t baud = platform::GetBaudRate(master.get());
    if (baud == 0) baud = SlaveBaudRate(master.get());
    if (baud == 0) baud = kFallbackBaud;
    const std::int64_t bits = SlaveBitsPerByte(master.get());
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(bits * 1000000000 / static_cast<std::int64_t>(baud)));
  }

  // When `count` bytes the host wrote at `now` have all arrived: after the ones still on
  // their way. `now` when the line is not simulated.
  Clock::time_point InputArrival(Clock::time_point now, std::size_t count) {
    if (!options.wireAccurate) return now;
    inputWireEnd = std::max(inputWireEnd, now) + ByteTime() * static_cast<Clock::rep>(count);
    return inputWireEnd;
  }

  // Writes whatever output is due; returns when the thread must look again (nothing: only
  // on new input, a wake-up or, with waitWritable set, room in the line). With `mutex` held.
  std::optional<Clock::time_point> PumpOutput() {
    waitWritable = false;
    while (!output.empty()) {
      const auto now = Clock::now();
      Chunk& chunk = output.front();
      if (!chunk.started) {
        chunk.start = std::max(chunk.notBefore, lastEnd + chunk.gap);
        chunk.byteTime = ByteTime();
        chunk.started = true;
      }
      if (now < chunk.start) return chunk.start;
      std::size_t due = chunk.bytes.size();
      if (chunk.byteTime > Clock::duration::zero()) {
        // A byte is on the host's side once its stop bit has gone out.
        const auto done = static_cast<std::size_t>((now - chunk.start) / chunk.byteTime);
        due = std::min(due, done);
      }
      if (due > chunk.sent) {
        const ssize_t n = write(master.get(), chunk.bytes.data() + chunk.sent, due - chunk.sent);
        if (n < 0) {
          if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            waitWritable = true;
            return std::nullopt;
          }
          queuedBytes -= chunk.bytes.size() - chunk.sent;
          output.pop_front();  // the line is gone; nothing can be delivered
          continue;
        }
        chunk.sent += static_cast<std::size_t>(n);
        queuedBytes -= static_cast<std::size_t>(n);
        if (chunk.sent < due) {
          waitWritable = true;
          return std::nullopt;
        }
      }
      if (chunk.sent == chunk.bytes.size()) {
        lastEnd = now;
        output.pop_front();
        continue;
      }
      // Bytes go out in small batches rather than one wake-up per byte; none goes early,
      // and the last one not late either.
      const auto nextByte = chunk.start + chunk.byteTime * static_cast<Clock::rep>(chunk.sent + 1);
      const auto lastByte =
          chunk.start + chunk.byteTime * static_cast<Clock::rep>(chunk.bytes.size());
      return std::min(std::max(nextByte, now + kPaceTick), lastByte);
    }
    return std::nullopt;
  }

  const Handler* FindHandler(std::string_view command) const {
    const Handler* best = nullptr;
    std::size_t bestLength = 0;
    for (const auto& [prefix, handler] : handlers) {
      if (command.starts_with(prefix) && (best == nullptr || prefix.size() > bestLength)) {
        best = &handler;
        bestLength = prefix.size();
      }
    }
    return best;
  }

  void HandleCommand(ReceivedCommand command, Clock::time_point receivedAt) {
    std::optional<Fault> fault;
    Handler handler;
    {
      const std::lock_guard lock(mutex);
      if (command.kind == ReceivedCommand::Kind::Acknowledge) {
        commands.push_back(std::move(command.text));
        commandsChanged.notify_all();
        UnplugIfDue();
        return;
      }
      if (command.kind == ReceivedCommand::Kind::BadCrc) {
        ++crcErrors;
      } else {
        commands.push_back(command.text);
        commandsChanged.notify_all();
        if (UnplugIfDue()) return;
        if (const Handler* found = FindHandler(command.text)) handler = *found;
      }
      fault = faults.TakeNext();
    }

    // A command damaged on the way is none the reader acts on: it answers a refusal.
    const bool heard = !(noise && noise->DamageCommand());
    std::string reply(1, serial::kNak);
    if (command.kind != ReceivedCommand::Kind::BadCrc && handler && heard &&
        !(fault && FaultReplacesReply(fault->kind) && !fault->acted)) {
      reply = handler(command.text);
    }
    std::vector<ReplyPart> parts = ShapeReply(fault, reply);
    if (noise && parts.size() == 1) {
      const std::uint32_t delay = parts[0].delayMs;
      parts = noise->DamageReply(std::move(parts[0].bytes));
      parts[0].delayMs += delay;
    }

    const std::lock_guard lock(mutex);
    if (!Accepting()) return;
    const auto latency = std::chrono::milliseconds(options.latencyMs);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const auto delay = std::chrono::milliseconds(parts[i].delayMs);
      if (i == 0) {
        Enqueue(parts[i].bytes, receivedAt + latency + delay, Clock::duration::zero());
      } else {
        Enqueue(parts[i].bytes, receivedAt, delay);
      }
    }
  }

  // With `mutex` held: asks the thread to unplug once the command count reaches the mark.
  bool UnplugIfDue() {
    if (unplugAtCommand == 0 || commands.size() < unplugAtCommand) return false;
    unplugAtCommand = 0;
    unplugRequested = true;
    return true;
  }

  // Takes everything the host has sent; false if there was nothing to read.
  bool ReadMaster() {
    std::array<char, 4096> buffer{};
    bool any = false;
    for (;;) {
      const ssize_t n = read(master.get(), buffer.data(), buffer.size());
      if (n <= 0) return any;
      any = true;
      const auto receivedAt = InputArrival(Clock::now(), static_cast<std::size_t>(n));
      const std::string_view bytes(buffer.data(), static_cast<std::size_t>(n));
      {
        const std::lock_guard lock(mutex);
        raw += bytes;
      }
      for (ReceivedCommand& command : reader.Feed(bytes)) {
        HandleCommand(std::move(command), receivedAt);
        const std::lock_guard lock(mutex);
        if (!Accepting()) return true;
      }
    }
  }

  void Run() {
    tRunningReader = this;
    for (;;) {
      std::optional<Clock::time_point> wakeAt;
      bool writable = false;
      {
        const std::lock_guard lock(mutex);
        if (stopRequested || unplugRequested) break;
        wakeAt = PumpOutput();
        writable = waitWritable;
      }
      const auto now = Clock::now();
      const bool masterQuiet = now < hangUpUntil;
      if (masterQuiet && (!wakeAt || hangUpUntil < *wakeAt)) wakeAt = hangUpUntil;

      std::array<pollfd, 2> fds{};
      fds[0] = {wakeRead.get(), POLLIN, 0};
      fds[1] = {masterQuiet ? -1 : master.get(),
                static_cast<short>(POLLIN | (writable ? POLLOUT : 0)), 0};
      timespec timeout{};
      if (wakeAt) timeout = ToTimespec(*wakeAt - now);
      const int ready = ppoll(fds.data(), fds.size(), wakeAt ? &timeout : nullptr, nullptr);
      if (ready < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if ((fds[0].revents & POLLIN) != 0) DrainWake();
      const bool gotInput = (fds[1].revents & POLLIN) != 0 && ReadMaster();
      if (!gotInput && (fds[1].revents & (POLLHUP | POLLERR)) != 0) {
        hangUpUntil = Clock::now() + kHangUpBackoff;
      }
    }

    bool closeHere = false;
    {
      const std::lock_guard lock(mutex);
      closeHere = unplugRequested && !stopRequested;
    }
    // An unplug asked for by a handler is carried out here, by the only user of the fds.
    if (closeHere) CloseDevice();
  }

  void CloseDevice() {
    // The link goes first, so whoever sees the hang-up no longer finds the device.
    if (linkMade) {
      RemoveLink(slavePath, options.linkPath);
      linkMade = false;
    }
    master.reset();
    slave.reset();
    const std::lock_guard lock(mutex);
    output.clear();
    queuedBytes = 0;
    unplugged = true;
    commandsChanged.notify_all();
  }

  void StopThread() {
    if (thread.joinable()) thread.join();
  }
};

std::unique_ptr<SimulatedReader> SimulatedReader::Start(SimOptions options, std::string& error) {
  auto impl = std::make_unique<Impl>();
  std::optional<PseudoTerminal> pty = OpenPseudoTerminal(error);
  if (!pty) return nullptr;
  impl->master = std::move(pty->master);
  impl->slave = std::move(pty->slave);
  impl->slavePath = pty->slavePath;

  std::array<int, 2> pipeFds{};
  if (pipe(pipeFds.data()) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  impl->wakeRead.reset(pipeFds[0]);
  impl->wakeWrite.reset(pipeFds[1]);
  for (const int fd : pipeFds) {
    if (fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) {
      error = std::string("fcntl: ") + std::strerror(errno);
      return nullptr;
    }
  }

  impl->devicePath = impl->slavePath;
  if (!options.linkPath.empty()) {
    if (!MakeLink(impl->slavePath, options.linkPath, error)) return nullptr;
    impl->linkMade = true;
    impl->devicePath = options.linkPath;
  }
  impl->version = options.version;
  if (options.noise.rate > 0) impl->noise = std::make_unique<Noise>(options.noise);
  impl->options = std::move(options);

  Impl* const state = impl.get();
  impl->handlers["SV"] = [state](std::string_view) {
    std::string version;
    {
      const std::lock_guard lock(state->mutex);
      version = state->version;
    }
    return serial::FrameCommand(version);
  };

  impl->thread = std::thread([state] { state->Run(); });
  return std::make_unique<SimulatedReader>(std::move(impl));
}

SimulatedReader::SimulatedReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

SimulatedReader::~SimulatedReader() {
  const std::lock_guard lifecycle(impl_->lifecycleMutex);
  {
    const std::lock_guard lock(impl_->mutex);
    impl_->stopRequested = true;
  }
  impl_->Wake();
  impl_->StopThread();
  // The destructor outlives the thread, so the device can be closed without a race.
  if (impl_->linkMade) RemoveLink(impl_->slavePath, impl_->options.linkPath);
  impl_->master.reset();
  impl_->slave.reset();
}

const std::string& SimulatedReader::DevicePath() const {
  return impl_->devicePath;
}

const std::string& SimulatedReader::SlavePath() const {
  return impl_->slavePath;
}

void SimulatedReader::SetHandler(std::string prefix, Handler handler) {
  const std::lock_guard lock(impl_->mutex);
  if (handler) {
    impl_->handlers[std::move(prefix)] = std::move(handler);
  } else {
    impl_->handlers.erase(prefix);
  }
}

void SimulatedReader::SetVersion(std::string version) {
  const std::lock_guard lock(impl_->mutex);
  impl_->version = std::move(version);
}

std::string SimulatedReader::Version() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->version;
}

void SimulatedReader::InjectFault(const Fault& fault) {
  const std::lock_guard lock(impl_->mutex);
  impl_->faults.Push(fault);
}

void SimulatedReader::ClearFaults() {
  const std::lock_guard lock(impl_->mutex);
  impl_->faults.Clear();
}

void SimulatedReader::SendOnlineCode(std::string_view code, Terminator terminator) {
  if (terminator == Terminator::Etx) {
    SendRaw(serial::FrameCommand(code));
  } else {
    SendRaw(std::string(code) + serial::kCr);
  }
}

void SimulatedReader::SendRaw(std::string_view bytes) {
  {
    const std::lock_guard lock(impl_->mutex);
    if (!impl_->Accepting()) return;
    impl_->Enqueue(std::string(bytes), Clock::now(), Clock::duration::zero());
  }
  impl_->Wake();
}

void SimulatedReader::Unplug() {
  if (tRunningReader == impl_.get()) {
    const std::lock_guard lock(impl_->mutex);
    impl_->unplugRequested = true;
    return;
  }
  const std::lock_guard lifecycle(impl_->lifecycleMutex);
  {
    const std::lock_guard lock(impl_->mutex);
    if (impl_->unplugged) return;
    impl_->unplugRequested = true;
  }
  impl_->Wake();
  impl_->StopThread();
  bool closed = false;
  {
    const std::lock_guard lock(impl_->mutex);
    closed = impl_->unplugged;
  }
  if (!closed) impl_->CloseDevice();
}

void SimulatedReader::UnplugAtCommand(std::size_t count) {
  const std::lock_guard lock(impl_->mutex);
  impl_->unplugAtCommand = count;
}

bool SimulatedReader::IsUnplugged() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->unplugged || impl_->unplugRequested;
}

std::vector<std::string> SimulatedReader::Commands() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->commands;
}

bool SimulatedReader::WaitForCommands(std::size_t count, std::uint32_t timeoutMs) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->commandsChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                         [&] { return impl_->commands.size() >= count; });
}

std::string SimulatedReader::RawReceived() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->raw;
}

std::size_t SimulatedReader::CrcErrors() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->crcErrors;
}

void SimulatedReader::ClearRecord() {
  const std::lock_guard lock(impl_->mutex);
  impl_->commands.clear();
  impl_->raw.clear();
  impl_->crcErrors = 0;
}

}  // namespace tagline::sim
