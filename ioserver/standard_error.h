// Standard error as a C++ stream, made at its first use.
#pragma once

#include <ostream>

namespace rozovevi::ioserver {

// Writes through the C library's stderr. Unlike std::cerr, which every program that includes
// <iostream> builds at its start with the other standard streams and their locales, this stream
// costs nothing until something is written to it: a program that reads one value and reports
// nothing (a Silent server, no trace) never builds it.
std::ostream& StandardError();

}  // namespace rozovevi::ioserver
