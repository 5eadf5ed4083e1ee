// Raw access to the bytes of a test's files, past any text handling of the code under test.
#pragma once

#include <string>

namespace rozovevi::tests::support {

// The bytes of a file, or "<missing>" when it cannot be read.
std::string ReadRaw(const std::u16string& path);
// Replaces a file with exactly bytes; throws std::runtime_error when that fails.
void WriteRaw(const std::u16string& path, const std::string& bytes);

}  // namespace rozovevi::tests::support
