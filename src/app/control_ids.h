// SPDX-License-Identifier: Apache-2.0
// Identifiers of the main window's controls, menu commands, timers and registered
// messages, as the window's resources number them.
#pragma once

#include <cstdint>

namespace tagline::app {

namespace ctl {
// Hidden default buttons: Enter and Esc end the dialog through them.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;

// Terminal area.
inline constexpr int kToSend = 1001;
inline constexpr int kSend = 1002;
inline constexpr int kReceived = 1003;
inline constexpr int kSent = 1004;
inline constexpr int kTerminalFrame = 1103;
inline constexpr int kToSendLabel = 1099;
inline constexpr int kTerminalLabel = 1100;
inline constexpr int kSentLabel = 1101;
inline constexpr int kReceivedLabel = 1102;

// DB group.
inline constexpr int kDbTitle = 1029;
inline constexpr int kRead = 1005;
inline constexpr int kReadPath = 1022;
inline constexpr int kReadPathButton = 1023;
inline constexpr int kWrite = 1006;
inline constexpr int kWritePath = 1024;
inline constexpr int kWritePathButton = 1025;
inline constexpr int kClear = 1007;
inline constexpr int kTest = 1070;
inline constexpr int kTestResult = 1071;
inline constexpr int kDatasetLabel = 1106;
inline constexpr int kDataset = 1107;
inline constexpr int kProgress = 1123;

// CONFIG group.
inline constexpr int kConfigTitle = 1030;
inline constexpr int kSvLabel = 1056;
inline constexpr int kGtLabel = 1057;
inline constexpr int kCommLabel = 1058;
inline constexpr int kCommandLabel = 1059;
inline constexpr int kFactoryLabel = 1061;
inline constexpr int kClockLabel = 1066;
inline constexpr int kNumericLabel = 1081;
inline constexpr int kTagTypeLabel = 1084;
inline constexpr int kParameterLabel = 1086;
inline constexpr int kSv = 1031;
inline constexpr int kGtOnce = 1033;
inline constexpr int kGt = 1052;
inline constexpr int kXt = 1043;
inline constexpr int kFactoryDefault = 1035;
inline constexpr int kParameterButton = 1062;
inline constexpr int kNumericButton = 1063;
inline constexpr int kClockSet = 1065;
// The clock row's read/write switch: what the clock button (kClockSet) does.
inline constexpr int kClockDirection = 1068;
inline constexpr int kTagTypeButton = 1072;
inline constexpr int kParameterName = 1067;
inline constexpr int kParameterValue = 1064;
inline constexpr int kNumericName = 1074;
inline constexpr int kTagTypes = 1078;
inline constexpr int kNumericValue = 1076;
inline constexpr int kNumericSpin = 1077;
inline constexpr int kParameterResult = 1073;
inline constexpr int kNumericResult = 1075;
inline constexpr int kTagTypeResult = 1080;
inline constexpr int kSvResult = 1105;
inline constexpr int kGtResult = 1108;
inline constexpr int kCommResult = 1109;
inline constexpr int kFactoryResult = 1110;
inline constexpr int kClockResult = 1069;

// ONLINE group.
inline constexpr int kOnlineTitle = 1032;
inline constexpr int kKeyboardLabel = 1089;
inline constexpr int kKeyboardField = 1082;
inline constexpr int kLogging = 1124;
inline constexpr int kLogFile = 1125;
inline constexpr int kDoubleCodesLabel = 1094;
inline constexpr int kDoubleCodes = 1093;

// Layout.
inline constexpr int kGroupFrame = 1104;
inline constexpr int kLowerAreaMarker = 1121;

// The controls of the database jobs that their start disables and their end enables.
inline constexpr int kDatabaseJobControls[] = {kRead,           kWrite,           kClear,  kTest,
                                               kReadPathButton, kWritePathButton, kToSend, kSend};
// The buttons that talk to the reader: while a job uses the line they are disabled and
// refused, whatever group is shown.
inline constexpr int kReaderButtons[] = {kSend,
                                         kRead,
                                         kReadPathButton,
                                         kWrite,
                                         kWritePathButton,
                                         kClear,
                                         kTest,
                                         kSv,
                                         kGtOnce,
                                         kGt,
                                         kXt,
                                         kParameterButton,
                                         kTagTypeButton,
                                         kNumericButton,
                                         kClockSet,
                                         kFactoryDefault};
}  // namespace ctl

namespace menu {
inline constexpr int kEditClear = 57632;
inline constexpr int kPort = 40015;
inline constexpr int kDeviceManager = 40016;
inline constexpr int kDb = 40004;
inline constexpr int kConfig = 40009;
inline constexpr int kOnline = 40013;
inline constexpr int kInfo = 40007;
inline constexpr int kSystemAbout = 16;  // system-menu entry
// The line as it goes: a trace of it, the received pane in hex, times before its lines.
inline constexpr int kRecordTrace = 40020;
inline constexpr int kHexView = 40021;
inline constexpr int kPaneTimestamps = 40022;
// Reader configuration profiles.
inline constexpr int kSaveConfiguration = 40023;
inline constexpr int kApplyConfiguration = 40024;
// File > Quit (Ctrl+Q): ends the program as the close box does.
inline constexpr int kQuit = 40025;
}  // namespace menu

namespace timer {
inline constexpr int kPoll = 3;
inline constexpr int kGetTag = 4;
inline constexpr int kStartup = 6;
inline constexpr int kDbWrite = 7;
inline constexpr int kDbClear = 8;
inline constexpr int kFactory = 9;
inline constexpr int kConfiguration = 10;

// The receive poll's period (the jobs' tick is job::kJobPeriodMs).
inline constexpr std::uint32_t kPollPeriodMs = 250;
}  // namespace timer

// Registered messages of the Enter-notifying fields.
inline constexpr const char* kEditCompleteMessage =
    "UWM_EDIT_COMPLETE-{165BBEA0-C1A8-11d5-A04D-006067718D04}";
inline constexpr const char* kEdit2CompleteMessage =
    "UWM_EDIT2_COMPLETE-{165BBEA0-C1A8-11d5-A04D-006067718D04}";

}  // namespace tagline::app
