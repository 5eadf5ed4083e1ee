// The program icon as Qt images.
#pragma once

#include <QIcon>
#include <QImage>

#include "app/program_icon.h"

namespace rozovevi::app::qt {

// An ARGB image of the icon image, transparent where its mask says so.
QImage ToQImage(const IconImage& icon);

// The program icon with its 16x16 and 32x32 images.
QIcon ProgramIcon();

}  // namespace rozovevi::app::qt
