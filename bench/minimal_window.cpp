// rozovevi_minimal_window: the least a Qt program can show, for the start-up comparison: one
// QLineEdit in the font of the main window's text boxes, so that both pay for the font look-up.
#include <QApplication>
#include <QFont>
#include <QLineEdit>
#include <QStringView>

#include "app/window_layout.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const std::u16string_view face = rozovevi::app::kTextBoxFont.face;
  QFont font(QStringView(face.data(), static_cast<qsizetype>(face.size())).toString(),
             rozovevi::app::kTextBoxFont.points);
  font.setStyleHint(QFont::TypeWriter);
  QLineEdit text_box;
  text_box.setFont(font);
  text_box.show();
  return QApplication::exec();
}
