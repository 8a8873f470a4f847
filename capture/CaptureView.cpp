// The portable part of the capture view: the file-exists test that every view
// can answer with.
#include "capture/CaptureView.h"

#include <cstdio>

#include "log/Cp932FileNames.h"

int OpensForReading(const char* path) {
  std::FILE* file = OpenCp932File(path, "r");
  if (file == nullptr) return 0;
  std::fclose(file);
  return 1;
}
