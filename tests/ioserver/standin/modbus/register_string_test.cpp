// Strings in registers on their own: what encoding and decoding do at the edges of a length.
#include "ioserver/standin/modbus/register_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rozovevi::ioserver::standin::modbus {
namespace {

using Words = std::vector<std::uint16_t>;

TEST(RegisterStringTest, EveryFittingTextOfEveryLengthReadsBackInBothOrders) {
  for (ByteOrder order : {ByteOrder::kAbcd, ByteOrder::kBadc}) {
    for (int length = 1; length <= 7; ++length) {
      for (int size = 0; size <= length; ++size) {
        const std::u16string text(static_cast<std::size_t>(size), u'a' + size);
        const auto words = EncodeRegisterString(text, length, order);
        ASSERT_TRUE(std::holds_alternative<Words>(words)) << length << " " << size;
        EXPECT_EQ(std::get<Words>(words).size(), static_cast<std::size_t>(length + 1) / 2);
        const auto back = DecodeRegisterString(std::get<Words>(words), length, order);
        ASSERT_TRUE(std::holds_alternative<std::u16string>(back)) << length << " " << size;
        EXPECT_EQ(std::get<std::u16string>(back), text) << length << " " << size;
      }
      const std::u16string longer(static_cast<std::size_t>(length) + 1, u'x');
      EXPECT_TRUE(std::holds_alternative<Status>(EncodeRegisterString(longer, length, order)));
    }
  }
}

TEST(RegisterStringTest, TheLastOddByteAndAnythingAfterANulAreNotPartOfIt) {
  // "ABC" in str3: the fourth byte of the two registers is outside the item.
  EXPECT_EQ(std::get<std::u16string>(DecodeRegisterString({0x4142, 0x4344}, 3, ByteOrder::kAbcd)),
            u"ABC");
  EXPECT_EQ(std::get<std::u16string>(DecodeRegisterString({0x4100, 0x4344}, 4, ByteOrder::kAbcd)),
            u"A");
  // A byte that is cut off cannot make the rest invalid, nor one after the NUL.
  EXPECT_EQ(std::get<std::u16string>(DecodeRegisterString({0x41FF}, 1, ByteOrder::kAbcd)), u"A");
  EXPECT_EQ(std::get<std::u16string>(DecodeRegisterString({0x4100, 0xFFFF}, 4, ByteOrder::kAbcd)),
            u"A");
  // A multi-byte character cut short by the length is not UTF-8.
  EXPECT_TRUE(
      std::holds_alternative<Status>(DecodeRegisterString({0x41C3, 0xA900}, 2, ByteOrder::kAbcd)));
  EXPECT_TRUE(std::holds_alternative<Status>(EncodeRegisterString(u"\xD800", 4, ByteOrder::kAbcd)));
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::modbus
