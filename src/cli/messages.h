#pragma once

namespace beatplate {

// The messages that more than one place reports, worded once so that they stay alike.
inline constexpr const char* kFileMissingMessage = "ファイルが見つかりません。";
inline constexpr const char* kSameFileMessage =
    "譜面ファイルと出力先が同じです。　拡張子を変えてください。";
inline constexpr const char* kOutputFailedMessage = "出力がなぜかできません。";
inline constexpr const char* kWriteFailedMessage = "pngファイルの書き込みに失敗しました。";
inline constexpr const char* kUnexpectedFailureMessage = "画像を作れませんでした。";
inline constexpr const char* kOutputDirectoryMessage = "出力先のフォルダを作れません。";
inline constexpr const char* kSheetUnreadableMessage = "スプライトシートを読み込めません。";
// What --pause shows while it waits for Enter.
inline constexpr const char* kPausePrompt = "Enterキーを押すと終わります。";

// What each program answers a command line without operands with, above the line that points
// at --help.
inline constexpr const char* kRunUsageMessage =
    "かんたんなつかいかた：譜面ファイルをbeatplateにドラッグ＆ドロップ！\n"
    "Usage: beatplate [OPTION]... CHART...\n";
inline constexpr const char* kExtractUsageMessage =
    "かんたんなつかいかた：画像ファイルをbeatplate-chartにドラッグ＆ドロップ！\n"
    "Usage: beatplate-chart [OPTION]... PICTURE\n";

} // namespace beatplate
