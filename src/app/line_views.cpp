// SPDX-License-Identifier: Apache-2.0
// The window's views of the line: a trace recorded into a file, the received pane in hex
// (one reply a line), and the time before each line the receive poll adds.
#include "app/main_dialog.h"
#include "platform/home_directory.h"
#include "protocol/classify_reader_version.h"

namespace tagline::app {

void MainDialog::OnRecordTrace() {
  if (trace_) {
    port_.RemoveRecorder(trace_.get());
    const std::string path = trace_->path();
    const bool whole = trace_->Flush();
    trace_.reset();
    terminal_.AddNote(whole
                          ? "// trace saved to " + path
                          : "// trace " + path + " is missing events: the file did not take them");
    UpdateData(false);
    return;
  }
  FileDialogRequest request;
  request.title = "Record the line into (a file that is there is added to)";
  request.initialPath = platform::DefaultFilePath("tagline-trace.txt");
  request.defaultExtension = "txt";
  request.filters = {{"Trace (*.txt)", "*.txt"}, {"All files (*.*)", "*.*"}};
  const auto path = host_.SaveFileDialog(request);
  if (!path) return;  // cancelled: nothing recorded
  serial::TraceStart start;
  start.program = std::string("tagline-console ") + TAGLINE_VERSION;
  start.port = port_.portName();
  if (link_.open()) start.line = serial::LineSettingsText(port_.dcb());
  if (lastJobModel_ && *lastJobModel_ != protocol::ReaderModel::NoReply) {
    start.model = std::to_string(static_cast<int>(*lastJobModel_)) + " " +
                  std::string(protocol::ReaderModelName(*lastJobModel_));
  }
  std::string error;
  trace_ = serial::TraceWriter::Open(*path, start, serial::kDefaultTraceLimitBytes, error);
  if (!trace_) {
    Message(error, mb::kOk | mb::kIconExclamation);
    return;
  }
  port_.AddRecorder(trace_.get());
  terminal_.AddNote("// recording the line into " + *path);
  UpdateData(false);
}

void MainDialog::OnHexView() {
  terminal_.hexView = !terminal_.hexView;
}

void MainDialog::OnPaneTimestamps() {
  terminal_.timestamps = !terminal_.timestamps;
}

}  // namespace tagline::app
