// File names: every address that no other kind claims, used exactly as given.
#pragma once

#include "ioserver/standin/address_kind.h"

namespace rozovevi::ioserver::standin {

// Reads a file's text: UTF-8 without a leading byte-order mark and without one trailing line
// ending, so a file saved by a text editor reads as its one value. Writes the value as UTF-8
// exactly, with no byte-order mark and no line ending, replacing the file all at once (see
// ReplaceFileContents). A file that is not valid UTF-8 fails a read; a value holding an unpaired
// surrogate fails a write and touches nothing.
class FileKind final : public AddressKind {
 public:
  std::u16string_view Prefix() const override { return u""; }
  Status Read(std::u16string_view address, std::u16string& value) override;
  Status Write(std::u16string_view address, std::u16string_view value) override;
};

}  // namespace rozovevi::ioserver::standin
