// The daemon's log: /usr/local/vigil20/vigil20.log, a plain sequence of
// 255-byte records, oldest first, at most LOGSIZE of them. Each record is the
// line "<ctime> --> <name>: <message>\n" padded with zero bytes, every byte
// combined by exclusive-or with 0xA7.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/daemon_log_record.h"

// The record's format is core/'s (daemon_log_record.h): the status page
// reads it back.
inline constexpr int kRecordSize = static_cast<int>(core::kDaemonLogRecordBytes);

// Maximum number of records. Only the running daemon appends, and it always
// works with 1000.
inline constexpr int32_t LOGSIZE = 1000;

// Appends one record for `text` under `name`; with `echo` 1 also writes the
// line to the console. When the log is full the oldest record is dropped.
// Returns 1, or -1 when the log cannot be written (the message is lost).
int Printl(const char* name, const char* text, int echo);

// Writes one clear-text line to /dev/console; dropped silently when the
// console cannot be opened or cannot take the line at once. Never blocks.
void Printc(const char* name, const char* text);

// Opens the log with a stdio mode; nullptr on failure.
FILE* Openl(const char* mode);

// Number of records in `stream` (a partial last record counts as one), or -1
// for no stream. Leaves the stream rewound.
int FileSize(FILE* stream);

// The clear-text line for `text` under `name`, stamped with `when`.
std::string FormatLogLine(long when, const char* name, const char* text);

// Appends to the log at `log_path`, trimming through `tmp_path` when it holds
// `limit` records or more. Used by Printl with the fixed paths.
int AppendLogRecord(const char* log_path, const char* tmp_path, int limit, const std::string& line);

// Writes the clear text of every record of `log`, from where it stands, to
// `out`. False when `log` cannot be read.
bool WriteLogText(FILE* log, FILE* out);

// The "log" command: prints every record of the log in clear text on
// standard output. Returns 0, or 1 when the log cannot be opened or read.
int PrintLog();
