// The portable part of the capture view: the file-exists test that every view
// can answer with.
#include "capture/CaptureView.h"

#include <cstdio>

int OpensForReading(const char* path) {
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return 0;
  std::fclose(file);
  return 1;
}
