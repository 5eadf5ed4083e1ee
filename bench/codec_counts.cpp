// rozovevi_codec_counts MODE KIND BYTES: one UTF-8 conversion, counted by callgrind, against
// Qt's conversion of the same text.
//   MODE: decode-ours (DecodeUtf8), decode-bare (QString::fromUtf8), encode-ours (EncodeUtf8),
//         encode-bare (QString::toUtf8).
//   KIND: ascii, mixed or nonascii; BYTES: the size of the text in UTF-8.
// Run it under valgrind --tool=callgrind --collect-atstart=no: only the one measured conversion
// is collected, after two uncounted ones of the same text.
#include <valgrind/callgrind.h>

#include <QByteArray>
#include <QString>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "bench/value_text.h"
#include "ioserver/utf8.h"

namespace {

using namespace rozovevi;

template <typename Conversion>
std::size_t CountOnce(Conversion conversion) {
  constexpr int kWarmUpRuns = 2;
  for (int run = 0; run < kWarmUpRuns; ++run) conversion();
  CALLGRIND_TOGGLE_COLLECT;
  const std::size_t size = conversion();
  CALLGRIND_TOGGLE_COLLECT;
  return size;
}

}  // namespace

int main(int argc, char* argv[]) {
  const bench::TextKindInfo* kind = nullptr;
  for (const bench::TextKindInfo& info : bench::kCodecTextKinds) {
    if (argc == 4 && std::strcmp(argv[2], info.stem) == 0) kind = &info;
  }
  const long bytes_wanted = argc == 4 ? std::strtol(argv[3], nullptr, 10) : 0;
  if (kind == nullptr || bytes_wanted <= 0) {
    std::cerr << "usage: rozovevi_codec_counts decode-ours|decode-bare|encode-ours|encode-bare "
                 "ascii|mixed|nonascii BYTES\n";
    return 2;
  }
  const std::string mode = argv[1];
  const std::string bytes =
      bench::MakeValueBytes(static_cast<std::size_t>(bytes_wanted), kind->kind);
  const std::u16string text = ioserver::WidenUtf8(bytes);
  const QString qt_text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));

  // Each conversion returns the size of its result, checked below against the text's.
  std::size_t size = 0;
  std::size_t expected = text.size();
  if (mode == "decode-ours") {
    size = CountOnce([&] { return ioserver::DecodeUtf8(bytes).value_or(u"").size(); });
  } else if (mode == "decode-bare") {
    size = CountOnce([&] {
      return static_cast<std::size_t>(
          QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).size());
    });
  } else if (mode == "encode-ours") {
    expected = bytes.size();
    size = CountOnce([&] { return ioserver::EncodeUtf8(text).value_or("").size(); });
  } else if (mode == "encode-bare") {
    expected = bytes.size();
    size = CountOnce([&] { return static_cast<std::size_t>(qt_text.toUtf8().size()); });
  } else {
    std::cerr << "unknown mode " << mode << '\n';
    return 2;
  }
  if (size != expected) {
    std::cerr << "the " << mode << " gave " << size << " units or bytes, not " << expected << '\n';
    return 1;
  }
  return 0;
}
