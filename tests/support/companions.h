// The programs behind the three companion windows (the Companions stand-in),
// running for one test in a folder of their own.
#pragma once
#include <string>
#include <vector>

#include "process.h"

class Companions {
 public:
  // Starts them with `switches` ("--twice") and waits until their windows are up.
  explicit Companions(const std::string &switches = "");
  ~Companions();

  std::string log() const;
  // The windows that received WM_CLOSE, in the order received, each as
  // "<title>] #<number>".
  std::vector<std::string> closed() const;

 private:
  std::string folder_;
  Program program_;
};
