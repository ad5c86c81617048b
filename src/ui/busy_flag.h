#pragma once
// Marks a page busy for the life of one handler, so a second press while its dialog is up
// waits its turn instead of starting the same work again.
namespace dorvath {

class BusyFlag {
  public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

  private:
    bool& flag_;
};

}  // namespace dorvath
