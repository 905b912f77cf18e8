// Answers, one after the other, the message boxes of one caption that this
// process shows while a call runs, and keeps what each of them showed.
#ifndef ACTIVATE_BOX_WATCHER_H
#define ACTIVATE_BOX_WATCHER_H

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "window_driver.h"

namespace activate_test {

class BoxWatcher {
public:
    // `answer` gets the box's number (0 for the first) and what it shows and
    // returns the id of the button to press; it may act before answering.
    using Answer = std::function<int(std::size_t, const window_driver::dialog_snapshot&)>;

    BoxWatcher(std::string caption, Answer answer)
        : thread_([this, caption = std::move(caption), answer = std::move(answer)] {
              while (!stop_) {
                  HWND box = window_driver::find_dialog(caption);
                  if (!box) {
                      Sleep(10);
                      continue;
                  }
                  const window_driver::dialog_snapshot seen = window_driver::snapshot(box);
                  const int button = answer(seen_.size(), seen);
                  seen_.push_back(seen);
                  ownerless_ = ownerless_ && GetWindow(box, GW_OWNER) == nullptr;
                  window_driver::press(box, button);
                  while (IsWindow(box)) Sleep(5);
              }
          }) {}

    // Presses the given buttons in order, then the first button of any
    // further box.
    BoxWatcher(std::string caption, std::vector<int> buttons)
        : BoxWatcher(std::move(caption), [buttons](std::size_t index, const window_driver::dialog_snapshot& seen) {
              if (index < buttons.size()) return buttons[index];
              return seen.buttons.empty() ? IDOK : seen.buttons.front().id;
          }) {}

    ~BoxWatcher() { stop(); }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // Call after the code under test has returned: its boxes are all closed.
    const std::vector<window_driver::dialog_snapshot>& stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return seen_;
    }
    bool ownerless() const { return ownerless_; }

private:
    std::atomic<bool> stop_{false};
    bool ownerless_ = true;
    std::vector<window_driver::dialog_snapshot> seen_;
    std::thread thread_;
};

}  // namespace activate_test

#endif
