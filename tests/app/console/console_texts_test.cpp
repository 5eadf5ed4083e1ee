// The help text's paragraph on addresses: made from the kinds of the list, wrapped like the rest.
#include "app/console/console_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ioserver/standin/address_kind.h"

namespace rozovevi::app::console {
namespace {

// The lines between the usage and the list of commands.
std::u16string AddressLines(const std::u16string& help) {
  const std::size_t start = help.find(u"Reads or writes");
  return help.substr(start, help.find(u"\n\n", start) + 1 - start);
}

TEST(HelpTextTest, NamesEachKindOfTheListAndWrapsItsLines) {
  struct Case {
    std::vector<std::u16string> prefixes;
    std::u16string lines;
  };
  const std::u16string kModbusNote =
      u"MODBUS:<link>/<unit>/<table>/<offset>[.<bit>][:<type>[:<order>]][?<options>] (see the\n"
      u"man page), as MODBUS:rtuovertcp:10.0.0.7:4001/1/hr/3.0 (bit 0 of hr/3, RTU frames over\n"
      u"TCP) or MODBUS:tcp:plc1/1/hr/10:str16 (16 bytes of text in hr/10-17).\n";
  const std::u16string kToday =
      u"Reads or writes one value through the I/O server DARedUde.daREDudeClass. ADDRESS is a\n"
      u"file name, or a DDE: or OPC: address, passed exactly as given. On Linux it may also be\n" +
      kModbusNote;
  for (const Case& each : {
           // The Linux list and the Windows one give the same text.
           Case{{u"DDE:", u"OPC:", u"MODBUS:", u""}, kToday},
           Case{{u"DDE:", u"OPC:", u""}, kToday},
           // A new kind is named with the others; the words after it move on.
           Case{{u"DDE:", u"OPC:", u"OPC.TCP:", u"MODBUS:", u""},
                u"Reads or writes one value through the I/O server DARedUde.daREDudeClass. "
                u"ADDRESS is a\n"
                u"file name, or a DDE:, OPC: or OPC.TCP: address, passed exactly as given. On "
                u"Linux it may\n"
                u"also be "
                u"MODBUS:<link>/<unit>/<table>/<offset>[.<bit>][:<type>[:<order>]][?<options>]\n"
                u"(see the man page), as MODBUS:rtuovertcp:10.0.0.7:4001/1/hr/3.0 (bit 0 of hr/3, "
                u"RTU\n"
                u"frames over TCP) or MODBUS:tcp:plc1/1/hr/10:str16 (16 bytes of text in "
                u"hr/10-17).\n"},
           Case{{u""},
                u"Reads or writes one value through the I/O server DARedUde.daREDudeClass. "
                u"ADDRESS is a\n"
                u"file name, passed exactly as given. On Linux it may also be\n" +
                    kModbusNote},
       }) {
    EXPECT_EQ(AddressLines(HelpText(u"\n", each.prefixes)), each.lines);
  }
}

TEST(HelpTextTest, TheProgramsHelpNamesEveryKindOfThisPlatform) {
  const std::u16string help = HelpText(u"\r\n");
  for (const auto& kind : ioserver::standin::PlatformAddressKinds()) {
    EXPECT_NE(help.find(kind->Prefix()), std::u16string::npos);
  }
  EXPECT_EQ(help.find(u"\n\n"), std::u16string::npos) << "every line ends in the given line end";
}

}  // namespace
}  // namespace rozovevi::app::console
