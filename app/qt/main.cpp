// Start-up of rozovevi: the I/O server runtime, the main window centred on the screen, the event
// loop. Closing the window ends the program.
#include <QApplication>

#include "app/qt/main_window.h"
#include "app/qt/qt_message_presenter.h"
#include "app/qt/qt_program_icon.h"
#include "app/qt/screen_centring.h"
#include "ioserver/embedded_runtime.h"
#include "ioserver/standin/process_setup.h"
#include "ioserver/standin/standin_server.h"

int main(int argc, char* argv[]) {
  rozovevi::ioserver::standin::PrepareProcessForStandIn();
  QApplication application(argc, argv);
  QApplication::setWindowIcon(rozovevi::app::qt::ProgramIcon());

  rozovevi::ioserver::EmbeddedRuntime runtime;
  rozovevi::ioserver::RegisterStandInServer(runtime);

  rozovevi::app::qt::QtMessagePresenter presenter;
  rozovevi::app::qt::MainWindow window(runtime, presenter);
  rozovevi::app::qt::CentreOnPrimaryScreen(window);
  window.show();
  return QApplication::exec();
}
