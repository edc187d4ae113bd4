// COM initialised on the window thread for the program's life: the program holds one
// ComInit from start to exit. Nothing to do on POSIX.
#pragma once

namespace plat {

class ComInit {
 public:
  ComInit();
  ~ComInit();
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;

 private:
  bool initialised_ = false;
};

}  // namespace plat
