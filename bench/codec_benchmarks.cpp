// DecodeUtf8 against QString::fromUtf8 and EncodeUtf8 against QString::toUtf8, on ASCII, mixed
// and non-ASCII text of 1 KiB and up.
#include "bench/codec_benchmarks.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>
#include <string>

#include "bench/benchmark_settings.h"
#include "bench/value_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::bench {
namespace {

constexpr std::size_t kSmallestConverted = kKiB;
// Ours must be at least as fast as Qt's at every size and kind.
constexpr double kCodecRatio = 1.0;

}  // namespace

std::vector<ComparisonGroup> RegisterCodecBenchmarks() {
  ComparisonGroup decode{"Decode UTF-8 (ours) vs QString::fromUtf8", {}};
  ComparisonGroup encode{"Encode UTF-8 (ours) vs QString::toUtf8", {}};
  for (const TextKindInfo& kind : kCodecTextKinds) {
    for (const FileSize& size : kFileSizes) {
      if (size.bytes < kSmallestConverted) continue;
      const std::string bytes = MakeValueBytes(size.bytes, kind.kind);
      const std::u16string text = ioserver::WidenUtf8(bytes);
      const QString qt_text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
      const std::string stem = std::string(kind.stem) + "-" + std::to_string(size.bytes);
      const std::string label = std::string(size.label) + " " + kind.label;

      Configure(benchmark::RegisterBenchmark(
          ("decode/" + stem + "/ours").c_str(), [bytes](benchmark::State& state) {
            for (auto _ : state) {
              benchmark::DoNotOptimize(ioserver::DecodeUtf8(bytes)->data());
            }
          }));
      Configure(benchmark::RegisterBenchmark(
          ("decode/" + stem + "/bare").c_str(), [bytes](benchmark::State& state) {
            for (auto _ : state) {
              benchmark::DoNotOptimize(
                  QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).data());
            }
          }));
      decode.rows.push_back({"Decode " + label, "decode/" + stem + "/ours",
                             "decode/" + stem + "/bare", size.bytes,
                             Target::MaxRatio(kCodecRatio)});

      Configure(benchmark::RegisterBenchmark(
          ("encode/" + stem + "/ours").c_str(), [text](benchmark::State& state) {
            for (auto _ : state) {
              benchmark::DoNotOptimize(ioserver::EncodeUtf8(text)->data());
            }
          }));
      Configure(benchmark::RegisterBenchmark(("encode/" + stem + "/bare").c_str(),
                                             [qt_text](benchmark::State& state) {
                                               for (auto _ : state)
                                                 benchmark::DoNotOptimize(qt_text.toUtf8().data());
                                             }));
      encode.rows.push_back({"Encode " + label, "encode/" + stem + "/ours",
                             "encode/" + stem + "/bare", size.bytes,
                             Target::MaxRatio(kCodecRatio)});
    }
  }
  return {decode, encode};
}

}  // namespace rozovevi::bench
