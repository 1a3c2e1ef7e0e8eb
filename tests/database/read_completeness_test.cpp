// SPDX-License-Identifier: Apache-2.0
// A read that does not reach the reader's end marker keeps the target file as it is and
// says so; only whole, well-framed records are stored.
#include <gtest/gtest.h>

#include <atomic>

#include "database/record_reading.h"
#include "dialog_fixture.h"
#include "sample_records.h"
#include "serial/frame.h"
#include "sim/reader_database.h"

namespace tagline::app {
namespace {

const std::vector<std::string>& kRecords = kSampleRecords;

class ReadCompletenessTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    StartWithSimulator();
    database = sim::ReaderDatabase::Install(*reader);
    database->SetRecords(kRecords);
    target = (dir / "herd.xml").string();
    std::ofstream(target, std::ios::binary) << "old sheet";
    dialog->settings().read_path = target;
  }
  std::string Bytes(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  const JobResult& Read() {
    dialog->OnCommand(ctl::kRead);
    return *dialog->LastJobResult(JobKind::DatabaseRead);
  }
  // Answers "RN" with the first `count` records, then as `after` says.
  void RecordsThen(std::size_t count, std::function<std::string()> after) {
    reader->SetHandler(
        "RN", [this, count, after, sent = std::make_shared<std::size_t>(0)](std::string_view) {
          if (*sent < count) return serial::FrameCommand(kRecords[(*sent)++]);
          return after();
        });
  }
  std::size_t CommandCount(const std::string& command) const {
    const auto commands = reader->Commands();
    return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), command));
  }
  std::shared_ptr<sim::ReaderDatabase> database;
  std::string target;
};

TEST_F(ReadCompletenessTest, SilenceBeforeTheEndMarkerKeepsTheFile) {
  RecordsThen(2, [] { return std::string(); });
  const JobResult& result = Read();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(Bytes(target), "old sheet");
  const fs::path incomplete = dir / "herd.incomplete.xml";
  ASSERT_TRUE(fs::exists(incomplete));
  EXPECT_NE(Bytes(incomplete).find("Cow 2"), std::string::npos);
  EXPECT_EQ(result.file, incomplete.string());
  EXPECT_EQ(result.records, 2u);
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0].rfind("The reader stopped answering", 0), 0u);
  EXPECT_TRUE(host.shellOpens().empty());
}

TEST_F(ReadCompletenessTest, CompleteReadReplacesTheFile) {
  // The progress bar spans the table while the records come in.
  int widest = 0;
  dialog->controls().SetObserver([this, &widest](int id) {
    if (id == ctl::kProgress) widest = std::max(widest, dialog->controls().at(id).rangeMax);
  });
  const JobResult& result = Read();
  EXPECT_EQ(widest, 5000);
  EXPECT_TRUE(result.ok);
  EXPECT_NE(Bytes(target).find("Trovan tag"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "herd.incomplete.xml"));
}

// A damaged reply leaves a gap the reader has moved past: the records are read again from
// "RP", and what is saved is the records as a clean pass gives them.
TEST_F(ReadCompletenessTest, DamagedRepliesAreReadAgainFromTheStart) {
  const std::vector<std::string> damaged = {
      "garbage\x03",                                             // no frame
      "\x02" + kRecords[1] + "0000\x03",                         // wrong CRC digits
      serial::FrameCommand(kRecords[2]).substr(0, 20) + "\x03",  // cut short
  };
  for (std::size_t bad = 0; bad < damaged.size(); ++bad) {
    // The first pass has record `bad` damaged; the passes after it are clean.
    // Counted on the reader's thread, looked at on this one.
    auto passes = std::make_shared<std::atomic<int>>(0);
    auto next = std::make_shared<std::size_t>(0);
    reader->SetHandler("RP", [passes, next](std::string_view) {
      ++*passes;
      *next = 0;
      return std::string(1, serial::kAck);
    });
    reader->SetHandler("RN", [&, bad, passes, next](std::string_view) {
      const std::size_t at = (*next)++;
      if (at >= kRecords.size()) return serial::FrameCommand(std::string(45, '_'));
      if (*passes == 1 && at == bad) return damaged[bad];
      return serial::FrameCommand(kRecords[at]);
    });
    reader->ClearRecord();
    host.ClearMessages();
    const JobResult& result = Read();
    EXPECT_TRUE(result.ok) << bad << ": " << (MessageTexts().empty() ? "" : MessageTexts()[0]);
    ASSERT_EQ(dialog->tagTable.LeadingCount(), 3u) << bad;
    for (std::size_t i = 0; i < kRecords.size(); ++i) {
      EXPECT_EQ(dialog->tagTable.At(i), kRecords[i]) << bad;
    }
    EXPECT_EQ(passes->load(), 2) << bad;
    EXPECT_EQ(CommandCount("RN"), 2 * (kRecords.size() + 1)) << bad;
  }
}

