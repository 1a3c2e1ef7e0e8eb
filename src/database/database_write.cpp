// Writing a sheet into the reader: the job on timer 7 (load, attributes, erase, write
// pointer, records, summary) and the attribute clear shared with the factory default.
#include <fstream>
#include <iterator>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/xml_node.h"
#include "platform/tick_count.h"
#include "reader/classify_reader_version.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

using reader::ReaderModel;

constexpr std::uint32_t kJobPeriodMs = 250;
constexpr int kMaxClearPolls = 100;
constexpr int kWriteAttempts = 6;
// A token answered with BEL or an unexpected byte is sent again, but not for ever.
constexpr int kMaxTokenRepeats = 5;
constexpr std::int8_t kFailed = -1;

constexpr std::uint8_t kFlagAttributes = 0x01;
constexpr std::uint8_t kFlagErased = 0x02;
constexpr std::uint8_t kFlagPointer = 0x04;
constexpr std::uint8_t kFlagRecords = 0x08;

ReaderModel Model(std::int8_t m) {
  return static_cast<ReaderModel>(m);
}

bool OneOf(std::int8_t model, std::initializer_list<ReaderModel> models) {
  for (const ReaderModel m : models) {
    if (static_cast<std::int8_t>(m) == model) return true;
  }
  return false;
}

bool WritesAttributes(std::int8_t model) {
  return model != kFailed &&
         !OneOf(model,
                {ReaderModel::NoReply, ReaderModel::B21Vip, ReaderModel::KtrH9V2,
                 ReaderModel::KtrH9V2Rev5, ReaderModel::Unrecognised, ReaderModel::KtrH9HfV11,
                 ReaderModel::Talvikko, ReaderModel::Fenra, ReaderModel::KtrH9HfV10Cs3});
}

bool HasAttributeSheet(std::int8_t model) {
  const auto layout = database::LayoutForModel(Model(model));
  return layout == database::SheetLayout::AttributeSheet ||
         layout == database::SheetLayout::TextCodeSheet;
}

bool DeclaresUtf8(const std::string& text) {
  const std::size_t end = text.find("?>");
  std::string head = text.substr(0, end == std::string::npos ? 0 : end);
  for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return head.find("encoding=\"utf-8\"") != std::string::npos ||
         head.find("encoding='utf-8'") != std::string::npos;
}

}  // namespace

void MainDialog::OnWriteJobTimer() {
  const auto next = [this](std::uint8_t step) {
    writeStep = step;
    host_.SetTimer(timer::kDbWrite, kJobPeriodMs);
  };
  switch (writeStep) {
    case 1:
      host_.KillTimer(timer::kDbWrite);
      currentModel = IdentifyForJob();
      if (currentModel <= 0 ||
          currentModel == static_cast<std::int8_t>(ReaderModel::KtrH9HfV10Cs3)) {
        EndDatabaseJob(timer::kDbWrite, writeStep);
        return;
      }
      next(2);
      break;
    case 2:
      host_.KillTimer(timer::kDbWrite);
      currentModel = LoadSheet(currentModel);
      next(3);
      break;
    case 3:
      host_.KillTimer(timer::kDbWrite);
      currentModel = WriteAttributes(currentModel);
      next(4);
      break;
    case 4:
      host_.KillTimer(timer::kDbWrite);
      SendClearDatabase(currentModel);
      pollCount = 0;
      stepResult = 0;
      controls_.SetProgressRange(ctl::kProgress, 0, kMaxClearPolls);
      next(5);
      break;
    case 5:
      // Nothing was sent for a failed job: there is no answer to wait for.
      if (currentModel == kFailed) {
        writeStep = 6;
        break;
      }
      stepResult = PollClearDatabase(currentModel);
      controls_.SetProgress(ctl::kProgress, pollCount);
      ++pollCount;
      if (stepResult != 0 || pollCount > kMaxClearPolls) {
        if (stepResult < 2) currentModel = kFailed;
        writeStep = 6;
      }
      break;
    case 6:
      host_.KillTimer(timer::kDbWrite);
      currentModel = InitWritePointer(currentModel);
      next(7);
      break;
    case 7:
      host_.KillTimer(timer::kDbWrite);
      currentModel = WriteRecords(currentModel);
      next(8);
      break;
    case 8:
      host_.KillTimer(timer::kDbWrite);
      ShowWriteSummary(currentModel);
      EndDatabaseJob(timer::kDbWrite, writeStep);
      break;
    default:
      break;
  }
}

