// The window benchmarks on Qt's offscreen platform: frmROZoveVI against an unstyled QWidget with
// the same six children, and its txtValue against a plain QLineEdit.
#include "bench/window_benchmarks.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <array>
#include <limits>
#include <memory>
#include <string>

#include "app/qt/main_window.h"
#include "app/qt/qt_text.h"
#include "app/qt/screen_centring.h"
#include "app/qt/window_looks.h"
#include "app/window_layout.h"
#include "bench/benchmark_settings.h"
#include "bench/exchange_benchmarks.h"
#include "ioserver/utf8.h"
#include "tests/app/qt/fake_message_presenter.h"

namespace rozovevi::bench {
namespace {

constexpr double kStartUpRatio = 1.3;

struct TextSize {
  const char* label;
  std::size_t units;
  int repetitions;  // Fewer for the sizes that take seconds: the toolkit is the limit there.
};
constexpr std::size_t kKiB = 1024;
constexpr std::array<TextSize, 3> kTextSizes = {{
    {"64 KiB", 64 * kKiB, kRepetitions},
    {"1 MiB", kKiB* kKiB, 3},
    {"16 MiB", 16 * kKiB* kKiB, 3},
}};

QRect PixelRect(app::ControlId id) {
  const app::ControlLayout& layout = app::Control(id);
  return QRect(app::qt::TwipsToQtPixels(layout.left), app::qt::TwipsToQtPixels(layout.top),
               app::qt::TwipsToQtPixels(layout.width), app::qt::TwipsToQtPixels(layout.height));
}

// The same window with Qt's defaults: same size, same six children in the same places and with
// the same captions, but no colours, fonts or style sheets.
std::unique_ptr<QWidget> MakeBareWindow() {
  using app::ControlId;
  auto window = std::make_unique<QWidget>();
  window->setFixedSize(app::qt::TwipsToQtPixels(app::kClientWidthTwips),
                       app::qt::TwipsToQtPixels(app::kClientHeightTwips));
  for (ControlId frame_id : {ControlId::kFrame1, ControlId::kFrame2}) {
    auto* frame = new QGroupBox(app::qt::ToQString(app::Control(frame_id).caption), window.get());
    frame->setGeometry(PixelRect(frame_id));
    const ControlId box_id =
        frame_id == ControlId::kFrame1 ? ControlId::kTxtAddress : ControlId::kTxtValue;
    (new QLineEdit(frame))->setGeometry(PixelRect(box_id));
  }
  for (ControlId button_id : {ControlId::kCmdRead, ControlId::kCmdWrite}) {
    auto* button =
        new QPushButton(app::qt::ToQString(app::Control(button_id).caption), window.get());
    button->setGeometry(PixelRect(button_id));
  }
  return window;
}

// Times making a window and showing it until the toolkit is idle; closing it again is left out
// of the figure.
template <typename MakeWindow>
void TimeShowingWindows(benchmark::State& state, MakeWindow make_window) {
  for (auto _ : state) {
    auto window = make_window();
    window->show();
    QApplication::processEvents();
    state.PauseTiming();
    window.reset();
    QApplication::processEvents();
    state.ResumeTiming();
  }
}

void RegisterStartUp(ComparisonGroup& group, ioserver::AutomationRuntime& runtime) {
  Configure(benchmark::RegisterBenchmark("start-up/ours", [&runtime](benchmark::State& state) {
    app::qt::testing::FakeMessagePresenter presenter;
    TimeShowingWindows(state, [&] {
      auto window = std::make_unique<app::qt::frmROZoveVI>(runtime, presenter);
      app::qt::CentreOnPrimaryScreen(*window);
      return window;
    });
  }));
  Configure(benchmark::RegisterBenchmark(
      "start-up/bare", [](benchmark::State& state) { TimeShowingWindows(state, MakeBareWindow); }));
  group.rows.push_back(
      {"Start-up", "start-up/ours", "start-up/bare", 0, Target::MaxRatio(kStartUpRatio)});
}

// Sets text into a shown text box and paints it, then empties it again untimed.
template <typename SetText>
void MeasureValueLanding(benchmark::State& state, QLineEdit& text_box, SetText set_text) {
  for (auto _ : state) {
    set_text();
    benchmark::DoNotOptimize(text_box.grab());
    state.PauseTiming();
    text_box.clear();
    state.ResumeTiming();
  }
}

void RegisterValueLanding(ComparisonGroup& group, ioserver::AutomationRuntime& runtime) {
  for (const TextSize& size : kTextSizes) {
    const std::u16string text = ioserver::WidenUtf8(MakeValueBytes(size.units));
    const std::string ours = "txtValue/" + std::to_string(size.units) + "/ours";
    const std::string bare = "txtValue/" + std::to_string(size.units) + "/bare";
    Configure(benchmark::RegisterBenchmark(ours.c_str(), [text, &runtime](benchmark::State& state) {
      app::qt::testing::FakeMessagePresenter presenter;
      app::qt::frmROZoveVI window(runtime, presenter);
      window.show();
      QApplication::processEvents();
      auto* txtValue = window.findChild<QLineEdit*>(QStringLiteral("txtValue"));
      if (txtValue == nullptr) {
        state.SkipWithError("the window has no txtValue");
        return;
      }
      MeasureValueLanding(state, *txtValue, [&] { window.SetValueText(text); });
      if (static_cast<std::size_t>(txtValue->text().size()) != 0) {
        state.SkipWithError("txtValue was not emptied");
      }
    }))->Repetitions(size.repetitions);
    Configure(benchmark::RegisterBenchmark(bare.c_str(), [text](benchmark::State& state) {
      QLineEdit text_box;
      // Not a look: without it QLineEdit keeps only the first 32767 characters.
      text_box.setMaxLength(std::numeric_limits<int>::max());
      text_box.resize(PixelRect(app::ControlId::kTxtValue).size());
      text_box.show();
      QApplication::processEvents();
      MeasureValueLanding(state, text_box, [&] { text_box.setText(app::qt::ToQString(text)); });
    }))->Repetitions(size.repetitions);
    group.rows.push_back(
        {std::string("txtValue ") + size.label, ours, bare, size.units * 2, Target::None()});
  }
}

}  // namespace

std::vector<ComparisonGroup> RegisterWindowBenchmarks(ioserver::AutomationRuntime& runtime) {
  ComparisonGroup start_up{"Main window: construct, centre, show vs unstyled QWidget", {}};
  RegisterStartUp(start_up, runtime);
  ComparisonGroup value{"Text into txtValue, painted, vs plain QLineEdit", {}};
  RegisterValueLanding(value, runtime);
  return {start_up, value};
}

}  // namespace rozovevi::bench
