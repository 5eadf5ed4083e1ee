// Placeholder until the icon drawing lands.
#include "app/program_icon.h"

namespace rozovevi::app {

IconImage DrawProgramIcon(int size) {
  IconImage image;
  image.size = size;
  return image;
}

}  // namespace rozovevi::app