std::int8_t MainDialog::LoadSheet(std::int8_t model) {
  const auto layout = database::LayoutForModel(Model(model));
  if (model == kFailed || !layout || layout == database::SheetLayout::SensorSheet) return model;
  std::ifstream in(settings_.write_path, std::ios::binary);
  if (!in) {
    Message("no access on DB");
    return kFailed;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  controls_.SetProgressRange(ctl::kProgress, 0,
                             static_cast<int>(std::min<std::size_t>(text.size(), INT32_MAX)));
  controls_.SetProgress(ctl::kProgress,
                        static_cast<int>(std::min<std::size_t>(text.size(), INT32_MAX)));

  database::RemoveSheetWrappers(text);
  // The flat tree points into `text`, which stays as it is until the import is done.
  database::XmlFlatTree tree;
  database::XmlOptions options = database::SheetParseOptions();
  if (!database::ParseDocument(tree, text, options)) return model;
  const auto root = tree.RootElement();
  if (root == database::XmlFlatTree::kNone) return model;
  auto rows = tree.FindChildren(root, "Row");
  if (rows.empty()) rows = tree.FindChildren(root, "ss:Row");

  const auto result =
      database::ImportSheetRows(tree, rows, *layout, Model(model), DeclaresUtf8(text), tagTable,
                                attributeList, [this](std::size_t row) {
                                  datasetCount = std::to_string(row);
                                  controls_.SetProgress(ctl::kProgress, static_cast<int>(row));
                                  UpdateData(false);
                                  host_.DispatchPendingMessages();
                                });
  if (result.tableFull) {
    Message("The sheet holds more than " + std::to_string(tagTable.Capacity()) +
            " records; only the first " + std::to_string(tagTable.Capacity()) + " are written.");
  }
  return model;
}

char MainDialog::SendToken(const std::string& command, bool repeat, bool logRepeats) {
  for (int sent = 0;; ++sent) {
    port_.Write(serial::FrameCommand(command));
    std::string reply;
    for (int i = 0; i < 500; ++i) {
      std::string chunk;
      port_.ReadTimed(chunk, 1, 1);
      reply += chunk;
      if (chunk.find_first_of(std::string{serial::kAck, serial::kNak}) != std::string::npos) break;
    }
    if (reply.empty()) return 0;
    const char first = reply.front();
    if (first == serial::kAck || first == serial::kNak || !repeat || sent >= kMaxTokenRepeats) {
      return first;
    }
    if (logRepeats) {
      exchange_.receivedPane +=
          std::string(serial::ReplyLogText(serial::ClassifyReply(reply))) + "\r\n";
    }
  }
}

std::int8_t MainDialog::WriteAttributes(std::int8_t model) {
  if (!WritesAttributes(model) && !OneOf(model, {ReaderModel::KtrH9V2, ReaderModel::KtrH9V2Rev5})) {
    return model;
  }
  if (OneOf(model, {ReaderModel::KtrH9V2, ReaderModel::KtrH9V2Rev5})) {
    const std::string& first = tagTable.At(0);
    if (first.size() < 14 || first[13] == '0') {
      Message("DB has wrong format");
      return kFailed;
    }
    return model;
  }
  if (exchange_.portOpen == 0) return model;
  if (attributeList.Entry(0) == " ") {
    Message("DB has wrong format");
    return kFailed;
  }
  exchange_.FlushInput();
  exchange_.receivedPane.clear();
  exchange_.sentPane.clear();
  controls_.SetProgressRange(ctl::kProgress, 0, static_cast<int>(database::kAttributeCount));
  std::string discarded;
  port_.ReadTimed(discarded, 50, 1);
  for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
    controls_.SetProgress(ctl::kProgress, static_cast<int>(i) - 1);
    const std::string entry = attributeList.Entry(i).substr(0, 14);
    std::string command = "t" + entry.substr(0, 1) + (entry.size() > 2 ? entry.substr(2) : "");
    if (command.size() <= 2) command += "___";
    if (command.size() < 5) command.append(5 - command.size(), ' ');
    exchange_.sentPane += entry + "\r\n";
    const char reply = SendToken(command, i > 0, true);
    if (reply == 0) {
      Message("No Answer from reader");
      break;
    }
    exchange_.receivedPane +=
        std::string(serial::ReplyLogText(serial::ClassifyReply(std::string(1, reply)))) + "\r\n";
    if (reply == serial::kAck) {
      writeFlags |= kFlagAttributes;
    } else {
      writeFlags &= static_cast<std::uint8_t>(~kFlagAttributes);
    }
    exchange_.TrimPanes();
    UpdateData(false);
  }
  return model;
}