// The same reply damaged on every pass: the read never claims the record.
TEST_F(ReadCompletenessTest, RecordDamagedOnEveryPassStaysInDoubt) {
  auto next = std::make_shared<std::size_t>(0);
  reader->SetHandler("RP", [next](std::string_view) {
    *next = 0;
    return std::string(1, serial::kAck);
  });
  reader->SetHandler("RN", [next](std::string_view) {
    const std::size_t at = (*next)++;
    if (at >= kRecords.size()) return serial::FrameCommand(std::string(45, '_'));
    if (at == 1) return std::string("\x02") + kRecords[1] + "0000\x03";
    return serial::FrameCommand(kRecords[at]);
  });
  const JobResult& result = Read();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(Bytes(target), "old sheet");
  EXPECT_EQ(CommandCount("RP"), static_cast<std::size_t>(database::kMaxReadPasses));
  ASSERT_FALSE(MessageTexts().empty());
  EXPECT_NE(MessageTexts().back().find("Record 2 stayed in doubt"), std::string::npos)
      << MessageTexts().back();
  EXPECT_TRUE(fs::exists(dir / "herd.incomplete.xml"));
}

TEST_F(ReadCompletenessTest, UnpluggedReaderEndsTheReadAtOnce) {
  RecordsThen(2, [this] {
    reader->Unplug();
    return std::string();
  });
  const JobResult& result = Read();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(Bytes(target), "old sheet");
  EXPECT_EQ(result.records, 2u);
  // No attribute reads after the loss, and one message about it.
  EXPECT_EQ(CommandCount("T#"), 0u);
  const auto texts = MessageTexts();
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) {
                            return t.find("connection to the reader was lost") != std::string::npos;
                          }),
            1);
  EXPECT_TRUE(fs::exists(dir / "herd.incomplete.xml"));
}

TEST_F(ReadCompletenessTest, UnwritableTargetIsFoundBeforeTheReaderIsAsked) {
  dialog->settings().read_path = (dir / "herd").string();  // no format to write
  reader->ClearRecord();
  host.QueueFileAnswer(std::nullopt);  // the file dialog offered is cancelled
  const JobResult& result = Read();
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(reader->Commands().empty());
  EXPECT_TRUE(MessageTexts().empty()) << "Cancel just cancels";

  host.ClearMessages();
  dialog->settings().read_path.clear();
  host.QueueFileAnswer((dir / "chosen").string());  // chosen in the dialog: gets ".xml"
  EXPECT_TRUE(Read().ok);
  EXPECT_EQ(dialog->settings().read_path, (dir / "chosen.xml").string());
  EXPECT_TRUE(fs::exists(dir / "chosen.xml"));
}

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

// Refusals count in a row: scattered over many records they never end the read. But a
// refusal of "RN" may have moved the reader on, so refusals before every record in every
// pass leave where each record stands in doubt: the read says so and keeps the file.
TEST_F(ReadCompletenessTest, RefusalsBeforeEveryRecordLeaveTheirPlacesInDoubt) {
  std::vector<std::string> records;
  for (int i = 0; i < 30; ++i) {
    std::string record = kRecords[0];
    record[0] = static_cast<char>('A' + i % 26);
    records.push_back(record);
  }
  std::vector<std::string> script;
  for (const std::string& record : records) {
    script.push_back(std::string(1, serial::kNak));
    script.push_back(serial::FrameCommand(record));
  }
  script.push_back(serial::FrameCommand(std::string(45, '_')));
  auto n = std::make_shared<std::size_t>(0);
  reader->SetHandler("RP", [n](std::string_view) {
    *n = 0;
    return std::string(1, serial::kAck);
  });
  reader->SetHandler("RN", [script, n](std::string_view) {
    return *n < script.size() ? script[(*n)++] : std::string();
  });
  const JobResult& result = Read();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.records, records.size());
  EXPECT_EQ(CommandCount("RN"), static_cast<std::size_t>(database::kMaxReadPasses) * script.size());
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0].rfind("Replies came damaged, and reading again did not give every "
                                    "record alike. Records 1, 3, 5,",
                                    0),
            0u)
      << MessageTexts()[0];
  EXPECT_EQ(Bytes(target), "old sheet");
}

TEST_F(ReadCompletenessTest, TwentyOneRefusalsInARowEndTheRead) {
  std::vector<std::string> script = {serial::FrameCommand(kRecords[0])};
  for (int i = 0; i < 25; ++i) script.push_back(std::string(1, serial::kNak));
  reader->SetHandler("RN", [script, n = std::make_shared<std::size_t>(0)](std::string_view) {
    return *n < script.size() ? script[(*n)++] : std::string();
  });
  const JobResult& result = Read();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(CommandCount("RN"), 1u + 21u);
  EXPECT_EQ(MessageTexts().front(), "Communication Error with reader");
}

}  // namespace
}  // namespace tagline::app
