// rozovevi_instruction_counts MODE KIND: one 1 KiB read or write through the real window,
// counted by callgrind, against the bare work into the same window.
//   MODE: read-ours (the Read action), read-bare (read, QString::fromUtf8, setText into the same
//         txtValue), write-ours (the Write action), write-bare (txtValue's text, toUtf8, then a
//         temporary file, write, fsync, rename and fsync of the directory).
//   KIND: ascii or mixed.
// Run it under valgrind --tool=callgrind --collect-atstart=no: only the one measured operation
// is collected. Everything else (the window, the file, two uncounted runs of the same
// operation, so that fonts and caches are warm) happens outside it.
#include <stdlib.h>
#include <valgrind/callgrind.h>

#include <QApplication>
#include <cstring>
#include <iostream>
#include <string>

#include "bench/bare_file_work.h"
#include "bench/shown_window.h"
#include "bench/value_text.h"
#include "ioserver/embedded_runtime.h"
#include "ioserver/standin/standin_server.h"
#include "tests/support/scratch_directory.h"

namespace {

using namespace rozovevi;

constexpr std::size_t kCountedBytes = bench::kKiB;

// Runs operation twice uncounted, which warms the fonts, the glyph cache, the file's pages and
// the dynamic linker's look-ups along every path the operation takes, then once counted. Before
// each run txtValue is given start_text, so that the operation finds the text box as an
// operator's read or write would find it, not already holding its result (QLineEdit skips the
// layout when the text does not change).
template <typename Operation>
void CountOnce(QLineEdit& txtValue, const QString& start_text, Operation operation) {
  constexpr int kWarmUpRuns = 2;
  for (int run = 0; run < kWarmUpRuns; ++run) {
    txtValue.setText(start_text);
    operation();
  }
  txtValue.setText(start_text);
  CALLGRIND_TOGGLE_COLLECT;
  operation();
  CALLGRIND_TOGGLE_COLLECT;
}

}  // namespace

int main(int argc, char* argv[]) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (argc != 3 || (std::strcmp(argv[2], "ascii") != 0 && std::strcmp(argv[2], "mixed") != 0)) {
    std::cerr << "usage: rozovevi_instruction_counts read-ours|read-bare|write-ours|write-bare "
                 "ascii|mixed\n";
    return 2;
  }
  const std::string mode = argv[1];
  const bench::TextKind kind =
      std::strcmp(argv[2], "ascii") == 0 ? bench::TextKind::kAscii : bench::TextKind::kMixed;
  QApplication application(argc, argv);
  testing::ScratchDirectory directory("rozovevi-count.");
  ioserver::EmbeddedRuntime runtime;
  ioserver::RegisterStandInServer(runtime);

  const std::string bytes = bench::MakeValueBytes(kCountedBytes, kind);
  const std::string path = directory / "value.txt";
  bench::WriteFileForSetup(path, bytes);
  bench::ShownWindow shown(runtime, path);

  const QString value = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  if (mode == "read-ours") {
    CountOnce(shown.txtValue(), QString(), [&] { shown.Read(); });
  } else if (mode == "read-bare") {
    CountOnce(shown.txtValue(), QString(),
              [&] { bench::BareReadIntoTextBox(path, shown.txtValue()); });
  } else if (mode == "write-ours" || mode == "write-bare") {
    if (mode == "write-ours") {
      CountOnce(shown.txtValue(), value, [&] { shown.Write(); });
    } else {
      const std::string temporary = path + ".tmp";
      CountOnce(shown.txtValue(), value, [&] {
        const QByteArray encoded = bench::BareTextBoxBytes(shown.txtValue());
        bench::BareDurableAtomicWrite(path, temporary,
                                      std::string_view(encoded.data(), encoded.size()));
      });
    }
  } else {
    std::cerr << "unknown mode " << mode << '\n';
    return 2;
  }

  if (shown.messages_shown() != 0 ||
      shown.txtValue().text() !=
          QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))) {
    std::cerr << "the " << mode << " did not end with the value in txtValue and no message\n";
    return 1;
  }
  return 0;
}