std::int8_t MainDialog::ClearAttributes(std::int8_t model) {
  if (exchange_.portOpen == 0) return model;
  exchange_.FlushInput();
  if (OneOf(model, {ReaderModel::KtrH9V2, ReaderModel::KtrH9V2Rev5})) {
    const std::string& first = tagTable.At(0);
    if (first.size() < 14 || first[13] == '0') {
      Message("DB has wrong format");
      return kFailed;
    }
    return model;
  }
  if (!HasAttributeSheet(model)) return model;
  if (attributeList.Entry(0) == " ") {
    Message("DB has wrong format");
    return kFailed;
  }
  std::string discarded;
  port_.ReadTimed(discarded, 50, 1);
  exchange_.sentPane += "t...\r\n";
  std::size_t acknowledged = 0;
  for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
    const std::string command = std::string("t") + database::AttributeList::TokenAt(i) + "___";
    controls_.SetText(ctl::kFactoryDefault, command);
    const char reply = SendToken(command, i > 0, false);
    if (reply == 0) {
      Message("No Answer from reader");
      break;
    }
    if (reply == serial::kAck) {
      ++acknowledged;
      factoryResult = "// ACK";
    } else {
      factoryResult = serial::ReplyLogText(serial::ClassifyReply(std::string(1, reply)));
    }
  }
  const bool cleared = acknowledged == database::kAttributeCount;
  exchange_.receivedPane +=
      cleared ? "// ACK, Clear Attributes successful\r\n" : "// NAK, Clear Attributes failed\r\n";
  UpdateData(false);
  // A clear that was refused is a failure, whatever the reader model.
  return cleared ? model : kFailed;
}

std::int8_t MainDialog::InitWritePointer(std::int8_t model) {
  if (exchange_.portOpen == 0) return model;
  exchange_.FlushInput();
  if (model == kFailed ||
      OneOf(model, {ReaderModel::NoReply, ReaderModel::B21Vip, ReaderModel::KtrH9HfV10Cs3})) {
    return model;
  }
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    port_.Write(serial::FrameCommand("WP"));
    exchange_.sentPane += "WP\r\n";
    const std::string reply = exchange_.ReadReply(1, 1000);
    const auto cls = serial::ClassifyReply(reply);
    exchange_.receivedPane += std::string(serial::ReplyLogText(cls)) + "\r\n";
    exchange_.TrimPanes();
    UpdateData(false);
    if (cls == serial::ReplyClass::Ack) {
      writeFlags |= kFlagPointer;
      return model;
    }
    writeFlags &= static_cast<std::uint8_t>(~kFlagPointer);
  }
  Message("Communication Error with reader");
  return kFailed;
}

std::int8_t MainDialog::WriteRecords(std::int8_t model) {
  if (exchange_.portOpen == 0) return model;
  exchange_.FlushInput();
  if (model == kFailed ||
      OneOf(model, {ReaderModel::NoReply, ReaderModel::B21Vip, ReaderModel::KtrH9HfV10Cs3})) {
    return model;
  }
  exchange_.receivedPane.clear();
  exchange_.sentPane.clear();
  const std::size_t length = database::RecordLength(Model(model));
  controls_.SetProgressRange(ctl::kProgress, 0, 2016);
  for (std::size_t p = 0; p < tagTable.Capacity() && tagTable.At(p).size() >= length; ++p) {
    datasetCount = std::to_string(p + 1);
    controls_.SetProgress(ctl::kProgress, static_cast<int>(p) - 1);
    UpdateData(false);
    host_.DispatchPendingMessages();
    const std::string record = tagTable.At(p).substr(0, length);
    serial::ReplyClass last = serial::ReplyClass::NoAnswer;
    bool acknowledged = false;
    bool anyReply = false;
    for (int attempt = 0; attempt < kWriteAttempts && !acknowledged; ++attempt) {
      port_.Write(serial::FrameCommand("w" + record));
      platform::SleepMs(20);
      exchange_.sentPane += "w" + tagTable.At(p) + "\r\n";
      const std::string reply = exchange_.ReadReply(1, 1000);
      last = serial::ClassifyReply(reply);
      anyReply = anyReply || !reply.empty();
      exchange_.receivedPane += std::string(serial::ReplyLogText(last)) + "\r\n";
      exchange_.TrimPanes();
      acknowledged = last == serial::ReplyClass::Ack;
    }
    if (acknowledged) {
      writeFlags |= kFlagRecords;
      continue;
    }
    const std::string number = std::to_string(p + 1);
    if (!anyReply) {
      Message("Error on dataset " + number);
      writeFlags &= static_cast<std::uint8_t>(~kFlagRecords);
    } else if (last == serial::ReplyClass::Bel || last == serial::ReplyClass::Nak) {
      Message("Error sending dataset " + number);
    } else {
      Message("Communication Error with reader");
    }
    return kFailed;
  }
  return model;
}

void MainDialog::ShowWriteSummary(std::int8_t model) {
  const auto line = [this](const char* head, std::uint8_t flag) {
    return std::string(head) + ((writeFlags & flag) != 0 ? "OK\r\n" : "NOK\r\n");
  };
  std::string text;
  if (WritesAttributes(model)) text += line("'t'\tWrite Attributes\t", kFlagAttributes);
  if (model != static_cast<std::int8_t>(ReaderModel::KtrH9HfV10Cs3)) {
    text += line("'EC'\tClear Eeprom\t", kFlagErased);
    text += line("'WP'\tInit Pointer\t", kFlagPointer);
    text += line("'w'\tWrite Records\t", kFlagRecords);
  }
  Message(text);
}

}  // namespace tagline::app
