#pragma once
// Texts for IPMI values as the commands show them.

#include <sstream>
#include <string>

namespace OstrelCli {
namespace Hardware {

// Writes seconds since 1970 as 2014-03-05T17:02:44 (UTC) into buffer, or "N/A"
// for 0 and for values up to 0x20000000, which count from controller start.
void TimeStamp(char* buffer, int size, long seconds);

// Writes a BCD version byte (major in bits 0-3, minor in bits 4-7) as
// "0x51 (1.5)" into buffer, cut to size; returns buffer.
char* VersionToString(char* buffer, int size, int version);

// The CIM PerceivedSeverity name of a code; "Unknown" outside 0-7.
const char* SeverityToString(int severity);

// "System Event" for SEL record type 2, "OEM Timestamped" for any other.
const char* RecordTypeToString(int recordType);

// Appends two lower-case hex digits per byte, nothing between them. Leaves the
// stream in hexadecimal mode with fill character '0'.
void DumpRecord(std::stringstream& stream, char const* data, int length);

// As DumpRecord, with a space after every byte.
void DumpRecordPretty(std::stringstream& stream, char const* data, int length);

// DumpRecord or DumpRecordPretty, for code that writes either form.
using DumpFunction = void (*)(std::stringstream&, char const*, int);

// One dump of length bytes at data, written into a fresh stream: its text.
std::string DumpToText(DumpFunction dump, const void* data, int length);

// The stream's text so far; the stream is left empty for the next field.
std::string TakeText(std::stringstream& text);

}  // namespace Hardware
}  // namespace OstrelCli
