#pragma once

#include <cstdio>

// Whether a standard stream is an interactive terminal (isatty / _isatty),
// so that progress lines go to a person and not into a log file or pipe.
namespace ConsoleStream {

bool isTerminal(std::FILE* stream);

} // namespace ConsoleStream
