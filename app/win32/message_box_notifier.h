#pragma once

#include <windows.h>

#include "app/window.h"

// Tells the user in a modal message box; only for refusals and a missing driver, never for
// bus failures, which go to the status line.
class MessageBoxNotifier : public app::Notifier {
  public:
    explicit MessageBoxNotifier(const HWND* owner) : owner_(owner) {}
    void Tell(const std::string& message) override;

  private:
    const HWND* owner_;
};
