// The bare cost of the work behind a Read or a Write: POSIX calls and a plain UTF-8 decoder, with
// nothing of the program in between. Each throws std::system_error when a call fails.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rozovevi::bench {

// Opens path, reads it to its end into a buffer on the stack and closes it; returns the bytes
// read.
std::size_t BareReadFile(const std::string& path);

// Reads the whole of path into a string sized by fstat and decodes it from UTF-8 to UTF-16 the
// simplest way: one code point at a time, no validation, no fast path.
std::u16string BareReadAndDecode(const std::string& path);

// Writes bytes to temporary_path, flushes it with fsync and renames it over target.
void BareAtomicWrite(const std::string& target, const std::string& temporary_path,
                     std::string_view bytes);

// BareAtomicWrite, then flushes the directory with fsync so that the rename survives a power
// cut too.
void BareDurableAtomicWrite(const std::string& target, const std::string& temporary_path,
                            std::string_view bytes);

// Writes bytes to path directly (no temporary file, no flush), to set up a benchmark's file.
void WriteFileForSetup(const std::string& path, std::string_view bytes);

}  // namespace rozovevi::bench
